#!/usr/bin/env bash
# Installs, only when missing, everything the builds and tests need from Debian's packages.
# Returns at once when all is there. Uses sudo only when not root.
set -euo pipefail

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

need=()
for p in cmake make g++ python3 libgtest-dev g++-mingw-w64-i686-win32 xvfb mscompress libmspack-dev wine x11-apps clang libclang-rt-14-dev; do
  have_pkg "$p" || need+=("$p")
done
have_pkg wine32:i386 || need+=("wine32:i386")

[ ${#need[@]} -eq 0 ] && exit 0

echo "setup-deps: installing ${need[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
