#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit (i386) Linux programs, which the 32-bit
# Wine loader is; 1 when it cannot (no IA32 emulation). It builds and runs a tiny
# static i386 program that exits with 42. KVR_NO_32BIT=1 makes it answer 1, to
# try the rig as it behaves on such a kernel.
set -euo pipefail
[ "${KVR_NO_32BIT:-}" != 1 ] || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# exit(42) through the i386 system call gate
cat >"$work/exit42.s" <<'ASM'
.globl _start
_start:
    movl $1, %eax
    movl $42, %ebx
    int $0x80
ASM
as --32 -o "$work/exit42.o" "$work/exit42.s" && ld -m elf_i386 -o "$work/exit42" "$work/exit42.o" || exit 1
status=0
"$work/exit42" 2>/dev/null || status=$?
[ "$status" -eq 42 ]
