#!/usr/bin/env bash
# Makes your own orveline.exe from the shipped one: installs what is missing,
# builds the branding tool natively and the shipped programs, and has the
# tool write both programs with your pictures (and product options) in
# place of the built-in ones, the same bytes orveline-brand.exe writes on
# Windows. Writes a preview of the show beside them (OUTPUT-preview.png).
# The 64-bit program is named after OUTPUT with 64 added: orveline64.exe by
# default.
#
#   ./scripts/build-with-artwork.sh [--fit] [PRODUCT OPTIONS] [SIGNING] SMALL.png LARGE.png [OUTPUT.exe]
#
# SMALL.png is shown on screens up to 800 pixels wide, LARGE.png on wider
# screens, each at the size orveline-brand --help gives. With --fit,
# pictures of another size are scaled to fit inside, centred on a
# transparent border. OUTPUT.exe defaults to orveline.exe in the current
# folder. Paths are taken from the folder you run the command in.
#
# PRODUCT OPTIONS make the program the vendor's own: --icon, --product,
# --company, --version, --description, --copyright, --title, --fade-in,
# --hold, --fade-out, --large-at, --large-2x, --silent-switches, --wait,
# --until-window and --monitor, as orveline-brand --help gives them, with
# their defaults and limits (the README's "Your own product" says what each
# changes). With the shipped pictures and no option, the programs are the
# shipped ones, byte for byte.
#
# SIGNING, --sign with --pkcs12 FILE or --cert FILE --key FILE, and
# --password-file FILE and --timestamp URL if need be, signs both programs
# with Authenticode, with the output's name (orveline) as the program's
# description: scripts/sign.sh says how, and where the password comes from.
#
# Every option is checked before anything is built; a refusal writes
# nothing, and a failed signing leaves earlier programs as they were.
set -euo pipefail

usage() {
  echo "usage: $0 [--fit] [PRODUCT OPTIONS] [--sign (--pkcs12 FILE | --cert FILE --key FILE)" \
       "[--password-file FILE] [--timestamp URL]] SMALL.png LARGE.png [OUTPUT.exe]" >&2
  echo "product options: --icon FILE, --product NAME, --company NAME, --version X.Y.Z[.W]," \
       "--description TEXT, --copyright TEXT, --title TEXT, --fade-in MS, --hold MS," \
       "--fade-out MS, --large-at PERCENT FILE, --large-2x FILE, --silent-switches LIST, --wait," \
       "--until-window MS, --monitor primary|cursor (see the README's \"Your own product\")" >&2
  exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"
. "$root/scripts/sign.sh"

fit=()
sign=no
signing=()  # checked by sign.sh
product=()  # passed on to the branding tool, which checks them
timings=()  # the ones given, for the preview, whose defaults are the tool's
scaled=()   # PERCENT FILE pairs, for the previews
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --fit) fit=(--fit) ;;
    --wait) product+=(--wait) ;;
    --sign) sign=yes ;;
    --pkcs12 | --cert | --key | --password-file | --timestamp | \
    --product | --company | --version | --description | --copyright | --title | --icon | \
    --large-2x | --fade-in | --hold | --fade-out | --silent-switches | --until-window | --monitor)
      [ $# -ge 2 ] || die "$1 needs a value"
      case "$1" in
        --pkcs12 | --cert | --key | --password-file | --timestamp) signing+=("$1" "$2") ;;
        --icon) product+=("$1" "$(absolute "$2")") ;;
        --large-2x) product+=("$1" "$(absolute "$2")") scaled+=(200 "$(absolute "$2")") ;;
        --fade-in | --hold | --fade-out) product+=("$1" "$2") timings+=("$1" "$2") ;;
        *) product+=("$1" "$2") ;;
      esac
      shift ;;
    --large-at)
      [ $# -ge 3 ] || die "--large-at needs a percent and a file"
      scaled+=("$2" "$(absolute "$3")")
      product+=("$1" "$2" "$(absolute "$3")")
      shift 2 ;;
    -*) usage ;;
    *) args+=("$1") ;;
  esac
  shift
done
[ ${#args[@]} -eq 2 ] || [ ${#args[@]} -eq 3 ] || usage

small=$(absolute "${args[0]}")
large=$(absolute "${args[1]}")
output=$(absolute "${args[2]:-orveline.exe}")
# A folder (an existing one, or a name ending in /) gets orveline.exe inside.
case "$output" in */) output="${output}orveline.exe" ;; esac
[ -d "$output" ] && output="$output/orveline.exe"
for picture in "$small" "$large"; do
  [ -f "$picture" ] || die "no such file: $picture"
done
# A folder that is not there yet is made, once everything has been built.
outdir=$(dirname "$output")
[ ! -e "$outdir" ] || [ -d "$outdir" ] || die "not a folder: $outdir"

if [ "$sign" = no ]; then
  [ ${#signing[@]} -eq 0 ] || die "${signing[0]} is for signing: add --sign, or leave it out"
else
  read_signing "${signing[@]}" --name "$(basename "${output%.*}")"
  product+=(--sign-command "$(signing_command)")
fi

cd "$root"
"$root/scripts/setup.sh"

jobs=$(nproc 2>/dev/null || echo 2)
brand=build/host/brand/orveline-brand
pictures="$root/build/artwork/pictures"

echo "build-with-artwork: building the branding tool and the preview (build/host)"
step cmake --preset host
step cmake --build --preset host --target orveline-brand pack_artwork show_preview -j "$jobs"
# Every option and picture is checked before the long builds.
"$brand" --check "${fit[@]}" "${product[@]}" "$small" "$large" "$output" ||
  die "nothing was built: the branding tool refused what it was given (it said why above)"

echo "build-with-artwork: building the shipped programs (build/win32, build/win64)"
templates="$root/build/artwork/templates"
for bits in 32 64; do
  step cmake --preset "win$bits"
  step cmake --build --preset "win$bits" --target orveline -j "$jobs"
done
mkdir -p "$templates"
cp build/win32/launcher/orveline.exe "$templates/orveline.exe"
cp build/win64/launcher/orveline.exe "$templates/orveline64.exe"

# The tool writes both programs under temporary names, signs them there when
# asked, and moves them into place only once both are whole: on any failure
# earlier outputs stay as they were.
echo "build-with-artwork: writing your programs with the branding tool$([ "$sign" = no ] || echo ', and signing them')"
"$brand" --templates "$templates" "${fit[@]}" "${product[@]}" "$small" "$large" "$output" |
  sed 's/^orveline-brand: /build-with-artwork: /'

# What the show will look like, from the same pictures and timings.
step build/host/tools/pack_artwork "${fit[@]}" "$small" "$large" "$pictures"
build/host/preview/show_preview --pictures "$pictures" "${timings[@]}" "${output%.*}-preview.png" >/dev/null
echo "build-with-artwork: its show on a 1024 x 768 screen: ${output%.*}-preview.png"
# The launcher's choice at each scale given, each on a screen at exactly
# that scale; the tool has checked the percents. The packer prints the
# show's table of scales: each percent's bitmap file, by which the preview
# finds it (tal1280x125.bmp, and tal1280x2.bmp for 200 %).
declare -A scale_file
scales=$(build/host/tools/pack_artwork --scales)
while read -r percent file _; do scale_file[$percent]=$file; done <<<"$scales"
for file in "${scale_file[@]}"; do rm -f "$pictures/$file"; done
for ((i = 0; i < ${#scaled[@]}; i += 2)); do
  step build/host/tools/pack_artwork "${fit[@]}" --large-at "${scaled[i]}" "${scaled[i + 1]}" \
    "$pictures/${scale_file[${scaled[i]}]}"
done
for ((i = 0; i < ${#scaled[@]}; i += 2)); do
  percent=${scaled[i]}
  # Each sheet is named as its picture is, after the name's last x:
  # OUTPUT-preview-125.png for tal1280x125.bmp, and for tal1280x2.bmp, whose
  # 2 is a multiple and not a percent, OUTPUT-preview-2x.png.
  label=${scale_file[$percent]%.bmp}
  label=${label##*x}
  [ "$label" = "$percent" ] || label="${label}x"
  sheet="${output%.*}-preview-$label.png"
  build/host/preview/show_preview --pictures "$pictures" "${timings[@]}" --screen 2560x1440 \
    --dpi $((percent * 96 / 100)) "$sheet" >/dev/null
  echo "build-with-artwork: on a 2560 x 1440 screen at $percent %: $sheet"
done
