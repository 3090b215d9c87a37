#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only when some
# are missing. Runs apt-get directly as root, through sudo otherwise.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libusb-1.0-0-dev libgtk-3-dev libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-liberation
  librsvg2-common
  libjpeg62-turbo-dev libsystemd-dev
  libumockdev-dev umockdev
  xvfb xdotool xauth x11-utils x11-xserver-utils openbox imagemagick python3 python3-dbusmock dbus
  clang libclang-rt-14-dev attr
  desktop-file-utils appstream dpkg-dev file groff-base man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
