#!/usr/bin/env bash
# The Debian package as a pupil meets it: the program folder cannot be written, so a first start
# through the real window keeps everything in the user's folders: Kelto.ini in the configuration
# folder, the notebook in the documents folder (named as the desktop names it), the lock in the
# runtime folder, and nothing beside the program. The weather and a video export work from
# there, through the modules beside the program; a teacher's Weather.ini in the configuration
# folder names the site (here the local stand-in).
# Usage: package_installed.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/package.sh"
PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin package-installed 240
command -v xdg-user-dir >/dev/null || fail "xdg-user-dir is missing"

e2e_unpack_package "$PROGRAM_DIR"
chmod -R a-w "$PKG_PROGRAM"
trap 'chmod -R u+w "$PKG_PROGRAM"; e2e_package_cleanup' EXIT
find "$PKG_ROOT" -printf '%p %s %m\n' | sort >"$WORK/root-before.txt"

e2e_user_home
# A Japanese desktop names its documents folder in Japanese.
printf 'XDG_DOCUMENTS_DIR="$HOME/ドキュメント"\n' >"$XDG_CONFIG_HOME/user-dirs.dirs"
DOCUMENTS=$(xdg-user-dir DOCUMENTS)
[ "$DOCUMENTS" = "$HOME/ドキュメント" ] || fail "xdg-user-dir does not read the test's user-dirs.dirs: $DOCUMENTS"
e2e_start_display

# Started as the menu entry starts it: its command, found on the PATH the package fills.
EXEC=$(sed -n 's/^Exec=//p' "$PKG_ROOT"/usr/share/applications/*.desktop)
KELTO_EXE="$PKG_ROOT/usr/bin/$EXEC"
[ -x "$KELTO_EXE" ] || fail "the menu entry's command \"$EXEC\" is not on the package's PATH"
expect_where installed "$XDG_CONFIG_HOME/kelto/Kelto.ini" "$DOCUMENTS/Kelto"
# The help page shipped beside the program names the same folders.
for folder in settings notebooks; do
  path=$(where "$folder")
  path="~/${path#"$HOME"/}"
  grep -qF "<code>$path</code>" "$PKG_PROGRAM/doc/index.html" || fail "the help page does not name $path"
done

step "creating the first notebook"
e2e_first_notebook "$KELTO_EXE" "$DOCUMENTS/Kelto" e2enote "$XDG_CONFIG_HOME/kelto/Kelto.ini"
[ -f "$(where lock)" ] || fail "no single-instance lock in the runtime folder while the program runs"

# The page is drawn with the shipped layout and backgrounds, found beside the program.
"$KELTO_EXE" --render calendar --date "$KELTO_TODAY" --notebook "$NOTEBOOK" --out "$WORK/calendar.png" 2>/dev/null ||
  fail "cannot render the calendar"
e2e_locate "$WORK/calendar.png"
import -window root "$SHOT_OUT"

e2e_package_jobs "$KELTO_EXE" "$XDG_CONFIG_HOME/kelto/Kelto.ini" "$(where user-files)/Weather.ini" "$DOCUMENTS/Kelto"
find "$PKG_ROOT" -printf '%p %s %m\n' | sort >"$WORK/root-after.txt"
diff "$WORK/root-before.txt" "$WORK/root-after.txt" || fail "the program wrote into the installed files"
step "PASS (screenshot $SHOT_OUT)"
