// Writes the demo database in both layouts into the folder given as the only
// argument (default: the current folder): demo-crc.db and demo-sum.db.
#include <cstdio>
#include <exception>
#include <string>

#include "DemoDatabase.h"

int main(int argc, char **argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    try {
        for (const bool crc : {true, false}) {
            const std::string path = folder + (crc ? "/demo-crc.db" : "/demo-sum.db");
            zebtest::WriteFile(path, zebtest::BuildImage(zebdemo::DemoDatabase(crc)));
            std::printf("%s\n", path.c_str());
        }
    } catch (const std::exception &Error) {
        std::fprintf(stderr, "make_demo_databases: %s\n", Error.what());
        return 1;
    }
    return 0;
}
