#!/usr/bin/env bash
# Checks the release executable's PE header: a 32-bit GUI program that Windows XP
# accepts (subsystem version 5.01), that imports system DLLs only, and whose
# resources start on a page of the file (tools/kvralign.cpp).
set -euo pipefail
exe=$1
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail() { echo "release check: $exe: $*" >&2; exit 1; }
grep -q 'file format pei-i386' <<<"$dump" || fail "not a PE32 (i386) image"
grep -qE '^Subsystem[[:space:]]+00000002' <<<"$dump" || fail "not a GUI program"
grep -qE '^MajorSubsystemVersion[[:space:]]+5$' <<<"$dump" || fail "subsystem major version is not 5"
grep -qE '^MinorSubsystemVersion[[:space:]]+1$' <<<"$dump" || fail "subsystem minor version is not 1"
system_dlls='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|SHLWAPI|OLE32|OLEAUT32|COMCTL32|COMDLG32|msvcrt)\.dll$'
while read -r dll; do
    grep -qiE "$system_dlls" <<<"$dll" || fail "imports a non-system DLL: $dll"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
resources=$(i686-w64-mingw32-objdump -h "$exe" | awk '$2 == ".rsrc" { print $6 }')
[ -n "$resources" ] || fail "no resource section"
(( 16#$resources % 4096 == 0 )) || fail "the resources start at 0x$resources, not on a page"
echo "release check: $exe is a PE32 GUI program, subsystem 5.01, system DLLs only," \
    "resources on a page"
