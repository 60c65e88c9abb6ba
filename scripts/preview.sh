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
. "$root/scripts/common.sh"
# Built from the checkout's folder; the preview itself runs in the caller's.
(cd "$root" && step "$root/scripts/setup.sh" && step cmake --preset host &&
  step cmake --build --preset host --target show_preview) || exit 1
exec "$root/build/host/preview/show_preview" "$@"
