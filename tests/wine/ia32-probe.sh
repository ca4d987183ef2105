#!/usr/bin/env bash
# Whether this machine's kernel runs 32-bit x86 programs, which 32-bit Wine needs: assembles the
# smallest 32-bit Linux program (it exits with status 0) and runs it.
#   exit 0: it ran;
#   exit 1: the kernel refused it; the reason is printed on standard output;
#   exit 2: the probe itself could not be made or gave another answer (a fault, not a reason).
set -uo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' > "$dir/probe.s"
if ! as --32 -o "$dir/probe.o" "$dir/probe.s" || ! ld -m elf_i386 -o "$dir/probe" "$dir/probe.o"; then
  echo "ia32-probe: cannot assemble the 32-bit probe (binutils with i386 support is needed)" >&2
  exit 2
fi
error=$("$dir/probe" 2>&1)
rc=$?
[ $rc -eq 0 ] && exit 0
if [ $rc -eq 126 ] && grep -qi 'exec format error' <<<"$error"; then
  why="a 32-bit x86 program fails with \"Exec format error\""
  grep -qw 'ia32_emulation=0' /proc/cmdline 2>/dev/null && why="ia32 emulation is off: ia32_emulation=0"
  echo "this machine's kernel runs no 32-bit programs ($why)"
  exit 1
fi
echo "ia32-probe: the 32-bit probe exited with status $rc: $error" >&2
exit 2
