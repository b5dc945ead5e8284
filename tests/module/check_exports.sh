#!/bin/bash
# Usage: check_exports.sh LIBRARY
# Checks that a built VemMisc exports exactly its public interface: the
# symbols listed beside this script, exports-elf.txt for libVemMisc.so.1 and
# exports-pe.txt for VemMisc.dll, no more and no fewer. A change of the
# interface changes its list in the same commit. The library must also carry
# its own name: the SONAME libVemMisc.so.1, the DLL name VemMisc.dll.
# Prints the difference and exits 1 on any mismatch.
set -u
library=$1
here=$(dirname "$0")
if [ "$(head -c 4 "$library" | od -An -c | tr -d ' ')" = 177ELF ]; then
  expected=$here/exports-elf.txt name=libVemMisc.so.1
  own_name=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  exports=$(nm -D --defined-only "$library" | awk 'NF == 3 { print $3 }')
else
  expected=$here/exports-pe.txt name=VemMisc.dll
  dump=$(x86_64-w64-mingw32-objdump -p "$library")
  own_name=$(sed -n 's/^Name[[:space:]]*[0-9a-f]*[[:space:]]*//p' <<<"$dump")
  exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/ s/^[[:space:]]*\[ *[0-9]*\] //p' <<<"$dump")
fi
status=0
if [ "$own_name" != "$name" ]; then
  echo "the library calls itself '$own_name', not $name"
  status=1
fi
# "<" lines are exports the interface lost, ">" lines exports it never had.
diff "$expected" <(sort -u <<<"$exports") || status=1
exit $status
