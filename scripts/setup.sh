#!/usr/bin/env bash
# Installs whatever the builds and tests need and is not there yet, on Debian 12.
# Safe to run again: when everything is present it changes nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest            # host build and tests
  clang libclang-rt-14-dev                    # the fuzz target (libFuzzer)
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686          # 32-bit Windows cross-build
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64      # 64-bit Windows cross-build
  wine wine32:i386 wine64 xvfb                # running and testing them (wine32
                                              # installs, but runs only where
                                              # the kernel runs 32-bit programs)
  libx11-dev libxtst-dev libpng-dev          # watching the show: captures, input, screenshots
  libstb-dev                                  # the vendor's pictures, decoded in every build
  zlib1g-dev libz-mingw-w64-dev               # and compressed, zlib linked statically in each
  libbenchmark-dev libpixman-1-dev pkg-config # the native pixel benchmark and its peer
  osslsigncode openssl                        # signing the programs (build-with-artwork.sh --sign)
  icoutils zip unzip                          # reading programs' resources in tests; the release
  nsis                                        # a real installer for the end-to-end tests
  libxml2-utils                               # xmllint: the branding tool's manifest is XML
)

. "$(dirname "$0")/common.sh"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  # 32-bit Wine needs the i386 architecture's packages.
  "${sudo[@]}" dpkg --add-architecture i386
  missing+=(wine32:i386)
fi

[ ${#missing[@]} -gt 0 ] || exit 0

install() {
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "$@"
}

echo "setup: installing ${#missing[@]} packages: ${missing[*]} (apt's log shows only if it fails)"
# A mirror caught mid-sync refuses an index now and then; apt keeps the
# others and says so, and a second try usually finds it whole.
for try in 1 2 3; do
  log=$(mktemp)
  if "${sudo[@]}" apt-get update -q >"$log" 2>&1 && ! grep -q '^E:' "$log"; then
    rm -f "$log"
    break
  fi
  [ "$try" -lt 3 ] || { echo "setup: apt-get update reported errors; installing from the indexes it has:"; grep '^E:' "$log"; }
  rm -f "$log"
  sleep 2
done

quietly install "${missing[@]}" && exit 0

# With the i386 index behind the amd64 one, 32-bit Wine cannot be
# installed (its libraries must match the 64-bit ones version for
# version). Everything else still can: the 32-bit build is built, and its
# tests are reported as not run here.
rest=()
for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
[ ${#rest[@]} -lt ${#missing[@]} ] || die "installing the packages failed (above)"
echo "setup: 32-bit Wine could not be installed; installing the rest without it"
quietly install "${rest[@]}" || die "installing the packages failed (above)"
