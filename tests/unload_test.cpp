// Loads the library at run time, opens databases, changes them without
// saving and unloads the library with them still open: the files stay
// untouched and the library is gone from the process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "fixture_builder.h"

using namespace zebtest;

namespace {

template <typename F>
F Bind(void *Library, const char *Name) {
    void *symbol = dlsym(Library, Name);
    EXPECT_NE(symbol, nullptr) << Name;
    return reinterpret_cast<F>(symbol);
}

TEST(Unload, ClosesOpenDatabasesWithoutSaving) {
    TempDir dir;
    DatabaseSpec spec;
    TableSpec t;
    t.Name = "T";
    t.RecordSize = 2;
    t.Fields = {{3, "V", 0, 8}};
    t.Records = {Record(2, {1}), Record(2, {2})};
    spec.Tables = {t};
    const Bytes crcImage = BuildImage(spec);
    spec.Crc = false;
    const Bytes sumImage = BuildImage(spec);
    const std::string a = dir.Write("a.db", crcImage), b = dir.Write("b.db", sumImage);

    void *library = dlopen(ZEBCORE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto open = Bind<int32_t (*)(const char *)>(library, "ZEBOpen");
    auto set = Bind<bool (*)(int32_t, const char *, const char *, int32_t, int32_t)>(library, "ZEBFieldSetValueAsInteger");
    auto add = Bind<int32_t (*)(int32_t, const char *, int32_t)>(library, "ZEBTableRecordAdd");
    const int32_t ha = open(a.c_str()), hb = open(b.c_str());
    ASSERT_GE(ha, 0);
    ASSERT_GE(hb, 0);
    EXPECT_TRUE(set(ha, "T", "V", 0, 42));
    EXPECT_EQ(add(hb, "T", 1), 2);

    ASSERT_EQ(dlclose(library), 0);
    EXPECT_EQ(dlopen(ZEBCORE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library was unloaded";
    EXPECT_EQ(ReadFile(a), crcImage);
    EXPECT_EQ(ReadFile(b), sumImage);
}

}  // namespace
