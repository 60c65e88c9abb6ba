#!/usr/bin/env bash
# Runs the launcher: installs what is missing and builds everything. The show
# itself (orveline.exe) is not built yet; until it is, this stops after the
# build and says so.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"

jobs=$(nproc 2>/dev/null || echo 2)
for preset in host win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

cat <<'TXT'

Built: the surface, blending, display and picture-loading code, natively
(build/host) and for 32-bit Windows (build/win32), with their tests.
The built-in pictures are resources/tal800.bmp and resources/tal1280.bmp.
The show itself is not built yet: there is no orveline.exe to run so far.
TXT
