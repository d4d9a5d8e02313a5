#!/usr/bin/env bash
# Kelto side by side with floor programs, each pair measured in the same run, interleaved run
# by run, medians of RUNS runs. Prints one table of ratios (Kelto / floor, lower is better).
#
#   bench/compare.sh [BUILD_DIR] [RUNS]        (default: build, 9 runs)
#   BEFORE=/path/to/another/kelto/folder bench/compare.sh   adds that program's column
#
# Tasks and their floors:
#   window    start on a 256-day notebook until the main window is mapped (under Xvfb)
#             | a minimal Qt main window built here
#   help      kelto --help | a program built here linking Qt Core, Gui, Widgets and
#             PrintSupport that parses its arguments and prints
#   date      kelto --photo-date FILE | the same program
#   align     kelto --auto-align --replace, processor time per frame
#             | ffmpeg crop to the frame size + vidstabdetect over the same photos
#   pdf       kelto --print-pdf, all kinds, 256 days, wall time and size | img2pdf of the photos
# Needs: g++, pkg-config, Qt 6 and X11 headers, Xvfb, ffmpeg (vidstabdetect), python3-img2pdf
# (installed here when missing and apt-get can; else that row says so).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
RUNS=${2:-9}
WORK=$(mktemp -d)
XVFB_PID=""
cleanup() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
export QT_QPA_PLATFORM_PLUGIN_PATH="${QT_QPA_PLATFORM_PLUGIN_PATH:-}"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export KELTO_TODAY=2024-12-20

# --- The helpers and floor programs --------------------------------------------------------
cat >"$WORK/measure.c" <<'EOF'
// measure CMD...: runs CMD and prints "wall_ms cpu_ms" (the child's user + system time).
// measure --mapped CMD...: starts CMD, prints "ms 0", the milliseconds until it maps its first
// top-level window, then ends it; "-" when nothing is mapped within 30 s.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
static pid_t start(char** argv)
{
    pid_t p = fork();
    if (!p) {
        int fd = open("/dev/null", O_WRONLY);
        dup2(fd, 1);
        dup2(fd, 2);
        execvp(argv[0], argv);
        _exit(127);
    }
    return p;
}
static int mapped(char** argv)
{
    Display* d = XOpenDisplay(NULL);
    if (!d)
        return 2;
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    const double begin = now();
    pid_t p = start(argv);
    double at = -1;
    while (at < 0 && now() - begin < 30000) {
        while (at < 0 && XPending(d)) {
            XEvent ev;
            XNextEvent(d, &ev);
            if (ev.type == MapNotify && !ev.xmap.override_redirect)
                at = now() - begin;
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(d), &fds);
        struct timeval tv = {0, 20000};
        if (at < 0)
            select(ConnectionNumber(d) + 1, &fds, NULL, NULL, &tv);
    }
    kill(p, SIGKILL);
    waitpid(p, NULL, 0);
    if (at < 0)
        printf("-\n");
    else
        printf("%.1f 0\n", at);
    return 0;
}
int main(int argc, char** argv)
{
    (void)argc;
    if (strcmp(argv[1], "--mapped") == 0)
        return mapped(argv + 2);
    const double begin = now();
    pid_t p = start(argv + 1);
    int status;
    struct rusage ru;
    wait4(p, &status, 0, &ru);
    printf("%.1f %.1f\n", now() - begin,
           (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
EOF
cat >"$WORK/qt_args.cpp" <<'EOF'
// The floor of a command-line call: Qt Core, Gui, Widgets and PrintSupport linked, the
// arguments parsed, one line printed per file named.
#include <QApplication>
#include <QCommandLineParser>
#include <QPrinter>
#include <cstdio>
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"photo-date", "each photo's date"});
    parser.addPositionalArgument("files", "photos");
    parser.process(app);
    if (argc > 99) {  // never: keeps Widgets and PrintSupport linked
        QApplication* a = nullptr;
        QPrinter p;
        (void)a;
    }
    for (const QString& f : parser.positionalArguments())
        std::printf("-\t%s\n", qPrintable(f));
    if (parser.positionalArguments().isEmpty())
        std::printf("usage: qt_args [--photo-date FILE...]\n");
    return 0;
}
EOF
cat >"$WORK/qt_window.cpp" <<'EOF'
// The floor of a window: a Qt main window with a menu bar, shown.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle("floor");
    w.menuBar()->addMenu("File");
    w.resize(800, 600);
    w.show();
    return app.exec();
}
EOF
QT_FLAGS=$(pkg-config --cflags --libs Qt6Widgets Qt6PrintSupport)
gcc -O2 -o "$WORK/measure" "$WORK/measure.c" -lX11
g++ -O2 -fPIC -o "$WORK/qt_args" "$WORK/qt_args.cpp" $QT_FLAGS
g++ -O2 -fPIC -o "$WORK/qt_window" "$WORK/qt_window.cpp" $QT_FLAGS

# --- The data: a 256-day notebook, the program folders copied (the program writes beside itself)
NOTEBOOK="$WORK/notebook"
"$BUILD/tools/sample_notebook" --days 299 "$NOTEBOOK" >/dev/null 2>&1
PHOTOS=("$NOTEBOOK"/*.jpg)
FRAMES=${#PHOTOS[@]}
PROGRAMS=(after)
cp -r "$BUILD/kelto" "$WORK/after"
if [ -n "${BEFORE:-}" ]; then
  PROGRAMS=(before after)
  cp -r "$BEFORE" "$WORK/before"
fi

Xvfb :93 -screen 0 1024x768x24 >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=:93
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

IMG2PDF=""
if /usr/bin/python3 -c "import img2pdf" 2>/dev/null; then
  IMG2PDF=yes
elif [ "$(id -u)" -eq 0 ] && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3-img2pdf >/dev/null 2>&1; then
  IMG2PDF=yes
fi
VIDSTAB=""
case "$(ffmpeg -hide_banner -filters 2>/dev/null)" in *vidstabdetect*) VIDSTAB=yes ;; esac

# --- The runs, interleaved ------------------------------------------------------------------
record() { echo "$2" >>"$WORK/$1.times"; }  # task wall cpu
run() {  # name cmd...
  local out
  out=$("$WORK/measure" "${@:2}" 2>/dev/null || true)
  [ -n "$out" ] && record "$1" "$out"
}
for r in $(seq "$RUNS"); do
  for prog in "${PROGRAMS[@]}"; do
    K="$WORK/$prog/kelto"
    out=$("$WORK/measure" --mapped "$K" "$NOTEBOOK") && [ "$out" != "-" ] && record "window.$prog" "$out"
    run "help.$prog" "$K" --help
    run "date.$prog" "$K" --photo-date "${PHOTOS[0]}"
    cp -r "$NOTEBOOK" "$WORK/align-nb"
    run "align.$prog" "$K" --auto-align --replace --notebook "$WORK/align-nb"
    rm -rf "$WORK/align-nb"
    run "pdf.$prog" "$K" --print-pdf "$WORK/$prog.pdf" --notebook "$NOTEBOOK"
  done
  out=$("$WORK/measure" --mapped "$WORK/qt_window") && [ "$out" != "-" ] && record window.floor "$out"
  run help.floor "$WORK/qt_args" --help
  run date.floor "$WORK/qt_args" --photo-date "${PHOTOS[0]}"
  if [ -n "$VIDSTAB" ]; then
    run align.floor ffmpeg -nostdin -v error -framerate 5 -pattern_type glob -i "$NOTEBOOK/*.jpg" \
      -vf "crop=320:240,vidstabdetect=result=$WORK/transforms.trf" -f null -
  fi
  [ -n "$IMG2PDF" ] && run pdf.floor /usr/bin/python3 -m img2pdf -o "$WORK/floor.pdf" "${PHOTOS[@]}"
done

# --- The table ------------------------------------------------------------------------------
median() {  # file column(1 wall, 2 cpu)
  [ -f "$1" ] || { echo "-"; return; }
  awk -v c="$2" '{print $c}' "$1" | sort -n | awk '{a[NR]=$1} END{if(NR) print a[int((NR+1)/2)]; else print "-"}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (a=="-"||b=="-"||b==0) print "-"; else printf "%.2f", a/b }'; }
mb() { [ -f "$1" ] && awk -v s="$(stat -c %s "$1")" 'BEGIN{printf "%.1f", s/1048576}' || echo "-"; }

echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores; $RUNS runs each, medians."
echo "Notebook: $FRAMES photo days (640 x 480), frames 320 x 240."
printf '| %-34s | %-12s |' "task (measure)" "floor"
for prog in "${PROGRAMS[@]}"; do printf ' %-10s | %-6s |' "$prog" "ratio"; done
echo
printf '|%s|%s|' "------------------------------------" "--------------"
for prog in "${PROGRAMS[@]}"; do printf '%s|%s|' "------------" "--------"; done
echo
row() {  # label task column per-frame
  local floor
  floor=$(median "$WORK/$2.floor.times" "$3")
  [ "$4" = 1 ] && [ "$floor" != "-" ] && floor=$(awk -v v="$floor" -v n="$FRAMES" 'BEGIN{printf "%.1f", v/n}')
  printf '| %-34s | %-12s |' "$1" "$floor"
  for prog in "${PROGRAMS[@]}"; do
    local v
    v=$(median "$WORK/$2.$prog.times" "$3")
    [ "$4" = 1 ] && [ "$v" != "-" ] && v=$(awk -v x="$v" -v n="$FRAMES" 'BEGIN{printf "%.1f", x/n}')
    printf ' %-10s | %-6s |' "$v" "$(ratio "$v" "$floor")"
  done
  echo
}
row "window mapped, ms" window 1 0
row "--help, ms" help 1 0
row "--help, CPU ms" help 2 0
row "--photo-date FILE, ms" date 1 0
row "--photo-date FILE, CPU ms" date 2 0
row "auto-align, CPU ms a frame" align 2 1
row "--print-pdf 256 days, ms" pdf 1 0
printf '| %-34s | %-12s |' "--print-pdf 256 days, MB" "$(mb "$WORK/floor.pdf")"
for prog in "${PROGRAMS[@]}"; do
  printf ' %-10s | %-6s |' "$(mb "$WORK/$prog.pdf")" "$(ratio "$(mb "$WORK/$prog.pdf")" "$(mb "$WORK/floor.pdf")")"
done
echo
[ -n "$VIDSTAB" ] || echo "auto-align floor: this ffmpeg has no vidstabdetect filter."
[ -n "$IMG2PDF" ] || echo "--print-pdf floor: img2pdf is missing (Debian package python3-img2pdf)."
echo "Floors: window = a minimal Qt main window; --help and --photo-date = a program linking Qt Core,"
echo "Gui, Widgets and PrintSupport that parses its arguments; auto-align = ffmpeg crop + vidstabdetect;"
echo "--print-pdf = img2pdf of the same photos."
