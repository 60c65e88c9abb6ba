#!/usr/bin/env bash
# Writes the seeds of the resource fuzz target into fuzz/pe_corpus/: a
# 32-bit and a 64-bit program of a few KB, linked by MinGW as the shipped
# programs are, each with a picture as a PNG and one as a bitmap, a product
# record and a numbered resource in a resource section, and relocations
# after it, as the shipped programs have them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"
out=$root/fuzz/pe_corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A pointer in data, so that the linker writes relocations.
cat >tiny.c <<'SOURCE'
static const char text[] = "x";
const char* volatile where = text;
int start(void) { return *where; }
SOURCE
printf '\x89PNG\r\n\x1a\n' >picture.png
head -c 40 /dev/zero >>picture.png
# A 1 x 1 bitmap of 32 bits: its file header, its header and one pixel.
printf 'BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x20\0' >picture.bmp
head -c 28 /dev/zero >>picture.bmp
cat >resources.rc <<'SCRIPT'
LANGUAGE 0x11, 0x01
TAL800  PNG    "picture.png"
TAL1280 BITMAP "picture.bmp"
LANGUAGE 0, 0
PRODUCT RCDATA
BEGIN
  "ORVL", 3, 38, 1, 0, 0, 0, 1280L, 2000L, 640L, 0L, 0, 0L
END
7 RCDATA { "x" }
SCRIPT

mkdir -p "$out"
for triplet in i686-w64-mingw32 x86_64-w64-mingw32; do
  entry=start
  [ "$triplet" = i686-w64-mingw32 ] && entry=_start
  step "$triplet-windres" resources.rc -O coff -o resources.o
  step "$triplet-gcc" -Os -fno-asynchronous-unwind-tables -nostdlib -nostartfiles -e "$entry" \
    -Wl,--dynamicbase -Wl,--no-insert-timestamp -s tiny.c resources.o -o "$out/tiny-${triplet%%-*}.exe"
  chmod 644 "$out/tiny-${triplet%%-*}.exe"
done
