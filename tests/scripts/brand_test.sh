#!/usr/bin/env bash
# The branding tool on the shipped programs of both Windows builds: the
# shipped pictures and no option give the shipped programs byte for byte;
# every option gives programs holding the vendor's resources, the pictures
# as PNGs and no bitmaps; the large picture at all six scales fits in
# 300 KB; the Windows tool under Wine writes the same bytes as the native
# one, the pictures at all six scales among them, and where the
# output's name runs past MAX_PATH, and what it says into a file is UTF-8;
# and every bad input or output that cannot be replaced is refused with one
# line by either tool, writing nothing and leaving earlier outputs byte for
# byte as they were.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/machine.sh"
. "$root/scripts/xdisplay.sh"
. "$root/scripts/common.sh"
. "$root/tests/scripts/vendor_program.sh"
probe_32bit >/dev/null || exit 1
work=$(mktemp -d)
trap 'stop_display; rm -rf "$work"' EXIT
brand="$root/build/host/brand/orveline-brand"
mkdir -p "$work/templates"
cp "$root/build/win32/launcher/orveline.exe" "$work/templates/orveline.exe"
cp "$root/build/win64/launcher/orveline.exe" "$work/templates/orveline64.exe"
small="$root/resources/tal800.png" large="$root/resources/tal1280.png"
picture="$root/docs/contact-sheet.png"
run() { "$brand" --templates "$work/templates" "$@" >"$work/log" 2>&1; }

check "the shipped pictures and no option write programs" run "$small" "$large" "$work/plain/orveline.exe"
check "the 32-bit one is the shipped one, byte for byte" cmp -s "$work/plain/orveline.exe" "$work/templates/orveline.exe"
check "so is the 64-bit one" cmp -s "$work/plain/orveline64.exe" "$work/templates/orveline64.exe"

every_option "$picture" "$picture"
check "every option writes programs" run "${every[@]}" "$picture" "$picture" "$work/vendor/setup-splash.exe"
for program in setup-splash.exe setup-splash64.exe; do
  check_vendor_program "$work/vendor/$program"
  check "and its pictures as PNGs, no bitmaps" pictures_as_pngs "$work/vendor/$program"
done

# A picture at 125 %, 396 x 295 (a frame of the preview on a screen that
# size), lands as its own resource; the 200 % one keeps its name.
"$root/build/host/preview/show_preview" --screen 396x295 --frame 128 "$work/at125.png" >/dev/null
check "a --large-at 125 picture of its size writes programs" \
  run --large-at 125 "$work/at125.png" --large-2x "$picture" --fit "$small" "$large" "$work/scaled/orveline.exe"
for program in orveline.exe orveline64.exe; do
  check "$program holds it as TAL1280X125" [ "$(picture_size "$work/scaled/$program" TAL1280X125)" = "396 295" ]
  check "and the 200 % one as TAL1280X2" [ "$(picture_size "$work/scaled/$program" TAL1280X2)" = "634 472" ]
done

# The shipped large picture at every scale: the programs stay within 300 KB
# each, and the README gives the 32-bit one's size.
scales=()
while read -r percent _; do scales+=(--large-at "$percent" "$large"); done < <("$root/build/host/tools/pack_artwork" --scales)
check "the shipped pictures at all six scales write programs" \
  run --fit "${scales[@]}" "$small" "$large" "$work/all-scales/orveline.exe"
for program in orveline.exe orveline64.exe; do
  size=$(stat -c %s "$work/all-scales/$program")
  check "$program holds all six and is $size bytes, 307,200 at the most" [ "$size" -le 307200 ]
  check "with its pictures as PNGs, no bitmaps" pictures_as_pngs "$work/all-scales/$program"
done
readme_size=$(tr '\n' ' ' <"$root/README.md" | grep -oP 'at all six scales[^0-9]*\K[0-9,]+(?= bytes)' | head -n 1 | tr -d ,)
check "the README gives that size for the 32-bit one ($readme_size)" \
  [ "$readme_size" = "$(stat -c %s "$work/all-scales/orveline.exe")" ]

# The Windows tool, under Wine where this machine runs its build, writes
# the same bytes.
windows=win32
[ "$runs_32bit" = yes ] || windows=win64
start_display >/dev/null
cp "$root/build/$windows/brand/orveline-brand.exe" "$work/templates/"
# Names in other scripts, as Explorer and the shells pass them.
mkdir -p "$work/Bilder Größe"
cp "$picture" "$work/Bilder Größe/画像 1.png"
wrun() { "$root/build/$windows/wine-run.sh" "$work/templates/orveline-brand.exe" "$@" >"$work/log" 2>&1; }
check "the Windows tool ($windows) under Wine writes programs" \
  eval '"$root/build/$windows/wine-run.sh" "$work/templates/orveline-brand.exe" "${every[@]}" \
        "$work/Bilder Größe/画像 1.png" "$picture" "Z:$work/wine/出力/setup-splash.exe" >"$work/said" 2>"$work/log"'
for program in setup-splash.exe setup-splash64.exe; do
  check "the same bytes as the native tool: $program" cmp -s "$work/wine/出力/$program" "$work/vendor/$program"
done
# Its PNGs are the same bytes too, the large picture at every scale.
check "the Windows tool writes the pictures at all six scales" \
  wrun --fit "${scales[@]}" "$small" "$large" "Z:$work/wine/all-scales/orveline.exe"
for program in orveline.exe orveline64.exe; do
  check "the same bytes as the native tool: $program at all six scales" \
    cmp -s "$work/wine/all-scales/$program" "$work/all-scales/$program"
done
# Output that is not a console stays UTF-8, line ends as the C runtime
# writes them to a file.
printf 'orveline-brand: wrote %s, %s-bit (%s bytes)\r\n' \
  "Z:$work/wine/出力/setup-splash.exe" 32 "$(stat -c %s "$work/wine/出力/setup-splash.exe")" \
  "Z:$work/wine/出力/setup-splash64.exe" 64 "$(stat -c %s "$work/wine/出力/setup-splash64.exe")" >"$work/expected"
check "and says so in UTF-8, byte for byte, into a file" cmp "$work/said" "$work/expected"
wrun "$work/Bilder Größe/fehlt.png" "$large" "$work/wine/refused.exe"
check "and refuses in UTF-8 too" grep -qF "orveline-brand: cannot open $work/Bilder Größe/fehlt.png: " "$work/log"

# Names past MAX_PATH (260 characters with the closing NUL, as Windows
# counts them): an output that just fits, whose temporary and 64-bit names
# do not, and one of 300 characters. Wine opens such names whatever their
# form; Windows only in the extended one, so the test reads which form the
# file calls got from Wine's trace of them.
extended_names_only() {  # extended_names_only TRACE FOLDER_NAME
  local names
  names=$(grep -E 'trace:file:(CreateFileW|GetFileAttributesW|DeleteFileW|CreateDirectoryW|MoveFileWithProgressW)' "$1" |
    grep -oE 'L"[^"]*"' | grep -F "\\\\$2\\\\")
  [ -n "$names" ] && ! grep -vF 'L"\\\\?\\' <<<"$names"
}
for length in 259 300; do
  target=$((length - 19))  # the folder's: "Z:", a slash and setup-splash.exe besides
  folder=$work/long
  while [ $((${#folder} + 62)) -le "$target" ]; do folder+=/$(printf 'l%.0s' $(seq 59)); done
  folder+=/$(printf 'd%.0s' $(seq $((target - ${#folder} - 1))))
  long=$folder/setup-splash.exe
  check "the Windows tool writes programs at a name of $((${#long} + 2)) characters" \
    eval 'ORVELINE_WINEDEBUG=trace+file "$root/build/$windows/wine-run.sh" "$work/templates/orveline-brand.exe" \
          "$small" "$large" "Z:$long" >"$work/log" 2>"$work/trace"'
  check "which read back as the shipped ones" \
    eval 'cmp -s "$long" "$work/templates/orveline.exe" && cmp -s "${long%.exe}64.exe" "$work/templates/orveline64.exe"'
  check "and leave nothing beside them" [ "$(ls "$folder" | wc -l)" -eq 2 ]
  check "every file call there got the name's extended form" extended_names_only "$work/trace" long
  rm -rf "$work/long"
done
# Read whole before it is looked at: grep -q would stop reading at the first
# match, and the tool, still writing, could then end on a broken pipe.
said=$("$root/build/$windows/wine-run.sh" "$work/templates/orveline-brand.exe" --version)
check "the Windows tool says its version" grep -q "^orveline-brand $(cat "$root/VERSION")" <<<"$said"

help=$("$brand" --help)
for option in --fit --icon --product --company --version --description --copyright --title \
              --fade-in --hold --fade-out --large-at --large-2x --templates --sign-command --check --help \
              --silent-switches --wait --monitor; do
  [[ $help == *"$option "* ]] || { echo "FAILED: --help does not list $option"; failures=$((failures + 1)); }
done
# The tool's default timings are the show's: the artwork command gives the
# preview only the timings a vendor chose, and the README names them.
read -r -a timings <<<"$(grep -oP -- '--(fade-in|hold|fade-out) MS +[^(]*\(\K[0-9]+' <<<"$help" | xargs)"
"$root/build/host/preview/show_preview" "$work/defaults.png" >/dev/null
"$root/build/host/preview/show_preview" --fade-in "${timings[0]}" --hold "${timings[1]}" \
  --fade-out "${timings[2]}" "$work/given.png" >/dev/null
check "the preview's show without timings is the tool's (${timings[*]})" cmp -s "$work/defaults.png" "$work/given.png"
check "the README gives the same defaults" \
  grep -q "(defaults ${timings[0]}, ${timings[1]} and ${timings[2]};" "$root/README.md"

# Every refusal: one line, a status of 1, and the earlier outputs byte for
# byte as they were, by the native tool and the Windows one under Wine.
mkdir -p "$work/not-ours"
printf 'earlier 32\r\n\0\377' >"$work/earlier.exe"
printf 'earlier 64\r\n\0\376' >"$work/earlier64.exe"
head -c 300 "$picture" >"$work/truncated.png"
head -c 30 "$root/build/win32/launcher/orveline.exe" >"$work/damaged.ico"
cp "$root/build/win32/testing/setup/setup.exe" "$work/not-ours/orveline.exe"
cp "$root/build/win64/testing/setup/setup.exe" "$work/not-ours/orveline64.exe"
# The shipped programs as another version of Orveline would have them: the
# version its product record carries, one higher.
mkdir -p "$work/other-version"
for program in orveline.exe orveline64.exe; do
  cp "$work/templates/$program" "$work/other-version/$program"
  at=$(grep -obUaP 'ORVL\x03\x00' "$work/other-version/$program" | head -n 1 | cut -d: -f1)
  printf '\x63' | dd of="$work/other-version/$program" bs=1 seek=$((at + 8)) conv=notrunc status=none
done
touch "$work/a-file"
# The earlier outputs, and what a row does to them first: the 64-bit
# output's name taken by a folder, or that program read-only. The Windows
# tool leaves out the rows its shell would answer in a line of its own.
earlier_outputs() {  # earlier_outputs SETUP
  chmod -R u+w "$work/old" 2>/dev/null
  rm -rf "$work/old"
  mkdir -p "$work/old"
  cp "$work/earlier.exe" "$work/old/orveline.exe"
  case "$1" in
    folder64) mkdir -p "$work/old/orveline64.exe/inside" ;;
    *) cp "$work/earlier64.exe" "$work/old/orveline64.exe" ;;
  esac
  [ "$1" = readonly64 ] && chmod a-w "$work/old/orveline64.exe"
  return 0
}
as_they_were() {  # as_they_were SETUP
  cmp -s "$work/old/orveline.exe" "$work/earlier.exe" || return 1
  case "$1" in
    folder64) [ -d "$work/old/orveline64.exe/inside" ] ;;
    *) cmp -s "$work/old/orveline64.exe" "$work/earlier64.exe" ;;
  esac
}
refusals=(
  "a damaged PNG|-|$work/truncated.png|$large|$work/old/orveline.exe"
  "a picture of the wrong size|-|$picture|$large|$work/old/orveline.exe"
  "a --large-at 125 picture of the wrong size|-|--large-at|125|$large|$small|$large|$work/old/orveline.exe"
  "a scale the launcher has not|-|--large-at|120|$work/at125.png|$small|$large|$work/old/orveline.exe"
  "a damaged icon|-|--icon|$work/damaged.ico|$small|$large|$work/old/orveline.exe"
  "programs not ours|-|--templates|$work/not-ours|$small|$large|$work/old/orveline.exe"
  "another version's programs|-|--templates|$work/other-version|$small|$large|$work/old/orveline.exe"
  "an output naming a template|-|$small|$large|$work/templates/orveline.exe"
  "a folder that cannot be made|-|$small|$large|$work/a-file/sub/orveline.exe"
  "a failing signing command|native|--sign-command|false {}|$small|$large|$work/old/orveline.exe"
  "the 64-bit output's name a folder|folder64|--product|Other|$small|$large|$work/old/orveline.exe"
  "the 64-bit output read-only|readonly64|--product|Other|$small|$large|$work/old/orveline.exe"
)
for tool in native "$windows"; do
  for row in "${refusals[@]}"; do
    IFS='|' read -r -a words <<<"$row"
    setup=${words[1]}
    [ "$setup" = native ] && { [ "$tool" = native ] || continue; }
    earlier_outputs "$setup"
    if [ "$tool" = native ]; then run "${words[@]:2}"; else wrun "${words[@]:2}"; fi
    status=$?
    check "$tool: ${words[0]} is refused with one line: $(head -n 1 "$work/log")" \
      [ "$status" -eq 1 -a "$(wc -l <"$work/log")" -eq 1 ]
    check "and the earlier outputs are as they were, byte for byte" as_they_were "$setup"
    check "and nothing is left half written" [ -z "$(ls "$work/old" | grep -v '^orveline\(64\)\?\.exe$')" ]
  done
done
check "the message says what is where" grep -q "old/orveline64.exe is read-only; nothing was written" "$work/log"
chmod -R u+w "$work/old"

# In a folder whose name the shell would otherwise expand.
signed="$work/it's \$HOME \"\`q\`\\"
check "the signing command runs on both programs before they are in place" \
  run --sign-command "printf SIGNED >>{}" "$small" "$large" "$signed/orveline.exe"
for program in orveline.exe orveline64.exe; do
  check "$program was signed" [ "$(tail -c 6 "$signed/$program")" = SIGNED ]
  check "and the size given is the signed file's" \
    grep -qE "/$program, (32|64)-bit, signed \($(stat -c %s "$signed/$program") bytes\)$" "$work/log"
done

checks_passed
