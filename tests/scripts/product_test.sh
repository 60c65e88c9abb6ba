#!/usr/bin/env bash
# The artwork command's product options, through the branding tool: wrong
# ones refused before anything is built, leaving an earlier program as it
# was; the shipped pictures and no option giving the shipped programs byte
# for byte, in a folder made for them; and every option giving programs
# that hold their icon, larger picture, texts in UTF-16 and timings.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
picture="$root/docs/contact-sheet.png"
. "$root/tests/scripts/vendor_program.sh"
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
# Without --fit, a picture at 125 % must be 396 x 295: the large one is
# refused, and one of that size (a frame of the preview on a screen that
# size) lands as its resource.
"$root/build/host/preview/show_preview" --screen 396x295 --frame 128 "$work/at125.png" >/dev/null
plain() { "$root/scripts/build-with-artwork.sh" "$@" >"$work/log" 2>&1; }
plain --large-at 125 "$root/resources/tal1280.png" "$root/resources/tal800.png" "$root/resources/tal1280.png" \
  "$work/old/orveline.exe"
status=$?
check "a --large-at 125 picture of the wrong size is refused: $(tail -n 1 "$work/log")" \
  [ $status -eq 1 -a "$(cat "$work/old/orveline.exe")" = earlier ]
check "one of its size builds, with a preview at 125 %" plain --large-at 125 "$work/at125.png" \
  "$root/resources/tal800.png" "$root/resources/tal1280.png" "$work/scaled/orveline.exe"
check "and lands as TAL1280X125" [ "$(picture_size "$work/scaled/orveline64.exe" TAL1280X125)" = "396 295" ]
check "its preview shows it" test -s "$work/scaled/orveline-preview-125.png"
artwork --title "$(printf 'a\tb')" "$picture" "$picture" "$work/old/orveline.exe"
check "a title with a control character is refused" [ $? -ne 0 ]

# Every product option.
every_option "$picture" "$picture"
check "with every option it builds" artwork "${every[@]}" "$picture" "$picture" "$work/vendor/setup-splash.exe"
for program in setup-splash.exe setup-splash64.exe; do
  check_vendor_program "$work/vendor/$program"
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

checks_passed
