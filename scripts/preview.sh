#!/usr/bin/env bash
# Previews the show without Windows: installs what is missing, builds the
# preview tool natively and runs it with your arguments, from the folder you
# run the command in. Without options it draws the built-in pictures over a
# generated 1024 x 768 desktop:
#
#   ./scripts/preview.sh sheet.png
#   ./scripts/preview.sh --pictures build/artwork/pictures --background shot.png sheet.png
#
# ./scripts/preview.sh --help lists every option.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Quiet while all goes well; the whole output when the build fails.
if ! (cd "$root" && "$root/scripts/setup.sh" && cmake --preset host &&
      cmake --build --preset host --target show_preview) >"$log" 2>&1; then
  cat "$log" >&2
  echo "preview: the build failed" >&2
  exit 1
fi
exec "$root/build/host/preview/show_preview" "$@"
