#!/usr/bin/env bash
# Installs what is missing (Debian 12 packages), then configures and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake g++ ninja-build clang libclang-rt-14-dev qt6-base-dev libjpeg62-turbo-dev libcurl4-openssl-dev libopencv-videoio-dev libopencv-video-dev
  qt6-tools-dev qt6-l10n-tools fonts-ipafont-gothic fonts-noto-cjk qt6-translations-l10n libgtest-dev libbenchmark-dev xvfb xdotool x11-apps ffmpeg
  poppler-utils libimage-exiftool-perl imagemagick xdg-utils python3)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2
