#!/usr/bin/env bash
# Writes the seed corpora under fuzz/corpus/: small valid inputs of each reader's format.
# The files are checked in; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
out=$PWD/corpus
mkdir -p "$out"/{ini,dayfile,memo,jpeg,bmp}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# JPEG: libjpeg writes the variants the loader has separate paths for.
cat >"$tmp/jpegs.c" <<'EOF'
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>

static void write(const char* path, int w, int h, J_COLOR_SPACE in, int comps, int progressive,
                  int restart, int smoothing444, int arith)
{
    FILE* f = fopen(path, "wb");
    struct jpeg_compress_struct c;
    struct jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = w;
    c.image_height = h;
    c.input_components = comps;
    c.in_color_space = in;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 50, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    c.restart_in_rows = restart;
    c.arith_code = arith;
    if (smoothing444 && comps == 3)
        for (int i = 0; i < 3; ++i)
            c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    unsigned char* row = malloc((size_t)w * comps);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < w * comps; ++x)
            row[x] = (unsigned char)(x * 7 + c.next_scanline * 13);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    free(row);
    fclose(f);
}

int main(int argc, char** argv)
{
    char p[4096];
    const char* d = argv[1];
    (void)argc;
    snprintf(p, sizeof p, "%s/baseline.jpg", d); write(p, 24, 16, JCS_RGB, 3, 0, 0, 0, 0);
    snprintf(p, sizeof p, "%s/gray.jpg", d); write(p, 17, 9, JCS_GRAYSCALE, 1, 0, 0, 0, 0);
    snprintf(p, sizeof p, "%s/progressive.jpg", d); write(p, 24, 16, JCS_RGB, 3, 1, 0, 0, 0);
    snprintf(p, sizeof p, "%s/cmyk.jpg", d); write(p, 16, 8, JCS_CMYK, 4, 0, 0, 0, 0);
    snprintf(p, sizeof p, "%s/cmyk-progressive.jpg", d); write(p, 16, 8, JCS_CMYK, 4, 1, 0, 0, 0);
    snprintf(p, sizeof p, "%s/restart-444.jpg", d); write(p, 40, 24, JCS_RGB, 3, 0, 1, 1, 0);
    snprintf(p, sizeof p, "%s/arithmetic.jpg", d); write(p, 16, 16, JCS_RGB, 3, 0, 0, 0, 1);
    return 0;
}
EOF
cc -O1 -o "$tmp/jpegs" "$tmp/jpegs.c" -ljpeg
"$tmp/jpegs" "$out/jpeg"

# BMP, INI, day and memo files.
python3 - "$out" <<'EOF'
import struct, sys
out = sys.argv[1]

def bmp(name, w, h, bits, palette=None, top_down=False, colors_used=0, info=40):
    row = ((w * bits + 31) // 32) * 4
    pixels = bytes((x * 37 + y * 11) & 0xff for y in range(h) for x in range(row))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in (palette or []))
    offset = 14 + info + len(pal)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    dib = struct.pack("<IiiHHIIiiII", info, w, -h if top_down else h, 1, bits, 0, len(pixels), 2835, 2835,
                      colors_used, 0)
    dib += bytes(info - 40)
    open(f"{out}/bmp/{name}", "wb").write(head + dib + pal + pixels)

bmp("rgb24.bmp", 7, 5, 24)
bmp("rgb32-topdown.bmp", 4, 3, 32, top_down=True)
bmp("pal8.bmp", 9, 4, 8, [(i, 255 - i, i // 2) for i in range(0, 256, 16)], colors_used=16)
bmp("pal4.bmp", 5, 3, 4, [(i * 16, i * 8, 255 - i * 16) for i in range(16)])
bmp("mono.bmp", 13, 3, 1, [(0, 0, 0), (255, 255, 255)])
bmp("v5header.bmp", 3, 2, 24, info=124)

def text(folder, name, s, enc="cp932", eol="\r\n"):
    open(f"{out}/{folder}/{name}", "wb").write(s.replace("\n", eol).encode(enc))

text("ini", "layout.ini", "[Calender]\nX=10\nY=20\nPicWidth=80\nPicHeight=60\n\n[Memo]\nWidth=300\nHeight=200\n"
     "LinePitch=20\nTitle=メモ,10,5\n[Data1]\nLinePitch=18\n")
text("ini", "kelto-utf8.ini", "\ufeff[Notebook]\nName=あさがお\nPath=\"/home/user/data\"\n; comment\n[Triming]\n"
     "Width = 640 \nHeight=-480\n", enc="utf-8", eol="\n")
text("ini", "weather.ini", "[weather]\nURL=https://example.invalid/%d/%02d.html\nPlace=東京\nplace=duplicate\n"
     "[Weather]\nCode=44132\n")
text("dayfile", "full.dat", "[Weather]\nWeather=晴れのちくもり\nLowTemp=9.7\nHighTemp=21.5\nDaylight=6.0\n"
     "[Growth]\nDataHeight=12.3\nDataWidth=4.0\nDataCount=7\nDataFuel=100.0\nTemperature=22.0\nDataGraph=1\n"
     "Option1=-3.5\nOption2=\n[Picture]\nSourcePath=/home/user/写真/IMG_0001.JPG\n")
text("dayfile", "growth-only-lf.dat", "[Growth]\nDataHeight=3.0\nDataCount=2\nDataGraph=0\n", eol="\n")
text("dayfile", "utf8.dat", "[Weather]\nWeather=雨\nLowTemp=-1.5\n[Growth]\nDataWidth=1e2\nOption1=+4\n",
     enc="utf-8", eol="\n")

def memo(name, w, h, pitch, unit, s, enc="cp932"):
    head = struct.pack("<iiiB", w, h, pitch, unit)
    open(f"{out}/memo/{name}", "wb").write(head + s.replace("\n", "\r\n").encode(enc))

memo("template.txt", 300, 200, 20, 7, "メモ帳の終了コマンド：ファイルを保存して閉じる\nきょうは はっぱが 2まい ふえた。\n"
     "みずを あげました。\n")
memo("long-line.txt", 100, 60, 20, 15, "あいうえおかきくけこさしすせそたちつてとなにぬねの" * 3 + "\n\n最後\n")
memo("mixed-utf8.txt", 120, 400, 16, 3, "abc def\u200b\u200bghi\u0301 𠮷野家 🌱 plant\ttab\nline2\x01\x02\n",
     enc="utf-8")
EOF
ls -l "$out"/*
