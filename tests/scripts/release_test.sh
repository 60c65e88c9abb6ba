#!/usr/bin/env bash
# The release archive: one folder orveline-VERSION/ with exactly the two
# programs, the branding tool, the README, the licence, zlib's licence and
# SHA256SUMS, whose sums hold; the README gives its size; and two runs give
# the same archive, byte for byte.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(head -n 1 "$root/VERSION")
archive="orveline-$version-windows.zip"
check "the release is written" eval "'$root/scripts/release.sh' '$work/first' >'$work/log' 2>&1"
check "a second run too" eval "'$root/scripts/release.sh' '$work/second' >'$work/log' 2>&1"
check "the same archive, byte for byte" cmp -s "$work/first/$archive" "$work/second/$archive"
listing=$(unzip -Z1 "$work/first/$archive" | sort | xargs)
wanted="orveline-$version/LICENSE orveline-$version/LICENSE.zlib orveline-$version/README.md"
wanted+=" orveline-$version/SHA256SUMS"
wanted+=" orveline-$version/orveline-brand.exe orveline-$version/orveline.exe orveline-$version/orveline64.exe"
check "it holds exactly the release's files in one folder ($listing)" [ "$listing" = "$wanted" ]
(cd "$work" && unzip -q "first/$archive")
check "its sums hold for every other file" eval "(cd '$work/orveline-$version' && sha256sum -c --quiet SHA256SUMS)"
check "and cover them all" [ "$(wc -l <"$work/orveline-$version/SHA256SUMS")" -eq 6 ]
check "its programs are the builds' own" cmp -s "$work/orveline-$version/orveline64.exe" \
  "$root/build/win64/launcher/orveline.exe"
check "its tool is the 32-bit one" eval "i686-w64-mingw32-objdump -f '$work/orveline-$version/orveline-brand.exe' | grep -q 'pei-i386'"
check "its licence is the zlib licence" grep -q "Copyright (c) 2026 the Orveline authors" \
  "$work/orveline-$version/LICENSE"
# The tool links zlib, whose licence asks that its notice stay with it.
check "and zlib's own notice is beside it" \
  grep -q "Copyright (C) 1995-2022 Jean-loup Gailly and Mark Adler" "$work/orveline-$version/LICENSE.zlib"
check "the very text of zlib.h's" eval "sed -n 4,20p /usr/include/zlib.h | sed 's/^  //' | cmp -s - <(sed -n 4,20p '$work/orveline-$version/LICENSE.zlib')"
zip_kb=$(( ($(stat -c %s "$work/first/$archive") + 512) / 1024 ))
said=$(tr '\n' ' ' <"$root/README.md" | grep -oP "$archive\` \(about \K[0-9]+(?= KB)" | head -n 1)
within_10_percent() { [ -n "$1" ] && [ $(($1 * 100)) -ge $(($2 * 90)) ] && [ $(($1 * 100)) -le $(($2 * 110)) ]; }
check "the README gives its size, about $said KB for $zip_kb KB" within_10_percent "$said" "$zip_kb"
checks_passed
