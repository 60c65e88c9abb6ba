#!/usr/bin/env bash
# Writes the release a Windows vendor downloads: dist/orveline-VERSION-windows.zip
# (or into the folder named), one folder orveline-VERSION/ holding both
# programs, the branding tool, the README, the licence, zlib's licence (the
# tool links zlib) and SHA256SUMS.
# Installs what is missing and builds what it needs. The same sources give
# the same archive, byte for byte: fixed times, modes and order.
#
#   ./scripts/release.sh [OUTPUT_FOLDER]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"
outdir=$(realpath -m "${1:-$root/dist}")
cd "$root"
"$root/scripts/setup.sh"

version=$(head -n 1 VERSION)
jobs=$(nproc 2>/dev/null || echo 2)
for bits in 32 64; do
  step cmake --preset "win$bits"
  step cmake --build --preset "win$bits" --target orveline orveline-brand -j "$jobs"
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder="orveline-$version"
mkdir "$stage/$folder"
cp build/win32/launcher/orveline.exe "$stage/$folder/orveline.exe"
cp build/win64/launcher/orveline.exe "$stage/$folder/orveline64.exe"
# 32-bit, so that every Windows runs it.
cp build/win32/brand/orveline-brand.exe "$stage/$folder/orveline-brand.exe"
cp README.md LICENSE LICENSE.zlib "$stage/$folder/"
(cd "$stage/$folder" &&
  LC_ALL=C sha256sum LICENSE LICENSE.zlib README.md orveline-brand.exe orveline.exe orveline64.exe >SHA256SUMS)

# The time of the commit the release is made from (or a fixed one), in UTC,
# on every entry; ordinary modes; no owner or extra attributes.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)
chmod 755 "$stage/$folder"
chmod 644 "$stage/$folder"/*
find "$stage/$folder" -exec touch -h -d "@$stamp" {} +
archive="$outdir/$folder-windows.zip"
mkdir -p "$outdir"
rm -f "$archive"
(cd "$stage" && LC_ALL=C TZ=UTC zip -q -X -D "$archive" \
  $(cd "$stage" && LC_ALL=C ls -d "$folder"/* | sort))
echo "release: wrote $archive ($(stat -c %s "$archive") bytes)"
(cd "$stage" && LC_ALL=C TZ=UTC unzip -Z -l "$archive" | sed 's/^/release:   /')
