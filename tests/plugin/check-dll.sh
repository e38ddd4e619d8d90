#!/usr/bin/env bash
# A Windows build of the plug-in exports both entry points by their plain
# names, imports only DLLs that every Windows has, and needs no runtime DLL
# copied beside it.
#   check-dll.sh OBJDUMP DLL
set -euo pipefail
objdump=$1
dll=$2
table=$("$objdump" -p "$dll")

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && NF==0{on=0} on' <<<"$table")
for name in VSTPluginMain main; do
    grep -qE "\] ${name}\$" <<<"$exports" || { echo "export '$name' missing from $dll"; echo "$exports"; exit 1; }
done

allowed='^(KERNEL32|msvcrt|USER32|GDI32|ADVAPI32|SHELL32|OPENGL32|GLU32|ole32|COMDLG32|WINMM|IMM32)\.dll$'
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$table")
[ -n "$imports" ] || { echo "no import table found in $dll"; exit 1; }
bad=$(grep -viE "$allowed" <<<"$imports" || true)
if [ -n "$bad" ]; then
    echo "$dll depends on DLLs a user would not have:"; echo "$bad"; exit 1
fi
# A user copies one file: no runtime or library DLL may have been put
# beside it for the build's own programs to work.
beside=$(find "$(dirname "$dll")" -maxdepth 1 \( -iname 'lib*.dll' -o -iname 'zlib*.dll' -o -iname 'glew*.dll' \) -printf '%f\n')
if [ -n "$beside" ]; then
    echo "runtime DLLs beside $dll, which a user would have to copy too:"; echo "$beside"; exit 1
fi
echo "exports: VSTPluginMain main; imports: $(tr '\n' ' ' <<<"$imports")"
