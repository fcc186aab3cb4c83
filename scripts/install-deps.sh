#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Celwright needs.
# Safe to run again: packages already present are left alone and nothing is downloaded.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache clang
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-plugins-bad gstreamer1.0-libav libgif-dev pulseaudio pulseaudio-utils
  libsane-dev sane-utils libgphoto2-dev libpng-dev libjpeg-dev libdeflate-dev zlib1g-dev
  qt6-translations-l10n libclang-rt-14-dev
  xvfb xauth x11-utils openbox xdotool imagemagick poppler-utils ffmpeg lame espeak-ng
  desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin zip groff-base
  dpkg-dev fakeroot lintian librsvg2-bin xdg-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
