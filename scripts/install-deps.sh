#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and the machine lacks.
#   scripts/install-deps.sh           the native build and its tests
#   scripts/install-deps.sh windows   also the Windows cross build and its tests under Wine
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          nlohmann-json3-dev libx11-dev libxft-dev fonts-dejavu-core xvfb x11-apps xdotool
          x11-utils imagemagick clang libclang-rt-14-dev)
for group in "$@"; do
  case $group in
    # The mingw-w64 cross compiler (posix threads), Wine to run the tests, zip to pack.
    windows) packages+=(g++-mingw-w64-x86-64-posix wine64 zip) ;;
    *)
      echo "install-deps.sh: unknown group '$group' (known: windows)" >&2
      exit 64
      ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
