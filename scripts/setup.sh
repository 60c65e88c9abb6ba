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
  libbenchmark-dev libpixman-1-dev pkg-config # the native pixel benchmark and its peer
  osslsigncode openssl                        # signing the programs (build-with-artwork.sh --sign)
  icoutils zip unzip                          # reading programs' resources in tests; the release
  libxml2-utils                               # xmllint: the branding tool's manifest is XML
)

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

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
