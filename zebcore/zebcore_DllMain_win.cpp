// The library's load and unload on Windows: the process attach notification
// creates the registry of open databases, the process detach notification
// closes every open database without saving and destroys the registry.
// Thread notifications do nothing.
#include <windows.h>

#include <cstddef>

#include "zebcore.h"
#include "zebcore_Registry.h"

// The two records that cross the library boundary keep the layout that
// 32-bit callers were written against: six 32-bit words, and a pointer, a
// 32-bit word and a 16-bit word padded to twelve bytes.
#if !defined(_WIN64)
static_assert(sizeof(TableProperties) == 24, "TableProperties is six 32-bit words");
static_assert(offsetof(TableProperties, FieldCount) == 4 && offsetof(TableProperties, FirstDeleted) == 20,
              "TableProperties words at offsets 0 to 20");
static_assert(sizeof(FieldProperties) == 12, "FieldProperties is twelve bytes");
static_assert(offsetof(FieldProperties, BitCount) == 4 && offsetof(FieldProperties, FieldType) == 8,
              "FieldProperties members at offsets 0, 4 and 8");
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD Reason, LPVOID) {
    switch (Reason) {
    case DLL_PROCESS_ATTACH:
        try {
            zeb::api::LibraryAttach();
        } catch (...) {
            return FALSE;  // the load fails, and LoadLibrary reports it to the caller
        }
        return TRUE;
    case DLL_PROCESS_DETACH:
        // Also at process exit: nothing is saved either way, and the
        // databases' memory is given back.
        zeb::api::LibraryDetach();
        return TRUE;
    default:
        return TRUE;
    }
}
