#!/bin/bash
# Usage: check_exports.sh LIBRARY INCLUDE_DIR
# Checks that a built VemMisc exports its public interface and nothing else.
# LIBRARY is libVemMisc.so.1 (ELF) or VemMisc.dll (PE); INCLUDE_DIR holds the
# public headers that define the interface.
#   - Every exported symbol names something the headers declare: each part of
#     its qualified name (class, member, function, variable) is an identifier
#     of the headers, and none lies in std:: or in the internal namespace vem.
#   - Every function or variable the headers declare extern "C" with
#     VEMMISC_API is exported under its plain, undecorated name.
#   - ELF: the SONAME is libVemMisc.so.1 and no symbol is STB_GNU_UNIQUE
#     (such a symbol pins the library in memory: dlclose could not unload it).
#   - PE: the DLL calls itself VemMisc.dll and imports system DLLs only (the
#     compiler's runtime is linked in).
# Prints every violation and exits 1 if there is any.
set -u
library=$1
include_dir=$2
problems=0
problem() {
  echo "$*"
  problems=1
}

case "$(head -c 4 "$library" | od -An -c | tr -d ' ')" in
  177ELF) format=elf ;;
  MZ*) format=pe ;;
  *) echo "$library: neither ELF nor PE"; exit 1 ;;
esac

# Identifiers of the public headers, comments left out.
declare -A header_words
for word in $(sed -e 's://.*$::' "$include_dir"/*.h | grep -oE '[A-Za-z_][A-Za-z_0-9]*' | sort -u); do
  header_words[$word]=1
done

# Names the headers declare extern "C" with VEMMISC_API: the last identifier
# before the parameter list, array bounds or the semicolon.
plain_names=$(sed -e 's://.*$::' "$include_dir"/*.h | awk '
    /extern "C" *\{/ { in_block = 1; next }
    in_block && /^\}/ { in_block = 0 }
    in_block || /extern "C"/ { print }' |
  tr '\n' ' ' | grep -oE 'VEMMISC_API[^;{]*' | sed -E 's/[([].*//' |
  grep -oE '[A-Za-z_][A-Za-z_0-9]*[[:space:]]*$' | sed -E 's/[[:space:]]+$//' | sort -u)

if [ $format = elf ]; then
  soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ "$soname" = libVemMisc.so.1 ] || problem "SONAME is '$soname', not libVemMisc.so.1"
  unique=$(nm -D --defined-only "$library" | awk '$2 == "u" { print $3 }')
  [ -z "$unique" ] || problem "unique symbols keep the library loaded:" $unique
  exports=$(nm -D --defined-only "$library" | awk 'NF == 3 { print $3 }' | sort -u)
else
  dump=$(x86_64-w64-mingw32-objdump -p "$library")
  dll_name=$(sed -n 's/^Name[[:space:]]*[0-9a-f]*[[:space:]]*//p' <<<"$dump")
  [ "$dll_name" = VemMisc.dll ] || problem "the DLL calls itself '$dll_name', not VemMisc.dll"
  system_dlls='^(kernel32|user32|gdi32|advapi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|uxtheme|version|ws2_32|bcrypt|ntdll|msvcrt|ucrtbase|api-ms-win-.*)\.dll$'
  while read -r dll; do
    grep -qiE "$system_dlls" <<<"$dll" || problem "imports a DLL that is not part of Windows: $dll"
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
  exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/ s/^[[:space:]]*\[ *[0-9]*\] //p' <<<"$dump" | sort -u)
fi

[ -n "$exports" ] || problem "exports nothing"

for name in $plain_names; do
  grep -qxF -- "$name" <<<"$exports" || problem "extern \"C\" $name is not exported under its plain name"
done

# Each exported C++ symbol, demangled, must name only declared things.
# Special symbols of a class (vtable, typeinfo, thunks) name the class; of a
# name only the qualified part counts, without ABI tags, template arguments,
# parameter list or qualifiers.
mangled=$(grep '^_Z' <<<"$exports")
if [ -n "$mangled" ]; then
  while IFS=$'\t' read -r readable subject; do
    ok=1
    IFS=: read -ra parts <<<"${subject//::/:}"
    case "${parts[0]}" in std | vem) ok=0 ;; esac
    for part in "${parts[@]}"; do
      part=${part#\~}
      case "$part" in operator*) continue ;; esac
      [ -n "${header_words[$part]:-}" ] || ok=0
    done
    [ $ok = 1 ] || problem "exported symbol is not part of the public interface: $readable"
  done < <(c++filt <<<"$mangled" | sed -E '
      h
      s/^(vtable|typeinfo name|typeinfo|VTT|construction vtable|guard variable|non-virtual thunk|virtual thunk|covariant return thunk) (for|to) //
      s/\[abi:[^]]*\]//g
      :strip
      s/<[^<>]*>//g
      t strip
      s/\(.*//
      H
      x
      s/\n/\t/')
fi
while read -r name; do
  [ -n "$name" ] || continue
  grep -qxF -- "$name" <<<"$plain_names" ||
    problem "exported plain name is not declared extern \"C\" in the headers: $name"
done < <(grep -v '^_Z' <<<"$exports")

if [ $problems = 0 ]; then
  echo "$(wc -l <<<"$exports") exported symbols, all declared in $include_dir"
fi
exit $problems
