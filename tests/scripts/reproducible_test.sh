#!/usr/bin/env bash
# The same sources and pictures give byte-identical programs, whatever the
# folder they are in, the folder they are built in, or the time: each
# program, and the branding tool a release ships beside them, is built from
# two copies of the sources, in folders of different names and lengths, a
# while apart, and the two files are compared.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT


for copy in a long-folder-name-b; do
  mkdir -p "$work/$copy/src"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
     xargs -0 tar -cf - 2>/dev/null) | tar -xf - -C "$work/$copy/src" || die "FAILED: copying the sources"
done

for preset in win32 win64; do
  for copy in a long-folder-name-b; do
    src="$work/$copy/src"
    quietly cmake -S "$src" --preset "$preset" -B "$work/$copy/build-$preset" &&
      quietly cmake --build "$work/$copy/build-$preset" --target orveline orveline_bare orveline-brand -j "$jobs" ||
      die "FAILED: $preset did not build in $copy (above)"
    sleep 1  # another second on the clock for the second build
  done
  for program in launcher/orveline.exe launcher/orveline_bare.exe brand/orveline-brand.exe; do
    first="$work/a/build-$preset/$program"
    second="$work/long-folder-name-b/build-$preset/$program"
    echo "$preset $program: $(sha256sum "$first" | cut -c1-16) $(sha256sum "$second" | cut -c1-16)"
    if cmp -s "$first" "$second"; then
      echo "ok: $preset $program is the same from both folders"
    else
      echo "FAILED: $preset $program differs: $(cmp "$first" "$second" | head -n 1)"
      failures=$((failures + 1))
    fi
  done
done
checks_passed
