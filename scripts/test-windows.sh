#!/usr/bin/env bash
# Builds zebcore.dll for 32-bit and 64-bit Windows with mingw-w64, runs the
# 64-bit test programs under wine64 and checks the 32-bit library by its
# export table and import library (this kind of machine cannot run 32-bit
# Windows code).
set -euo pipefail
cd "$(dirname "$0")/.."

# Each call with the bytes its arguments take on the 32-bit stack (stdcall):
# one 4-byte slot per handle, integer, flag, float and pointer.
calls="ZEBOpen@4 ZEBClose@4 ZEBSave@4 ZEBDatabaseCompact@4 ZEBDatabaseGetTableCount@4
ZEBTableGetProperties@12 ZEBTableRecordAdd@12 ZEBTableRecordChangeDeleted@16
ZEBTableRecordDeleted@12 ZEBTableRecordRemove@12 ZEBQueryFindUnsignedInt@16 ZEBQueryGetResult@4
ZEBQueryGetResultSize@0 ZEBFieldGetProperties@16 ZEBFieldGetValueAsFloat@16
ZEBFieldGetValueAsInteger@16 ZEBFieldGetValueAsString@20 ZEBFieldSetValueAsFloat@20
ZEBFieldSetValueAsInteger@20 ZEBFieldSetValueAsString@20"
plain_names=$(echo $calls | tr ' ' '\n' | sed 's/@.*//' | sort)
decorated_names=$(echo $calls | tr ' ' '\n' | sed 's/^/_/' | sort)

failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    diff <(echo "$2") <(echo "$3") | sed 's/^/    /' || true
    failures=$((failures + 1))
  fi
}

# The names in a PE file's export table.
exports_of() {
  "$1" -p "$2" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
                      on && NF == 0 { exit }
                      on { print $NF }' | sort
}

# The DLLs a PE file imports, and the names it imports from one of them.
imported_dlls() { "$1" -p "$2" | awk '/DLL Name:/ { print $3 }' | sort; }
imports_from() {
  "$1" -p "$2" | awk -v dll="$3" '/DLL Name:/ { on = ($3 == dll); next }
                                  on && /Hint\/Ord/ { next }
                                  on && NF == 0 { on = 0 }
                                  on { print $NF }' | sort
}

# Only system DLLs: the compiler's runtime (libgcc, libstdc++, winpthread) is
# linked in, so nothing needs to be shipped beside zebcore.dll.
check_only_system_dlls() {
  local extra
  extra=$(imported_dlls "$1" "$2" | grep -v -i -x -E 'kernel32\.dll|msvcrt\.dll' || true)
  check "$3 imports only system DLLs" "" "$extra"
}

for preset in win32 win64; do
  echo "=== preset $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done

echo "=== 32-bit zebcore.dll, checked statically"
objdump32=i686-w64-mingw32-objdump
nm32=i686-w64-mingw32-nm
dll32=build/win32/bin/zebcore.dll
check "32-bit export table: exactly the twenty plain names" "$plain_names" "$(exports_of $objdump32 $dll32)"
check "32-bit import library: stdcall names with their argument sizes" "$decorated_names" \
  "$($nm32 --defined-only build/win32/bin/libzebcore.dll.a | awk '$2 == "T" { print $3 }' | sort)"
check "32-bit program built with the header binds the twenty names through the import table" "$plain_names" \
  "$(imports_from $objdump32 build/win32/tests/windows/import_table_client.exe zebcore.dll)"
check_only_system_dlls $objdump32 $dll32 "32-bit zebcore.dll"
# The build itself asserted sizeof(TableProperties) == 24 and
# sizeof(FieldProperties) == 12 (zebcore/zebcore_DllMain_win.cpp).
echo "ok: 32-bit property records are 24 and 12 bytes (static assertions of the build)"

echo "=== 64-bit zebcore.dll"
objdump64=x86_64-w64-mingw32-objdump
dll64=build/win64/bin/zebcore.dll
check "64-bit export table: exactly the twenty plain names" "$plain_names" "$(exports_of $objdump64 $dll64)"
check_only_system_dlls $objdump64 $dll64 "64-bit zebcore.dll"

echo "=== 64-bit tests under wine64"
prefix=$PWD/build/win64/wineprefix
started=$(date +%s)
if ! ctest --preset win64; then failures=$((failures + 1)); fi
echo "wine tests took $(($(date +%s) - started)) s (the first run also creates the wine prefix)"
# Let the prefix's wineserver finish before returning.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
WINEPREFIX=$prefix "$wineserver" -w 2>/dev/null || true

if [ "$failures" -ne 0 ]; then
  echo "test-windows: $failures check(s) failed"
  exit 1
fi
echo "test-windows: all checks passed"
