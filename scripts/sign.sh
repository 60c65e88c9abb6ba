#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (osslsigncode, SHA-256),
# and keeps a signature only once it verifies:
#
#   ./scripts/sign.sh (--pkcs12 FILE | --cert FILE --key FILE) [--password-file FILE]
#                     [--timestamp URL] [--name NAME] PROGRAM...
#
#   --pkcs12 FILE           the certificate, its chain and its key in one
#                           PKCS#12 (.p12, .pfx) file
#   --cert FILE --key FILE  or the certificate followed by its chain in a
#                           PEM file, and its private key apart
#   --password-file FILE    the file holds the key's or the PKCS#12 file's
#                           password (a final line break is not part of it)
#   --timestamp URL         also countersign at this RFC 3161 timestamp
#                           server (-ts), so that the signature outlives the
#                           certificate
#   --name NAME             the program's description in the signature
#                           (default: the program's name up to its first dot)
#
# The password is never taken on the command line: it comes from
# --password-file or else from the environment variable
# ORVELINE_SIGN_PASSWORD; with neither, the key has none. A signed program
# must verify before it replaces the unsigned one: its signature must cover
# it and its certificate chain must reach an authority, one of the system's
# or one the PKCS#12 or certificate file holds.
#
# The artwork command sources this file to check the options before it
# builds anything, and hands the branding tool its signing_command, which the
# tool runs on both programs under their temporary names before either is
# moved into place.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Reads the options into pkcs12, cert, key, password_file, timestamp and
# name, and the programs named into programs, and checks them.
read_signing() {
  pkcs12='' cert='' key='' password_file='' timestamp='' name='' programs=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --pkcs12 | --cert | --key | --password-file | --timestamp | --name)
        [ $# -ge 2 ] || die "$1 needs a value"
        case "$1" in
          --pkcs12) pkcs12=$2 ;;
          --cert) cert=$2 ;;
          --key) key=$2 ;;
          --password-file) password_file=$2 ;;
          --timestamp) timestamp=$2 ;;
          --name) name=$2 ;;
        esac
        shift ;;
      -*) die "unknown option $1" ;;
      *) programs+=("$1") ;;
    esac
    shift
  done
  if [ -n "$pkcs12" ]; then
    [ -z "$cert$key" ] || die "give --pkcs12, or --cert with --key, not both"
  elif [ -z "$cert$key" ]; then
    die "signing needs a certificate: --pkcs12 FILE, or --cert FILE --key FILE"
  else
    [ -n "$cert" ] || die "--key needs its certificate: --cert FILE"
    [ -n "$key" ] || die "--cert needs its private key: --key FILE"
  fi
  local file
  for file in "$pkcs12" "$cert" "$key" "$password_file"; do
    [ -z "$file" ] || [ -f "$file" ] || die "no such file: $file"
  done
  case "$timestamp" in
    '' | http://* | https://*) ;;
    *) die "--timestamp needs the server's http:// or https:// address, not '$timestamp'" ;;
  esac
}

# The branding tool's --sign-command for the options read, {} standing for
# the program, its files' paths made absolute: /bin/sh runs it, so every
# word goes in single quotes.
signing_command() {
  local word line=
  for word in "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/sign.sh" \
      ${pkcs12:+--pkcs12 "$(absolute "$pkcs12")"} ${cert:+--cert "$(absolute "$cert")"} \
      ${key:+--key "$(absolute "$key")"} ${password_file:+--password-file "$(absolute "$password_file")"} \
      ${timestamp:+--timestamp "$timestamp"} ${name:+--name "$name"}; do
    line+="'${word//\'/\'\\\'\'}' "
  done
  printf '%s{}\n' "$line"
}

[ "${BASH_SOURCE[0]}" = "$0" ] || return 0
set -euo pipefail
read_signing "$@"
[ ${#programs[@]} -gt 0 ] || die "name the programs to sign"
credentials=(-certs "$cert" -key "$key")
[ -z "$pkcs12" ] || credentials=(-pkcs12 "$pkcs12")
stamp=()
[ -z "$timestamp" ] || stamp=(-ts "$timestamp")

private=$(mktemp -d)
trap 'rm -rf "$private"' EXIT
# The password reaches osslsigncode through a file only this user can read,
# written by the shell itself: never on a command line, where other users
# could see it.
password=()
if [ -n "$password_file" ]; then
  password=(-readpass "$password_file")
elif [ -n "${ORVELINE_SIGN_PASSWORD:-}" ]; then
  password=(-readpass "$private/password")
  (umask 077 && printf '%s' "$ORVELINE_SIGN_PASSWORD" >"$private/password")
fi
# Revocation is for Windows to check when the program runs. A build machine
# may be offline, and the osslsigncode of Debian's backports fails outright
# when it cannot fetch a certificate's revocation list.
offline=()
case "$(osslsigncode verify --help 2>&1)" in *-ignore-crl*) offline=(-ignore-crl) ;; esac
for program in "${programs[@]}"; do
  # The branding tool hands over its programs under their names plus .part.
  shown=$(basename "${program%.part}")
  # Without a terminal of its own: given a wrong password or none for an
  # encrypted key, OpenSSL would otherwise ask on the terminal, behind the
  # quiet step, and wait there.
  step setsid -w osslsigncode sign "${credentials[@]}" "${password[@]}" "${stamp[@]}" -h sha256 \
    -n "${name:-${shown%%.*}}" -in "$program" -out "$private/signed.exe" </dev/null
  # The check trusts the system's authorities and those the signature
  # carries: it proves that the signature covers the program and that the
  # chain is whole. Whether Windows trusts that authority is the
  # certificate's own business.
  step osslsigncode extract-signature -pem -in "$private/signed.exe" -out "$private/signature.pem"
  step openssl pkcs7 -print_certs -in "$private/signature.pem" -out "$private/carried.pem"
  system=/etc/ssl/certs/ca-certificates.crt
  { [ ! -f "$system" ] || cat "$system"; cat "$private/carried.pem"; } >"$private/trusted.pem"
  quietly osslsigncode verify -CAfile "$private/trusted.pem" "${offline[@]}" -in "$private/signed.exe" ||
    die "the signed $shown does not verify (above), and is left as it was." \
        "a chain that stops short of an authority needs the authority's certificate in the PKCS#12 or certificate file."
  cat "$private/signed.exe" >"$program"
  rm -f "$private/signed.exe"
done
