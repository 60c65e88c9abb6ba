#!/usr/bin/env bash
# The artwork command's product options, through the branding tool: wrong
# ones refused before anything is built, leaving an earlier program as it
# was; the shipped pictures and no option giving the shipped programs byte
# for byte, in a folder made for them; and every option giving programs
# that hold their icon, larger picture, texts in UTF-16 and timings.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
picture="$root/docs/contact-sheet.png"
failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
artwork() { "$root/scripts/build-with-artwork.sh" --fit "$@" >"$work/log" 2>&1; }

mkdir -p "$work/old"
echo earlier >"$work/old/orveline.exe"
refused=(
  "--fade-in -5" "--hold 60001" "--fade-out 1e3" "--version 1.2" "--version 1.2.3.65536"
  "--product ''" "--icon $work/missing.png" "--large-2x $work/missing.png" "--monitor left"
  "--silent-switches '/S  /Q'"
)
for options in "${refused[@]}"; do
  eval "set -- $options"
  artwork "$@" "$picture" "$picture" "$work/old/orveline.exe"
  status=$?
  check "$options is refused: $(tail -n 1 "$work/log")" [ "$status" -ne 0 ]
  check "and leaves the earlier program" [ "$(cat "$work/old/orveline.exe")" = earlier ]
done
artwork --title "$(printf 'a\tb')" "$picture" "$picture" "$work/old/orveline.exe"
check "a title with a control character is refused" [ $? -ne 0 ]

# Every product option.
check "with every option it builds" artwork --icon "$picture" --product "Über Größe" \
  --company "Société 日本" --version 2.5.1 --description "Installer für Größe" \
  --copyright "© 2026 Société" --title "Willkommen – 日本" --fade-in 700 --hold 0 \
  --fade-out 300 --large-2x "$picture" --silent-switches "/S /quiet" --wait --monitor cursor \
  "$picture" "$picture" "$work/vendor/setup-splash.exe"
holds_its_own() {
  ORVELINE_VENDOR_PROGRAM="$work/vendor/$1" ORVELINE_VENDOR_PRODUCT="Über Größe" \
    ORVELINE_VENDOR_TITLE="Willkommen – 日本" ORVELINE_VENDOR_COMPANY="Société 日本" \
    "$root/build/host/tests/programs/pe_header_tests" --gtest_filter='VendorsProgram.*' >"$work/log" 2>&1 ||
    { grep -E "Failure|not in|no " "$work/log"; return 1; }
}
record_times() {  # the fade in, hold and fade out of a program's product record
  wrestool -x --raw -t 10 -n PRODUCT "$1" | od -An -tu4 -j16 -N12 | xargs
}
for program in setup-splash.exe setup-splash64.exe; do
  check "$program holds its icon, larger picture and texts" holds_its_own "$program"
  check "and its timings" [ "$(record_times "$work/vendor/$program")" = "700 0 300" ]
  check "and both flags" [ "$(wrestool -x --raw -t 10 -n PRODUCT "$work/vendor/$program" | od -An -tu4 -j28 -N4 | xargs)" = 3 ]
  check "and its silent switches" [ "$(wrestool -x --raw -t 10 -n PRODUCT "$work/vendor/$program" | tail -c 11 | od -An -c | tr -s ' ')" = " \t \0 / S / q u i e t" ]
done
check "its previews are written" test -s "$work/vendor/setup-splash-preview.png" \
  -a -s "$work/vendor/setup-splash-preview-2x.png"

# Then the shipped pictures and no product option, after every one: the
# shipped programs, with nothing of the vendor's left in them.
check "without options it builds into a new folder" \
  "$root/scripts/build-with-artwork.sh" "$root/resources/tal800.png" "$root/resources/tal1280.png" \
  "$work/new/folder/orveline.exe"
check "and its programs are the shipped ones, byte for byte" \
  cmp "$work/new/folder/orveline.exe" "$root/build/win32/launcher/orveline.exe"
check "both of them" cmp "$work/new/folder/orveline64.exe" "$root/build/win64/launcher/orveline.exe"

[ "$failures" -eq 0 ]
