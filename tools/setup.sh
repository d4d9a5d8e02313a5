#!/usr/bin/env bash
# Installs what is missing (Debian 12 packages), then configures and builds into build/.
#   tools/setup.sh        everything: the program, the tools, the tests and the benchmarks
#   tools/setup.sh run    only what ./run starts: the program folder and the sample maker
set -euo pipefail
cd "$(dirname "$0")/.."
MODE="${1:-all}"

# What building and running the program needs (Xvfb, xdotool and ImageMagick start it without a
# display and take the screenshot). The Japanese font is IPA Gothic; the larger Noto CJK
# fallback (55 MB to download) comes with the tests' packages.
PACKAGES=(cmake g++ ninja-build qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools libjpeg62-turbo-dev libcurl4-openssl-dev
  libopencv-videoio-dev fonts-ipafont-gothic qt6-translations-l10n xvfb xdotool imagemagick xdg-utils xdg-user-dirs)
# What only the tests, the benchmarks, the fuzzing and the Debian package need.
TEST_PACKAGES=(clang libclang-rt-14-dev libgtest-dev libbenchmark-dev ffmpeg poppler-utils libimage-exiftool-perl python3
  dpkg-dev lintian desktop-file-utils appstream librsvg2-bin chromium nodejs fonts-noto-cjk x11-utils)
[ "$MODE" = run ] || PACKAGES+=("${TEST_PACKAGES[@]}")
# The browser tests' driver comes from npm; a Node.js that brings its own npm needs no package.
[ "$MODE" = run ] || command -v npm >/dev/null || PACKAGES+=(npm)

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

# KELTO_WERROR=ON in the environment (CI sets it) makes every warning fail the build.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELTO_WERROR="${KELTO_WERROR:-OFF}" >/dev/null
if [ "$MODE" = run ]; then
  cmake --build build -j 2 --target kelto sample_notebook
else
  cmake --build build -j 2
fi
