#!/usr/bin/env bash
# Answers one question: can this machine execute 32-bit x86 code? Some kernels run none at all
# ("32-bit emulation disabled"), and there Wine's 32-bit loader cannot start, so the 32-bit
# Windows program's tests must run elsewhere. Exit status 0: it can; 1: it cannot.
# Builds the smallest static i386 program (it exits with 42) with binutils and runs it.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$work/exit42.s"
as --32 "$work/exit42.s" -o "$work/exit42.o"
ld -m elf_i386 "$work/exit42.o" -o "$work/exit42"
status=0
"$work/exit42" 2>/dev/null || status=$?
[ "$status" -eq 42 ]
