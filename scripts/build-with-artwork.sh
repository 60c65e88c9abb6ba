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
# SMALL.png is shown on screens up to 800 pixels wide and must be 195 x 145;
# LARGE.png on wider screens and must be 317 x 236. With --fit, pictures of
# another size are scaled to fit inside, centred on a transparent border.
# OUTPUT.exe defaults to orveline.exe in the current folder. Paths are taken
# from the folder you run the command in.
#
# PRODUCT OPTIONS make the program the vendor's own (the README's "Your own
# product" says what each changes, and orveline-brand --help lists them):
# --icon FILE (PNG or ICO), --product, --company, --version X.Y.Z[.W],
# --description, --copyright (the file's properties), --title (the window's
# title), --fade-in, --hold, --fade-out (milliseconds, a minute at the most)
# --large-at PERCENT FILE (the large picture for screens scaled near 125,
# 150, 175, 200, 250 or 300 %, at that size; --large-2x FILE is --large-at
# 200 FILE), --silent-switches "LIST" (words that skip the show), --wait
# (exit with the next program's exit code) and --monitor primary|cursor.
# With the shipped pictures and no option, the programs are the shipped
# ones, byte for byte.
#
# SIGNING signs both programs with Authenticode (osslsigncode, SHA-256),
# with the output's name (orveline) as the program's description:
#
#   --sign --pkcs12 FILE           the certificate, its chain and its key in
#                                  one PKCS#12 (.p12, .pfx) file
#   --sign --cert FILE --key FILE  or the certificate followed by its chain
#                                  in a PEM file, and its private key apart
#   --password-file FILE           the file holds the key's or the PKCS#12
#                                  file's password (a final line break is
#                                  not part of it)
#   --timestamp URL                also countersign at this RFC 3161
#                                  timestamp server (-ts), so that the
#                                  signature outlives the certificate
#
# The password is never taken on the command line: it comes from
# --password-file or else from the environment variable
# ORVELINE_SIGN_PASSWORD; with neither, the key has none. Each
# signed program is checked before it is written: its signature must cover
# it and its certificate chain must reach an authority, one of the system's
# or one the PKCS#12 or certificate file holds. Every option is checked
# before anything is built; a refusal writes nothing, and a failed signing
# leaves earlier programs as they were.
set -euo pipefail

usage() {
  echo "usage: $0 [--fit] [PRODUCT OPTIONS] [--sign (--pkcs12 FILE | --cert FILE --key FILE)" \
       "[--password-file FILE] [--timestamp URL]] SMALL.png LARGE.png [OUTPUT.exe]" >&2
  echo "product options: --icon FILE, --product NAME, --company NAME, --version X.Y.Z[.W]," \
       "--description TEXT, --copyright TEXT, --title TEXT, --fade-in MS, --hold MS," \
       "--fade-out MS, --large-at PERCENT FILE, --large-2x FILE, --silent-switches LIST, --wait," \
       "--monitor primary|cursor (see the README's \"Your own product\")" >&2
  exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"

fit=()
sign=no
pkcs12='' cert='' key='' password_file='' timestamp=''
signing_option=  # the first option given that only signing uses
product=()       # passed on to the branding tool, which checks them
fade_in=1280 hold=2000 fade_out=640
scaled=()        # PERCENT FILE pairs, for the previews
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --fit) fit=(--fit) ;;
    --wait) product+=(--wait) ;;
    --sign) sign=yes ;;
    --pkcs12 | --cert | --key | --password-file | --timestamp)
      [ $# -ge 2 ] || die "$1 needs a value"
      signing_option=${signing_option:-$1}
      case "$1" in
        --pkcs12) pkcs12=$2 ;;
        --cert) cert=$2 ;;
        --key) key=$2 ;;
        --password-file) password_file=$2 ;;
        --timestamp) timestamp=$2 ;;
      esac
      shift ;;
    --product | --company | --version | --description | --copyright | --title | --icon | \
    --large-2x | --fade-in | --hold | --fade-out | --silent-switches | --monitor)
      [ $# -ge 2 ] || die "$1 needs a value"
      value=$2
      case "$1" in
        --icon | --large-2x) value=$(absolute "$2") ;;
      esac
      case "$1" in
        --fade-in) fade_in=$2 ;;
        --hold) hold=$2 ;;
        --fade-out) fade_out=$2 ;;
        --large-2x) scaled+=(200 "$value") ;;
      esac
      product+=("$1" "$value")
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
  [ -z "$signing_option" ] || die "$signing_option is for signing: add --sign, or leave it out"
else
  if [ -n "$pkcs12" ]; then
    [ -z "$cert$key" ] || die "give --pkcs12, or --cert with --key, not both"
  elif [ -z "$cert$key" ]; then
    die "--sign needs a certificate: --pkcs12 FILE, or --cert FILE --key FILE"
  else
    [ -n "$cert" ] || die "--key needs its certificate: --cert FILE"
    [ -n "$key" ] || die "--cert needs its private key: --key FILE"
  fi
  for file in "$pkcs12" "$cert" "$key" "$password_file"; do
    [ -z "$file" ] || [ -f "$file" ] || die "no such file: $file"
  done
  case "$timestamp" in
    '' | http://* | https://*) ;;
    *) die "--timestamp needs the server's http:// or https:// address, not '$timestamp'" ;;
  esac
  pkcs12=${pkcs12:+$(absolute "$pkcs12")}
  cert=${cert:+$(absolute "$cert")}
  key=${key:+$(absolute "$key")}
  password_file=${password_file:+$(absolute "$password_file")}
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
"$brand" --check "${fit[@]}" "${product[@]}" "$small" "$large" "$output" || exit 1

echo "build-with-artwork: building the shipped programs (build/win32, build/win64)"
templates="$root/build/artwork/templates"
for bits in 32 64; do
  step cmake --preset "win$bits"
  step cmake --build --preset "win$bits" --target orveline -j "$jobs"
done
mkdir -p "$templates"
cp build/win32/launcher/orveline.exe "$templates/orveline.exe"
cp build/win64/launcher/orveline.exe "$templates/orveline64.exe"

# The 64-bit program goes beside the 32-bit one: OUTPUT.exe gives OUTPUT64.exe.
case "$output" in
  *.[eE][xX][eE]) output64="${output%.*}64.${output##*.}" ;;
  *) output64="${output}64" ;;
esac
branded=$(mktemp -d)
echo "build-with-artwork: writing your programs with the branding tool"
step "$brand" --templates "$templates" "${fit[@]}" "${product[@]}" "$small" "$large" \
  "$branded/orveline.exe"

# Both programs are written under temporary names first, and moved into
# place only once both are there (and signed, when asked), so that neither
# is ever half written; on any failure the temporary ones go and earlier
# outputs stay as they were.
mkdir -p "$outdir" || die "cannot make the folder $outdir"
private=
trap 'rm -f "$output.part" "$output64.part"; rm -rf "$branded"; [ -z "$private" ] || rm -rf "$private"' EXIT
rm -f "$output.part" "$output64.part"
signed=
if [ "$sign" = no ]; then
  cp "$branded/orveline.exe" "$output.part"
  cp "$branded/orveline64.exe" "$output64.part"
else
  echo "build-with-artwork: signing both programs"
  # The password reaches osslsigncode through a file only this user can
  # read, written by the shell itself: never on a command line, where other
  # users could see it.
  private=$(mktemp -d)
  password=()
  if [ -n "$password_file" ]; then
    password=(-readpass "$password_file")
  elif [ -n "${ORVELINE_SIGN_PASSWORD:-}" ]; then
    password=(-readpass "$(mktemp "$private/password.XXXXXX")")
    chmod 600 "${password[1]}"
    printf '%s' "$ORVELINE_SIGN_PASSWORD" >"${password[1]}"
  fi
  if [ -n "$pkcs12" ]; then
    credentials=(-pkcs12 "$pkcs12")
  else
    credentials=(-certs "$cert" -key "$key")
  fi
  stamp=()
  [ -z "$timestamp" ] || stamp=(-ts "$timestamp")
  # Without a terminal of its own: given a wrong password or none for an
  # encrypted key, OpenSSL would otherwise ask on the terminal, behind the
  # quiet step, and wait there.
  sign_program() {  # sign_program UNSIGNED SIGNED
    step setsid -w osslsigncode sign "${credentials[@]}" "${password[@]}" "${stamp[@]}" \
      -h sha256 -n "$(basename "${output%.*}")" -in "$1" -out "$2" </dev/null
  }
  sign_program "$branded/orveline.exe" "$output.part"
  sign_program "$branded/orveline64.exe" "$output64.part"

  # The check trusts the system's authorities and those the signature
  # carries: it proves that each signature covers its program and that the
  # chain is whole. Whether Windows trusts that authority is the
  # certificate's own business.
  step osslsigncode extract-signature -pem -in "$output.part" -out "$private/signature.pem"
  step openssl pkcs7 -print_certs -in "$private/signature.pem" -out "$private/carried.pem"
  trusted="$private/trusted.pem"
  system=/etc/ssl/certs/ca-certificates.crt
  { [ ! -f "$system" ] || cat "$system"; cat "$private/carried.pem"; } >"$trusted"
  # Revocation is for Windows to check when the program runs. A build
  # machine may be offline, and the osslsigncode of Debian's backports
  # fails outright when it cannot fetch a certificate's revocation list.
  offline=()
  case "$(osslsigncode verify --help 2>&1)" in *-ignore-crl*) offline=(-ignore-crl) ;; esac
  for part in "$output.part" "$output64.part"; do
    quietly osslsigncode verify -CAfile "$trusted" "${offline[@]}" -in "$part" ||
      die "the signed $(basename "${part%.part}") does not verify (above); nothing was written." \
             "a chain that stops short of an authority needs the authority's certificate in the PKCS#12 or certificate file."
  done
  signed=", signed"
fi
mv -f "$output.part" "$output"
mv -f "$output64.part" "$output64"
echo "build-with-artwork: wrote $output, 32-bit$signed ($(stat -c %s "$output") bytes)"
echo "build-with-artwork: wrote $output64, 64-bit$signed ($(stat -c %s "$output64") bytes)"

# What the show will look like, from the same pictures and timings.
step build/host/tools/pack_artwork "${fit[@]}" "$small" "$large" "$pictures"
timings=(--fade-in "$((10#$fade_in))" --hold "$((10#$hold))" --fade-out "$((10#$fade_out))")
build/host/preview/show_preview --pictures "$pictures" "${timings[@]}" "${output%.*}-preview.png" >/dev/null
echo "build-with-artwork: its show on a 1024 x 768 screen: ${output%.*}-preview.png"
# The launcher's choice at each scale given, each on a screen at exactly
# that scale; the tool has checked the percents. 200 % keeps its name.
rm -f "$pictures"/tal1280x*.bmp
for ((i = 0; i < ${#scaled[@]}; i += 2)); do
  step build/host/tools/pack_artwork "${fit[@]}" --large-at "${scaled[i]}" "${scaled[i + 1]}" \
    "$pictures/tal1280x$([ "${scaled[i]}" = 200 ] && echo 2 || echo "${scaled[i]}").bmp"
done
for ((i = 0; i < ${#scaled[@]}; i += 2)); do
  percent=${scaled[i]}
  sheet="${output%.*}-preview-$([ "$percent" = 200 ] && echo 2x || echo "$percent").png"
  build/host/preview/show_preview --pictures "$pictures" "${timings[@]}" --screen 2560x1440 \
    --dpi $((percent * 96 / 100)) "$sheet" >/dev/null
  echo "build-with-artwork: on a 2560 x 1440 screen at $percent %: $sheet"
done
