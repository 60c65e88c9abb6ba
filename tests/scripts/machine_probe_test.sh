#!/usr/bin/env bash
# The probe that tells whether this machine runs 32-bit programs: what it
# executes, what it answers, and what forcing it does.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
root_dir=$root
. "$root/scripts/machine.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work  # the probe writes its program under $root/build

# The program is a 32-bit x86 ELF executable: class 1, machine 3.
write_probe_program "$work/p"
check "the probe program is 96 bytes" [ "$(stat -c %s "$work/p")" -eq 96 ]
check "it is a 32-bit ELF for i386" [ "$(od -An -tx1 -j4 -N1 "$work/p" | tr -d ' ')$(od -An -tx1 -j18 -N1 "$work/p" | tr -d ' ')" = 0103 ]

# Unforced, the answer is the program's own: yes only when it ran to its
# exit status.
unset ORVELINE_RUNS_32BIT
probe_32bit
"$work/p" 2>/dev/null; status=$?
if [ "$status" -eq 42 ] && [ -x /usr/lib/wine/wine ]; then expected=yes; else expected=no; fi
check "unforced, the probe answers what executing the program showed ($expected)" [ "$runs_32bit" = "$expected" ]
check "no program is left behind" [ -z "$(ls -A "$work/build")" ]

# The scripts that source the probe run under set -euo pipefail: the probe
# must come back to them whatever the program answered, forced or not.
for forced in '' yes no; do
  answer=$(ORVELINE_RUNS_32BIT=$forced bash -c 'set -euo pipefail; root=$1; . "$2"
    probe_32bit; echo "reached $runs_32bit"' _ "$work" "$root_dir/scripts/machine.sh" 2>&1)
  check "under set -euo pipefail, ${forced:-unforced}, the probe returns ($answer)" \
    eval '[[ $answer == "reached ${forced:-$expected}" ]]'
done

# A program the kernel cannot load at all (machine 0) stands for a kernel
# that refuses 32-bit programs.
write_probe_program() {
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\000\000' >"$1"
  head -c 76 /dev/zero >>"$1"
  chmod +x "$1"
}
probe_32bit
check "a refused program means no" [ "$runs_32bit" = no ]
check "and the reason names the refusal: $why_not_32bit" eval '[[ $why_not_32bit == *"Exec format error"* ]]'

for forced in yes no; do
  ORVELINE_RUNS_32BIT=$forced probe_32bit
  check "ORVELINE_RUNS_32BIT=$forced is obeyed" [ "$runs_32bit" = "$forced" ]
done
check "a forced no gives its reason" [ -n "$why_not_32bit" ]
check "any other value is refused" eval '! ORVELINE_RUNS_32BIT=maybe probe_32bit 2>/dev/null'

checks_passed
