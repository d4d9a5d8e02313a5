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
#   import    kelto --import-photos of one camera photo (4000 x 3000) into an empty notebook, the
#             whole process | a C program over libjpeg-turbo doing the same work (read, EXIF
#             date, decode at the DCT scale, fit to 640 x 480, encode, synced writes)
#   bulk      the same with 100 camera photos | that program in two processes, half each
#   scan      the day list of 256 day files (bench_store) | readdir + sort in C (same bench)
#
#   TASKS="import bulk" bench/compare.sh      runs only the tasks named (default: all)
# Needs: g++, pkg-config, Qt 6 and X11 headers, Xvfb, ffmpeg (vidstabdetect), python3-img2pdf
# (installed here when missing and apt-get can; else that row says so).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
RUNS=${2:-9}
TASKS=" ${TASKS:-window help date align pdf import bulk scan} "
want() { [[ "$TASKS" == *" $1 "* ]]; }
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
cat >"$WORK/import_floor.c" <<'EOF'
// import_floor OUT FILE...: the floor of the photo import, in C over libjpeg-turbo. Each photo
// is read whole into memory, its EXIF DateTimeOriginal found in the same bytes, decoded at the
// DCT scale that still covers 640 pixels on its shorter side, its centre averaged down to
// 640 x 480, encoded at quality 80 and written as OUT/YYYYMMDD.jpg with a small
// OUT/YYYYMMDD.dat beside it, each through a new file that is synced and renamed; the folder is
// synced once at the end.
// import_floor --make N DIR: writes N camera-like 4000 x 3000 photos (quality 92), one a day
// from 2024-01-01, each with its EXIF date.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <jpeglib.h>

static unsigned char* readAll(const char* path, size_t* size)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0)
        return NULL;
    unsigned char* b = malloc((size_t)st.st_size);
    size_t done = 0;
    while (done < (size_t)st.st_size) {
        ssize_t n = read(fd, b + done, (size_t)st.st_size - done);
        if (n <= 0)
            break;
        done += (size_t)n;
    }
    close(fd);
    *size = done;
    return b;
}

static unsigned u16(const unsigned char* p) { return p[0] | p[1] << 8; }
static unsigned u32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (unsigned)p[3] << 24; }

// The first APP1 Exif segment's DateTimeOriginal as YYYYMMDD (little-endian TIFF only).
static int exifDay(const unsigned char* b, size_t n)
{
    for (size_t pos = 2; pos + 4 < n && b[pos] == 0xFF && b[pos + 1] != 0xDA;) {
        size_t len = (size_t)b[pos + 2] << 8 | b[pos + 3];
        if (b[pos + 1] == 0xE1 && len > 16 && pos + 2 + len <= n && memcmp(b + pos + 4, "Exif", 4) == 0) {
            const unsigned char* t = b + pos + 10;
            size_t tn = len - 8, d = u32(t + 4);
            for (int level = 0; level < 2 && d + 2 <= tn; ++level) {
                size_t next = 0;
                for (unsigned k = 0, c = u16(t + d); k < c && d + 14 + 12 * k <= tn; ++k) {
                    const unsigned char* e = t + d + 2 + 12 * k;
                    if (u16(e) == 0x8769)
                        next = u32(e + 8);
                    if (u16(e) == 0x9003 && u32(e + 8) + 10 <= tn) {
                        const unsigned char* s = t + u32(e + 8);
                        return atoi((const char*)s) * 10000 + atoi((const char*)s + 5) * 100 + atoi((const char*)s + 8);
                    }
                }
                d = next;
            }
        }
        pos += 2 + len;
    }
    return 0;
}

static unsigned char* encode(const unsigned char* pixels, int w, int h, int components, J_COLOR_SPACE space,
                             int quality, unsigned long* size)
{
    struct jpeg_compress_struct e;
    struct jpeg_error_mgr err;
    e.err = jpeg_std_error(&err);
    jpeg_create_compress(&e);
    unsigned char* jpeg = NULL;
    *size = 0;
    jpeg_mem_dest(&e, &jpeg, size);
    e.image_width = (JDIMENSION)w;
    e.image_height = (JDIMENSION)h;
    e.input_components = components;
    e.in_color_space = space;
    jpeg_set_defaults(&e);
    jpeg_set_quality(&e, quality, TRUE);
    jpeg_start_compress(&e, TRUE);
    while (e.next_scanline < (JDIMENSION)h) {
        JSAMPROW row = (JSAMPROW)pixels + (size_t)e.next_scanline * w * components;
        jpeg_write_scanlines(&e, &row, 1);
    }
    jpeg_finish_compress(&e);
    jpeg_destroy_compress(&e);
    return jpeg;
}

static int writeSynced(const char* dir, const char* name, const void* data, size_t size)
{
    char tmp[4096], target[4096];
    snprintf(target, sizeof target, "%s/%s", dir, name);
    snprintf(tmp, sizeof tmp, "%s.tmpXXXXXX", target);
    int fd = mkstemp(tmp);
    if (fd < 0 || write(fd, data, size) != (ssize_t)size || fsync(fd) != 0)
        return 1;
    close(fd);
    return rename(tmp, target) != 0;
}

static int importOne(const char* out, const char* path)
{
    size_t size;
    unsigned char* file = readAll(path, &size);
    if (!file)
        return 1;
    const int day = exifDay(file, size);
    struct jpeg_decompress_struct d;
    struct jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file, size);
    jpeg_read_header(&d, TRUE);
    unsigned r = 1;
    for (unsigned c = 8; c > 1; c /= 2)
        if ((d.image_width + c - 1) / c >= 640 && (d.image_height + c - 1) / c >= 640) {
            r = c;
            break;
        }
    d.scale_denom = r;
    d.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&d);
    const int w = (int)d.output_width, h = (int)d.output_height;
    unsigned char* pixels = malloc((size_t)w * h * 4);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = pixels + (size_t)d.output_scanline * w * 4;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    free(file);
    // The centre at 4:3, each target pixel the average of the source pixels it covers.
    int cw = w, ch = h, cx = 0, cy = 0;
    if (w * 3 > h * 4) { cw = h * 4 / 3; cx = (w - cw) / 2; } else { ch = w * 3 / 4; cy = (h - ch) / 2; }
    unsigned char* small = malloc(640 * 480 * 4);
    for (int oy = 0; oy < 480; ++oy) {
        int y0 = cy + oy * ch / 480, y1 = cy + (oy + 1) * ch / 480;
        if (y1 <= y0) y1 = y0 + 1;
        for (int ox = 0; ox < 640; ++ox) {
            int x0 = cx + ox * cw / 640, x1 = cx + (ox + 1) * cw / 640;
            if (x1 <= x0) x1 = x0 + 1;
            unsigned s[3] = {0, 0, 0}, n = (unsigned)((y1 - y0) * (x1 - x0));
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    for (int c = 0; c < 3; ++c)
                        s[c] += pixels[((size_t)y * w + x) * 4 + c];
            for (int c = 0; c < 3; ++c)
                small[(oy * 640 + ox) * 4 + c] = (unsigned char)((s[c] + n / 2) / n);
            small[(oy * 640 + ox) * 4 + 3] = 255;
        }
    }
    free(pixels);
    unsigned long jpegSize;
    unsigned char* jpeg = encode(small, 640, 480, 4, JCS_EXT_BGRX, 80, &jpegSize);
    free(small);
    char name[64], dat[4200];
    snprintf(name, sizeof name, "%08d.jpg", day);
    int failed = writeSynced(out, name, jpeg, jpegSize);
    free(jpeg);
    int n = snprintf(dat, sizeof dat, "[Picture]\r\nSourcePath=%s\r\n", path);
    snprintf(name, sizeof name, "%08d.dat", day);
    return failed | writeSynced(out, name, dat, (size_t)n);
}

static int make(int count, const char* dir)
{
    const int w = 4000, h = 3000;
    unsigned char* pixels = malloc((size_t)w * h * 3);
    unsigned seed = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245 + 12345;
            int n = (int)(seed >> 16) % 16;
            unsigned char* p = pixels + ((size_t)y * w + x) * 3;
            p[0] = (unsigned char)((x * 255 / w + n) & 255);
            p[1] = (unsigned char)((y * 255 / h + n) & 255);
            p[2] = (unsigned char)(((x + y) * 128 / (w + h) + n) & 255);
            for (int k = 0; k < 12; ++k) {
                int dx = x - (k * 977) % w, dy = y - (k * 613) % h;
                if (dx * dx + dy * dy < 300 * 300)
                    p[k % 3] = (unsigned char)(40 + k * 17);
            }
        }
    unsigned long size;
    unsigned char* jpeg = encode(pixels, w, h, 3, JCS_RGB, 92, &size);
    // APP1: "Exif", a little-endian TIFF whose IFD0 points at an EXIF directory holding
    // DateTimeOriginal.
    unsigned char app1[4 + 6 + 64] = {0xFF, 0xE1, 0, 2 + 6 + 64, 'E', 'x', 'i', 'f', 0, 0};
    unsigned char* t = app1 + 10;
    const unsigned char tiff[44] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 26, 0, 0, 0,
                                    0, 0, 0, 0, 1, 0, 0x03, 0x90, 2, 0, 20, 0, 0, 0, 44, 0, 0, 0, 0, 0, 0, 0};
    memcpy(t, tiff, sizeof tiff);
    for (int i = 0; i < count; ++i) {
        struct tm day = {.tm_year = 124, .tm_mon = 0, .tm_mday = 1 + i, .tm_hour = 12};
        mktime(&day);
        snprintf((char*)t + 44, 20, "%04d:%02d:%02d 08:00:00", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
        char path[4096];
        snprintf(path, sizeof path, "%s/IMG_%04d.JPG", dir, i);
        FILE* f = fopen(path, "wb");
        fwrite(jpeg, 1, 2, f);
        fwrite(app1, 1, sizeof app1, f);
        fwrite(jpeg + 2, 1, size - 2, f);
        fclose(f);
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 3 && strcmp(argv[1], "--make") == 0)
        return make(atoi(argv[2]), argv[3]);
    int failed = 0;
    for (int i = 2; i < argc; ++i)
        failed |= importOne(argv[1], argv[i]);
    int dir = open(argv[1], O_RDONLY | O_DIRECTORY);
    failed |= dir < 0 || fsync(dir) != 0;
    close(dir);
    return failed;
}
EOF
QT_FLAGS=$(pkg-config --cflags --libs Qt6Widgets Qt6PrintSupport)
gcc -O2 -o "$WORK/measure" "$WORK/measure.c" -lX11
g++ -O2 -fPIC -o "$WORK/qt_args" "$WORK/qt_args.cpp" $QT_FLAGS
g++ -O2 -fPIC -o "$WORK/qt_window" "$WORK/qt_window.cpp" $QT_FLAGS
gcc -O2 -D_GNU_SOURCE -include time.h -o "$WORK/import_floor" "$WORK/import_floor.c" -ljpeg

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
# The import's photos (one folder of one, one of 100) and an empty notebook to import into.
CAMERA="$WORK/camera"
mkdir -p "$CAMERA/bulk" "$CAMERA/one" "$WORK/empty"
if want import || want bulk; then
  "$WORK/import_floor" --make 100 "$CAMERA/bulk"
  cp "$CAMERA/bulk/IMG_0000.JPG" "$CAMERA/one/"
fi
printf '[Data]\r\nStartDate=2024/01/01\r\n' >"$WORK/empty/Kelto.dat"
BULK=("$CAMERA"/bulk/*.JPG)
HALF_A=() HALF_B=()
for i in "${!BULK[@]}"; do
  if ((i % 2)); then HALF_B+=("${BULK[$i]}"); else HALF_A+=("${BULK[$i]}"); fi
done
# The day-list scan: each build's bench_store beside its program folder.
declare -A BENCH_STORE=([after]="$BUILD/bench/bench_store")
[ -n "${BEFORE:-}" ] && BENCH_STORE[before]="$BEFORE/../bench/bench_store"

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
# A run that failed records nothing: an import that wrote fewer days than it had photos.
imported() {  # name notebook photos cmd...
  local out
  out=$("$WORK/measure" "${@:4}" 2>/dev/null) || true
  if [ -n "$out" ] && [ "$(find "$2" -name '2024*.jpg' | wc -l)" = "$3" ]; then record "$1" "$out"; fi
  rm -rf "$2"
}
scanned() {  # which bench_store
  [ -x "$2" ] || return 0
  "$2" --benchmark_filter='BM_ScanDays256|BM_ReaddirSort256' --benchmark_min_time=0.2 \
    --benchmark_format=csv 2>/dev/null | tr -d '"' | awk -F, -v w="$WORK" -v p="$1" '
      $1 == "BM_ScanDays256" { print $3, $4 >> (w "/scan." p ".times") }
      $1 == "BM_ReaddirSort256" && p == "after" { print $3, $4 >> (w "/scan.floor.times") }'
}
for r in $(seq "$RUNS"); do
  for prog in "${PROGRAMS[@]}"; do
    K="$WORK/$prog/kelto"
    if want window; then
      out=$("$WORK/measure" --mapped "$K" "$NOTEBOOK") && [ "$out" != "-" ] && record "window.$prog" "$out"
    fi
    want help && run "help.$prog" "$K" --help
    want date && run "date.$prog" "$K" --photo-date "${PHOTOS[0]}"
    if want align; then
      cp -r "$NOTEBOOK" "$WORK/align-nb"
      run "align.$prog" "$K" --auto-align --replace --notebook "$WORK/align-nb"
      rm -rf "$WORK/align-nb"
    fi
    want pdf && run "pdf.$prog" "$K" --print-pdf "$WORK/$prog.pdf" --notebook "$NOTEBOOK"
    if want import; then
      cp -r "$WORK/empty" "$WORK/nb"
      imported "import.$prog" "$WORK/nb" 1 "$K" --import-photos "$CAMERA/one" --notebook "$WORK/nb"
    fi
    if want bulk; then
      cp -r "$WORK/empty" "$WORK/nb"
      imported "bulk.$prog" "$WORK/nb" 100 "$K" --import-photos "$CAMERA/bulk" --notebook "$WORK/nb"
    fi
    want scan && scanned "$prog" "${BENCH_STORE[$prog]}"
  done
  if want window; then
    out=$("$WORK/measure" --mapped "$WORK/qt_window") && [ "$out" != "-" ] && record window.floor "$out"
  fi
  want help && run help.floor "$WORK/qt_args" --help
  want date && run date.floor "$WORK/qt_args" --photo-date "${PHOTOS[0]}"
  if want align && [ -n "$VIDSTAB" ]; then
    run align.floor ffmpeg -nostdin -v error -framerate 5 -pattern_type glob -i "$NOTEBOOK/*.jpg" \
      -vf "crop=320:240,vidstabdetect=result=$WORK/transforms.trf" -f null -
  fi
  want pdf && [ -n "$IMG2PDF" ] && run pdf.floor /usr/bin/python3 -m img2pdf -o "$WORK/floor.pdf" "${PHOTOS[@]}"
  if want import; then
    mkdir "$WORK/out"
    imported import.floor "$WORK/out" 1 "$WORK/import_floor" "$WORK/out" "$CAMERA/one/IMG_0000.JPG"
  fi
  if want bulk; then
    mkdir "$WORK/out"
    export FLOOR="$WORK/import_floor" OUT="$WORK/out"
    imported bulk.floor "$WORK/out" 100 bash -c \
      '"$FLOOR" "$OUT" "${@:2:$1}" & "$FLOOR" "$OUT" "${@:$(($1 + 2))}" & wait' half \
      "${#HALF_A[@]}" "${HALF_A[@]}" "${HALF_B[@]}"
  fi
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
row "import 1 photo, ms" import 1 0
row "import 1 photo, CPU ms" import 2 0
row "import 100 photos, ms" bulk 1 0
row "import 100 photos, CPU ms" bulk 2 0
row "scan of 256 day files, us" scan 1 0
printf '| %-34s | %-12s |' "--print-pdf 256 days, MB" "$(mb "$WORK/floor.pdf")"
for prog in "${PROGRAMS[@]}"; do
  printf ' %-10s | %-6s |' "$(mb "$WORK/$prog.pdf")" "$(ratio "$(mb "$WORK/$prog.pdf")" "$(mb "$WORK/floor.pdf")")"
done
echo
[ -n "$VIDSTAB" ] || echo "auto-align floor: this ffmpeg has no vidstabdetect filter."
[ -n "$IMG2PDF" ] || echo "--print-pdf floor: img2pdf is missing (Debian package python3-img2pdf)."
echo "Floors: window = a minimal Qt main window; --help and --photo-date = a program linking Qt Core,"
echo "Gui, Widgets and PrintSupport that parses its arguments; auto-align = ffmpeg crop + vidstabdetect;"
echo "--print-pdf = img2pdf of the same photos; import = a C program over libjpeg-turbo (bulk: two"
echo "processes, half the photos each); scan = readdir + sort in C (bench_store)."
