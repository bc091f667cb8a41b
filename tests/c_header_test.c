/* The public header is plain C: this file includes it and calls through it. */
#include <stddef.h>
#include <stdio.h>

#include "zebcore.h"

int main(void) {
    TableProperties table;
    FieldProperties field;
    (void)table;
    (void)field;
    if (ZEBOpen(NULL) != -1) {
        fprintf(stderr, "ZEBOpen(NULL) must fail\n");
        return 1;
    }
    if (ZEBClose(-1) || ZEBQueryGetResultSize() != 0) {
        fprintf(stderr, "calls on nothing must fail\n");
        return 1;
    }
    return 0;
}
