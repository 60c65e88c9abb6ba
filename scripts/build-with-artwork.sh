#!/usr/bin/env bash
# Builds orveline.exe with your own two pictures in place of the built-in
# ones: installs what is missing, builds the packer natively, packs the PNGs
# into build/artwork/pictures/, builds the 32-bit program in build/artwork/
# and the 64-bit one in build/artwork64/, copies both out, and writes a
# preview of the show beside them (OUTPUT-preview.png). The 64-bit program
# is named after OUTPUT with 64 added: orveline64.exe by default.
#
#   ./scripts/build-with-artwork.sh [--fit] SMALL.png LARGE.png [OUTPUT.exe]
#
# SMALL.png is shown on screens up to 800 pixels wide and must be 195 x 145;
# LARGE.png on wider screens and must be 317 x 236. With --fit, pictures of
# another size are scaled to fit inside, centred on a transparent border.
# OUTPUT.exe defaults to orveline.exe in the current folder. Paths are taken
# from the folder you run the command in.
set -euo pipefail

usage() {
  echo "usage: $0 [--fit] SMALL.png LARGE.png [OUTPUT.exe]" >&2
  exit 2
}

# Every build step quiet while it goes well; a failing one shows its output
# and ends the command.
step() {
  quietly "$@" || { echo "build-with-artwork: failed: $*" >&2; exit 1; }
}

fit=()
if [ "${1:-}" = --fit ]; then
  fit=(--fit)
  shift
fi
[ $# -eq 2 ] || [ $# -eq 3 ] || usage
for arg in "$@"; do
  case "$arg" in -*) usage ;; esac
done

# The caller's paths, before anything changes folder.
absolute() { case "$1" in /*) printf '%s\n' "$1" ;; *) printf '%s\n' "$PWD/$1" ;; esac; }
small=$(absolute "$1")
large=$(absolute "$2")
output=$(absolute "${3:-orveline.exe}")
# A folder (an existing one, or a name ending in /) gets orveline.exe inside.
case "$output" in */) output="${output}orveline.exe" ;; esac
[ -d "$output" ] && output="$output/orveline.exe"
for picture in "$small" "$large"; do
  [ -f "$picture" ] || { echo "build-with-artwork: no such file: $picture" >&2; exit 1; }
done
[ -d "$(dirname "$output")" ] ||
  { echo "build-with-artwork: no such folder: $(dirname "$output")" >&2; exit 1; }

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/quietly.sh"
cd "$root"
"$root/scripts/setup.sh"

jobs=$(nproc 2>/dev/null || echo 2)
build=build/artwork
pictures="$root/$build/pictures"

echo "build-with-artwork: building the packer and the preview (build/host)"
step cmake --preset host
step cmake --build --preset host --target pack_artwork show_preview -j "$jobs"

echo "build-with-artwork: packing the pictures into $build/pictures/"
build/host/tools/pack_artwork "${fit[@]}" "$small" "$large" "$pictures"

# The 64-bit program goes beside the 32-bit one: OUTPUT.exe gives OUTPUT64.exe.
case "$output" in
  *.[eE][xX][eE]) output64="${output%.*}64.${output##*.}" ;;
  *) output64="${output}64" ;;
esac

echo "build-with-artwork: building the 32-bit orveline.exe ($build)"
step cmake --preset win32 -B "$build" -DORVELINE_ARTWORK_DIR="$pictures"
step cmake --build "$build" --target orveline -j "$jobs"
echo "build-with-artwork: building the 64-bit orveline.exe (${build}64)"
step cmake --preset win64 -B "${build}64" -DORVELINE_ARTWORK_DIR="$pictures"
step cmake --build "${build}64" --target orveline -j "$jobs"

# Copied under temporary names first, and moved into place only once both
# are there, so that neither program is ever half written.
cp "$build/launcher/orveline.exe" "$output.part"
cp "${build}64/launcher/orveline.exe" "$output64.part"
mv -f "$output.part" "$output"
mv -f "$output64.part" "$output64"
echo "build-with-artwork: wrote $output, 32-bit ($(stat -c %s "$output") bytes)"
echo "build-with-artwork: wrote $output64, 64-bit ($(stat -c %s "$output64") bytes)"

# What the show will look like, from the pictures just built in.
build/host/tools/show_preview --pictures "$pictures" "${output%.*}-preview.png" >/dev/null
echo "build-with-artwork: its show on a 1024 x 768 screen: ${output%.*}-preview.png"
