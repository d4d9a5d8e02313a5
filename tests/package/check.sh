#!/usr/bin/env bash
# Builds the Debian package and checks it as a distribution would: lintian without errors or
# warnings, the menu entry and the AppStream metainfo through their validators, the files where
# they belong, the program's modules among them, and the Depends line against every library the
# installed program and its modules load.
# Usage: check.sh <buildDir> <sourceDir> <version>
set -euo pipefail
BUILD_DIR=${1:?build folder}
SOURCE_DIR=${2:?source folder}
VERSION=${3:?version}
NAME=package
fail() { echo "$NAME: FAIL: $*"; exit 1; }
step() { echo "$NAME: $*"; }
for tool in lintian desktop-file-validate appstreamcli dpkg-deb dpkg-parsechangelog identify python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing"
done

step "building the package"
cmake --build "$BUILD_DIR" --target deb >"$BUILD_DIR/package/build.log" 2>&1 ||
  { tail -30 "$BUILD_DIR/package/build.log"; fail "the package could not be built"; }
DEB="$BUILD_DIR/package/kelto_${VERSION}_$(dpkg --print-architecture).deb"
[ -f "$DEB" ] || fail "no $DEB"
step "$DEB"

step "lintian"
status=0
lintian --fail-on error,warning --display-info --pedantic "$DEB" >"$BUILD_DIR/package/lintian.log" 2>&1 || status=$?
grep -v 'root privileges' "$BUILD_DIR/package/lintian.log" || true
[ "$status" = 0 ] || fail "lintian found errors or warnings"

ROOT=$(mktemp -d /tmp/kelto-package.XXXXXX)
trap 'rm -rf "$ROOT"' EXIT
dpkg-deb -x "$DEB" "$ROOT"
dpkg-deb -e "$DEB" "$ROOT/DEBIAN"

step "desktop-file-validate"
DESKTOP=$(find "$ROOT/usr/share/applications" -name '*.desktop')
[ "$(echo "$DESKTOP" | wc -l)" = 1 ] || fail "not one menu entry: $DESKTOP"
desktop-file-validate "$DESKTOP" || fail "the menu entry is not valid"
grep -qx 'Categories=Education;Science;' "$DESKTOP" || fail "the menu entry is not under Education and Science"
grep -q '^Name\[ja\]=' "$DESKTOP" || fail "the menu entry has no Japanese name"

step "appstreamcli validate"
METAINFO=$(find "$ROOT/usr/share/metainfo" -name '*.metainfo.xml')
appstreamcli validate --no-net "$METAINFO" || fail "the AppStream metainfo is not valid"
grep -q "<launchable type=\"desktop-id\">$(basename "$DESKTOP")</launchable>" "$METAINFO" ||
  fail "the metainfo does not name the menu entry"

step "versions"
changelog=$(dpkg-parsechangelog -l "$SOURCE_DIR/packaging/changelog" -S Version)
[ "$changelog" = "$VERSION" ] || fail "the changelog's latest entry is $changelog, the program is $VERSION"
release=$(grep -o '<release version="[^"]*"' "$METAINFO" | head -1 | cut -d'"' -f2)
[ "$release" = "$VERSION" ] || fail "the metainfo's latest release is $release, the program is $VERSION"
[ "$(dpkg-deb -f "$DEB" Version)" = "$VERSION" ] || fail "the package version is not $VERSION"

step "contents"
PROGRAM="$ROOT/usr/lib/kelto"
[ "$(readlink "$ROOT/usr/bin/kelto")" = ../lib/kelto/kelto ] || fail "kelto on the PATH does not lead to the program folder"
[ -x "$ROOT/usr/bin/kelto" ] || fail "kelto on the PATH is not the program"
while read -r f; do
  cmp -s "$SOURCE_DIR/kit/$f" "$PROGRAM/$f" || fail "$f is not in the program folder as shipped"
done < <(cd "$SOURCE_DIR/kit" && find . -type f)
# The modules the program opens beside itself on a video export and a weather fetch.
LISTING=$(dpkg-deb -c "$DEB")
for module in libkelto_video.so libkelto_net.so; do
  grep -q " ./usr/lib/kelto/$module\$" <<<"$LISTING" || fail "the package has no /usr/lib/kelto/$module"
done
[ ! -e "$PROGRAM/Kelto.ini" ] && [ ! -e "$PROGRAM/data" ] || fail "the package ships settings or a data folder"
for f in usr/share/doc/kelto/copyright usr/share/doc/kelto/changelog.gz usr/share/man/man1/kelto.1.gz \
  usr/share/icons/hicolor/scalable/apps/kelto.svg; do
  [ -f "$ROOT/$f" ] || fail "no /$f"
done
for size in 48 128 256; do
  icon="$ROOT/usr/share/icons/hicolor/${size}x${size}/apps/kelto.png"
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "no ${size}px icon"
done
for shot in calendar detail; do
  [ -s "$BUILD_DIR/package/screenshots/$shot.png" ] || fail "no $shot screenshot for the metainfo"
done

step "Depends against the libraries of the installed program and its modules"
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
echo "$DEPENDS" | grep -q 'fonts-ipafont-gothic' || fail "the Japanese font is not a dependency"
# Xlib is opened at run time for the lock-key indicators.
python3 "$SOURCE_DIR/tests/package/depends_cover.py" "$DEPENDS" "$PROGRAM/kelto" libX11.so.6 ||
  fail "Depends does not cover the program's libraries"
for module in "$PROGRAM"/libkelto_*.so; do
  python3 "$SOURCE_DIR/tests/package/depends_cover.py" "$DEPENDS" "$module" ||
    fail "Depends does not cover the libraries of $(basename "$module")"
done
step PASS
