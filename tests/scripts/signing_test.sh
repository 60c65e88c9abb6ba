#!/usr/bin/env bash
# Signing in the artwork command, with a throwaway authority made here:
# both programs it signs verify against that authority, and a changed byte
# breaks the signature; refused options write nothing, and a failed
# signing leaves earlier programs alone; a signed program still plays its
# show under Wine. It builds what it needs, so the first run takes a while.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
. "$root/scripts/xdisplay.sh"
. "$root/scripts/machine.sh"
# The artwork command on the contact sheet, scaled to fit; what it says
# goes to LOG, for the checks to read or show.
artwork() {  # artwork LOG OPTIONS... OUTPUT
  "$root/scripts/build-with-artwork.sh" --fit "$root/docs/contact-sheet.png" \
    "$root/docs/contact-sheet.png" "${@:2}" >"$1" 2>&1
}
verifies() { quietly osslsigncode verify -CAfile "$work/ca.pem" -in "$1"; }

# Only the passwords given here: not one the caller may have set.
unset ORVELINE_SIGN_PASSWORD
work=$(mktemp -d)
winrun=
cleanup() {
  [ -z "$winrun" ] || "$winrun" --stop-server >/dev/null 2>&1
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || die "cannot enter $work"
jobs=$(nproc 2>/dev/null || echo 2)

# The authority, and a code-signing certificate it issued: in a PKCS#12
# with its chain under a password, and as a chain file beside the key
# encrypted with the same password.
password="throwaway $$"
printf '%s\n' "$password" >password.txt
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.cnf
quietly openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Orveline test authority" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign \
    -keyout ca.key -out ca.pem &&
  quietly openssl req -newkey rsa:2048 -nodes -subj "/CN=Orveline test signer" \
    -keyout signer.key -out signer.csr &&
  quietly openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -extfile signer.cnf -out signer.pem &&
  quietly openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem \
    -passout file:password.txt -out signer.p12 &&
  quietly openssl pkey -in signer.key -aes256 -passout file:password.txt -out signer.enc.key ||
  die "FAILED: openssl could not make the throwaway certificates (above)"
cat signer.pem ca.pem >chain.pem

# Refused before anything is built: an exit status that is not 0, the
# command's own reason, no build, and an empty output folder.
refused() {  # refused REASON OPTIONS...
  rm -rf refused && mkdir refused
  ! artwork said.txt "${@:2}" refused/orveline.exe && grep -q -- "build-with-artwork: $1" said.txt &&
    ! grep -q building said.txt && [ -z "$(ls -A refused)" ]
}
check "--sign with a missing key file is refused, writing nothing" \
  refused "no such file" --sign --cert signer.pem --key missing.key
check "a certificate without --sign is refused, writing nothing" \
  refused "--pkcs12 is for signing" --pkcs12 signer.p12

# The PKCS#12, its password in the environment.
mkdir signed
ORVELINE_SIGN_PASSWORD=$password artwork signed.txt --sign --pkcs12 signer.p12 signed/orveline.exe
status=$?
check "signing with --pkcs12 and ORVELINE_SIGN_PASSWORD succeeds" [ "$status" -eq 0 ]
[ "$status" -eq 0 ] || cat signed.txt
for program in orveline.exe orveline64.exe; do
  check "the signed $program verifies against the authority" verifies "signed/$program"
done

# One byte flipped in the middle of the code, far from the signature at the end.
flip_code_byte() {  # flip_code_byte FILE
  local size offset at byte
  read -r size offset < <(i686-w64-mingw32-objdump -h "$1" | awk '$2 == ".text" { print $3, $6 }') ||
    return 1
  at=$((16#$offset + 16#$size / 2))
  byte=$(od -An -tu1 -j "$at" -N1 "$1" | tr -d ' ')
  printf "\\$(printf '%03o' $((byte ^ 0xff)))" | dd of="$1" bs=1 seek="$at" conv=notrunc status=none
}
check "a copy with one byte of its code flipped does not verify" \
  eval 'cp signed/orveline.exe tampered.exe && flip_code_byte tampered.exe &&
        [ "$(cmp -l signed/orveline.exe tampered.exe | wc -l)" -eq 1 ] && ! verifies tampered.exe >/dev/null 2>&1'

# A certificate chain file and an encrypted key, the password in a file.
mkdir apart
artwork apart.txt --sign --cert chain.pem --key signer.enc.key --password-file password.txt apart/splash.exe
status=$?
check "signing with --cert, --key and --password-file succeeds" [ "$status" -eq 0 ]
[ "$status" -eq 0 ] || cat apart.txt
check "its splash.exe and splash64.exe verify against the authority" \
  eval 'verifies apart/splash.exe && verifies apart/splash64.exe'

# Signed, but with a chain that stops short of the authority, neither
# program passes the command's own check: over the programs signed above.
cp signed/orveline.exe before.exe
cp signed/orveline64.exe before64.exe
check "a signature whose chain stops short of its authority fails the command" \
  eval '! artwork short.txt --sign --cert signer.pem --key signer.key signed/orveline.exe &&
        grep -q "signed orveline.exe does not verify" short.txt'
check "and leaves the earlier programs as they were, with no .part file" \
  eval 'cmp -s before.exe signed/orveline.exe && cmp -s before64.exe signed/orveline64.exe &&
        [ -z "$(ls signed | grep "\.part$")" ]'

# The signed program under Wine, the 32-bit one where this machine runs
# 32-bit programs, with the demo setup.exe beside it to record its start.
probe_32bit || exit 1
if [ "$runs_32bit" = yes ]; then preset=win32 program=orveline.exe; else preset=win64 program=orveline64.exe; fi
(cd "$root" && quietly cmake --preset "$preset" &&
  quietly cmake --build --preset "$preset" --target demo_setup -j "$jobs" &&
  quietly cmake --build --preset host --target watch_show -j "$jobs") ||
  die "FAILED: building the $preset demo setup.exe or watch_show (above)"
mkdir show
cp "signed/$program" "$root/build/$preset/testing/setup/setup.exe" show/
start_display 1024x768x24 || exit 1
winrun=$root/build/$preset/wine-run.sh
"$winrun" --start-server || die "FAILED: Wine did not start for build/$preset"
cd show || die "cannot enter $work/show"
"$root/build/host/testing/watch/watch_show" --desktop . "$winrun" "$program" >watch.txt 2>&1
status=$?
for _ in $(seq 100); do
  [ -f started.txt ] && break
  sleep 0.1
done
check "the signed $program plays its show under Wine and exits with 0" [ "$status" -eq 0 ]
[ "$status" -eq 0 ] || cat watch.txt
check "and then starts setup.exe" [ -f started.txt ]

checks_passed
