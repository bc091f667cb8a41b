// The demo database: a small made-up game world in several tables, with
// every field type, fields at odd bit positions, strings with control
// characters, deleted records, an empty table, a table without fields and a
// log of 20,000 records.
#pragma once

#include "fixture_builder.h"

namespace zebdemo {

zebtest::DatabaseSpec DemoDatabase(bool CrcLayout);

}  // namespace zebdemo
