#!/usr/bin/env bash
# Times the first ./run on a fresh Debian 12: a minimal system made with debootstrap, the
# repository cloned into it, and ./run started there as root without a display (it installs
# what it needs, builds, starts the window on Xvfb and saves a screenshot). Nothing of this
# machine's packages, build or compiler cache is visible inside.
#   sudo bench/fresh_machine.sh [REV]     REV defaults to HEAD
# The new system is kept in build/fresh-root (a second run reuses the bare system, saved as
# build/fresh-base.tar, so only ./run is timed each time). Needs root and Debian's archive.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
rev=${1:-HEAD}
mirror=${KELTO_MIRROR:-http://deb.debian.org/debian}
root=$src/build/fresh-root
base=$src/build/fresh-base.tar

[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot need it)" >&2; exit 1; }
command -v debootstrap >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null

cleanup() {
  for m in dev/shm dev/pts dev sys proc; do
    mountpoint -q "$root/$m" && umount -l "$root/$m"
  done
  return 0
}
trap cleanup EXIT
cleanup
# Never remove the folder while a system folder is still bound into it.
if grep -qF " $root/" /proc/mounts; then
  echo "$root still has folders mounted into it; unmount them first" >&2
  exit 1
fi
rm -rf "$root"
mkdir -p "$root"
if [ -f "$base" ]; then
  tar -C "$root" -xf "$base"
else
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$src/build/fresh-debootstrap.log" 2>&1 ||
    { echo "debootstrap failed: build/fresh-debootstrap.log" >&2; exit 1; }
  tar -C "$root" -cf "$base" .
fi
for m in proc sys dev dev/pts dev/shm; do
  mount --bind "/$m" "$root/$m"
done
cp /etc/resolv.conf "$root/etc/resolv.conf"

git clone -q --no-local "$src" "$root/root/kelto"
git -C "$root/root/kelto" checkout -q "$rev"

# Each line of the output with the seconds since the start, to split the time into the
# installation of packages, the build and the start of the window.
stamp() {
  local t0=${EPOCHREALTIME/./} line us
  while IFS= read -r line; do
    us=$((${EPOCHREALTIME/./} - t0))
    printf '%4d.%d %s\n' $((us / 1000000)) $((us / 100000 % 10)) "$line"
  done
}
# The time of the first or the last line that matches.
first() { awk -v re="$1" '$0 ~ re { print $1; exit }' "$src/build/fresh-run.log"; }
last() { awk -v re="$1" '$0 ~ re { t = $1 } END { print t }' "$src/build/fresh-run.log"; }

echo "first ./run of $(git -C "$root/root/kelto" log -1 --format='%h %s' | cut -c1-70)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
start=$(date +%s.%N)
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
  bash -c 'cd /root/kelto && ./run' 2>&1 | stamp >"$src/build/fresh-run.log" || {
  echo "./run failed; its output is in build/fresh-run.log" >&2
  tail -20 "$src/build/fresh-run.log" >&2
  exit 1
}
end=$(date +%s.%N)
shot=$root/root/kelto/build/kelto-screenshot.png
[ -s "$shot" ] || { echo "no screenshot was saved" >&2; exit 1; }
cp "$shot" "$src/build/fresh-screenshot.png"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v s="$start" -v e="$end" 'BEGIN { t = e - s; printf "./run to the screenshot: %d min %02d s\n", t / 60, t % 60 }'
echo "  packages installed by $(last 'Setting up|Processing triggers') s;" \
  "build from $(first ' \\[1/') s to $(last ' \\[[0-9]+/[0-9]+\\]') s"
echo "screenshot: build/fresh-screenshot.png; output: build/fresh-run.log"
