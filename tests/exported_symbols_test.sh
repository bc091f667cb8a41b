#!/usr/bin/env bash
# The shared library's dynamic symbol table holds the twenty calls and no
# other symbol of its own.
set -euo pipefail
library=$1
expected="ZEBClose ZEBDatabaseCompact ZEBDatabaseGetTableCount ZEBFieldGetProperties ZEBFieldGetValueAsFloat
ZEBFieldGetValueAsInteger ZEBFieldGetValueAsString ZEBFieldSetValueAsFloat ZEBFieldSetValueAsInteger
ZEBFieldSetValueAsString ZEBOpen ZEBQueryFindUnsignedInt ZEBQueryGetResult ZEBQueryGetResultSize ZEBSave
ZEBTableGetProperties ZEBTableRecordAdd ZEBTableRecordChangeDeleted ZEBTableRecordDeleted ZEBTableRecordRemove"
# Defined symbols only; the sanitizer build's runtime hooks are not ours.
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | grep -v -E '^(__asan|__ubsan|__sanitizer|__lsan)' | sort)
want=$(echo $expected | tr ' ' '\n' | sort)
if [ "$actual" != "$want" ]; then
  echo "exported symbols differ:"
  diff <(echo "$want") <(echo "$actual") || true
  exit 1
fi
echo "20 exports, nothing else"
