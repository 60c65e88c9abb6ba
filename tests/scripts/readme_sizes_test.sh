#!/usr/bin/env bash
# The sizes the README gives are the built files' own, so that none goes
# stale: the shipped programs of both Windows builds with and without their
# pictures, byte for byte; the bytes of their pictures, as their PNG
# resources hold them; and the branding tool's, to within 5 %. The shipped
# programs also keep within the sizes we promise ourselves: 100 KB for the
# 32-bit one and 120 KB for the 64-bit one.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
# The README's text on one line, and the number a pattern ends on, without
# its thousands' commas.
readme=$(tr '\n' ' ' <"$root/README.md" | tr -s ' ')
figure() { grep -oP -- "$1\K[0-9,]+" <<<"$readme" | head -n 1 | tr -d ,; }
size() { stat -c %s "$1" 2>/dev/null || echo missing; }

for bits in 32 64; do
  build=$root/build/win$bits/launcher
  check "the README gives the $bits-bit program's size ($(size "$build/orveline.exe") bytes)" \
    [ "$(figure "the $bits-bit program is ")" = "$(size "$build/orveline.exe")" ]
  check "and the $bits-bit program's without its pictures ($(size "$build/orveline_bare.exe") bytes)" \
    [ "$(figure "the $bits-bit program would be ")" = "$(size "$build/orveline_bare.exe")" ]
  pictures=0
  for name in TAL800 TAL1280; do
    pictures=$((pictures + $(wrestool -x --raw --type=PNG --name=$name "$build/orveline.exe" | wc -c)))
  done
  check "and its pictures' bytes ($pictures)" [ "$(figure "its two pictures take ")" = "$pictures" ]
done
check "the 32-bit program is 102,400 bytes (100 KB) at the most" [ "$(size "$root/build/win32/launcher/orveline.exe")" -le 102400 ]
check "the 64-bit program is 122,880 bytes (120 KB) at the most" [ "$(size "$root/build/win64/launcher/orveline.exe")" -le 122880 ]

tool=$(size "$root/build/win32/brand/orveline-brand.exe")
said=$(figure "a 32-bit console program of about ")
within_5_percent() {  # within_5_percent KB BYTES
  [ -n "$1" ] && [ $(($1 * 1024 * 100)) -ge $(($2 * 95)) ] && [ $(($1 * 1024 * 100)) -le $(($2 * 105)) ]
}
check "the README gives the Windows tool's size ($said KB for $tool bytes)" within_5_percent "$said" "$tool"
check "the Windows tool is 409,600 bytes at the most" [ "$tool" -le 409600 ]
checks_passed
