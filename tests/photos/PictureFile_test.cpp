#include "photos/PictureFile.h"

#include "platform/Prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sys/resource.h>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<uint8_t>;
const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255),
           kWhite = qRgb(255, 255, 255);

Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Red, green / blue, white: shows both flips and channel swaps.
QImage quadrants(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite));
    return image;
}

void expectQuadrants(const QImage& image, int tolerance, const std::string& what)
{
    const int w = image.width(), h = image.height();
    const std::pair<QPoint, QRgb> probes[] = {{{w / 4, h / 4}, kRed}, {{3 * w / 4, h / 4}, kGreen},
                                              {{w / 4, 3 * h / 4}, kBlue}, {{3 * w / 4, 3 * h / 4}, kWhite}};
    for (const auto& [at, want] : probes) {
        const QRgb got = image.pixel(at);
        EXPECT_NEAR(qRed(got), qRed(want), tolerance) << what << " at " << at.x() << "," << at.y();
        EXPECT_NEAR(qGreen(got), qGreen(want), tolerance) << what << " at " << at.x() << "," << at.y();
        EXPECT_NEAR(qBlue(got), qBlue(want), tolerance) << what << " at " << at.x() << "," << at.y();
    }
}

// A JPEG straight from libjpeg, so the loader meets what real encoders write.
void writeJpeg(const std::string& path, int w, int h, int components, J_COLOR_SPACE in, J_COLOR_SPACE file,
               bool adobeMarker, bool progressive, const std::function<void(int, int, JSAMPLE*)>& pixel)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_stdio_dest(&c, f);
    c.image_width = w;
    c.image_height = h;
    c.input_components = components;
    c.in_color_space = in;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, file);
    c.write_Adobe_marker = adobeMarker;
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * components);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < w; ++x)
            pixel(x, static_cast<int>(c.next_scanline), &row[static_cast<size_t>(x) * components]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

// A BMP of any supported depth; `value(x, y)` gives a palette index or a QRgb, y counted from the top.
Bytes makeBmp(int bits, int w, int h, quint32 infoSize, const std::vector<QRgb>& palette,
              const std::function<quint32(int, int)>& value)
{
    const int height = std::abs(h), rowBytes = (w * bits + 31) / 32 * 4;
    const quint32 off = 14 + infoSize + 4 * static_cast<quint32>(palette.size());
    Bytes b(off + static_cast<size_t>(rowBytes) * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian<quint32>(static_cast<quint32>(b.size()), &b[2]);
    qToLittleEndian<quint32>(off, &b[10]);
    qToLittleEndian<quint32>(infoSize, &b[14]);
    qToLittleEndian<qint32>(w, &b[18]);
    qToLittleEndian<qint32>(h, &b[22]);
    qToLittleEndian<quint16>(1, &b[26]);
    qToLittleEndian<quint16>(static_cast<quint16>(bits), &b[28]);
    qToLittleEndian<quint32>(static_cast<quint32>(palette.size()), &b[46]);
    for (size_t i = 0; i < palette.size(); ++i)
        qToLittleEndian<quint32>(palette[i] & 0xFFFFFF, &b[14 + infoSize + 4 * i]);
    for (int r = 0; r < height; ++r) {
        uint8_t* row = &b[off + static_cast<size_t>(r) * rowBytes];
        const int y = h < 0 ? r : height - 1 - r;
        for (int x = 0; x < w; ++x) {
            const quint32 v = value(x, y);
            if (bits >= 24)
                qToLittleEndian<quint32>(v, row + x * bits / 8);  // the 4th byte is overwritten or padding
            else
                row[x * bits / 8] |= static_cast<uint8_t>(v << (8 - bits - (x * bits) % 8));
        }
    }
    return b;
}

class PictureFileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }
    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
};

TEST(PictureDib, StrideLayoutAndRoundTrip)
{
    for (auto [width, stride] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {640, 1920}, {0, 0}})
        EXPECT_EQ(DibStride(width), stride) << width;

    const QImage picture = quadrants(6, 4);
    const Bytes rows = ToDibRows(picture, 5, 4);  // only the left 5 columns
    ASSERT_EQ(rows.size(), 16u * 4);
    EXPECT_EQ(Bytes(rows.begin(), rows.begin() + 3), (Bytes{255, 0, 0})) << "first row is the bottom, blue";
    EXPECT_EQ(Bytes(rows.begin() + 48, rows.begin() + 51), (Bytes{0, 0, 255})) << "last row is the top, red";
    EXPECT_EQ(rows[15], 0) << "padding";
    EXPECT_EQ(FromDibRows(rows.data(), rows.size(), 5, 4), picture.copy(0, 0, 5, 4));
    EXPECT_TRUE(FromDibRows(rows.data(), rows.size() - 1, 5, 4).isNull());
    EXPECT_TRUE(FromDibRows(rows.data(), rows.size(), 0, 4).isNull());
    EXPECT_TRUE(ToDibRows(picture, 7, 4).empty());
}

TEST_F(PictureFileTest, BmpFileLayout)
{
    ASSERT_TRUE(SavePictureFile(path("day.bmp"), quadrants(640, 480), 640, 480, 80, &m_prompt));
    const Bytes b = readBytes(path("day.bmp"));
    ASSERT_EQ(b.size(), 921654u);
    auto u32 = [&](int at) { return qFromLittleEndian<quint32>(&b[at]); };
    auto u16 = [&](int at) { return qFromLittleEndian<quint16>(&b[at]); };
    EXPECT_EQ(u16(0), 0x4D42);
    EXPECT_EQ(u32(2), 921654u);
    EXPECT_EQ(u32(6), 0u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 640u);
    EXPECT_EQ(u32(22), 480u);
    EXPECT_EQ(u16(26), 1);
    EXPECT_EQ(u16(28), 24);
    EXPECT_EQ(u32(30), 0u);
    EXPECT_EQ(u32(38), 0u);
    EXPECT_EQ(u32(42), 0u);
    EXPECT_EQ(u32(46), 16777216u);
    EXPECT_EQ(u32(50), 16777216u);
    EXPECT_EQ(Bytes(b.begin() + 54, b.begin() + 57), (Bytes{255, 0, 0})) << "bottom-left pixel is blue";
    EXPECT_TRUE(m_prompt.asked().empty());
}

TEST_F(PictureFileTest, FormatChosenByFileName)
{
    const QImage picture = quadrants(32, 16);
    for (auto [name, jpeg] : {std::pair{"a.jpg", true}, {"b.JPEG", true}, {"c.Jpg", true}, {"d.jpeg", true},
                              {"e.jpe", false}, {"f.bmp", false}, {"g.png", false}}) {
        ASSERT_TRUE(SavePictureFile(path(name), picture, 32, 16, 90, &m_prompt)) << name;
        const Bytes b = readBytes(path(name));
        EXPECT_EQ(b[0], jpeg ? 0xFF : 'B') << name;
        EXPECT_EQ(b[1], jpeg ? 0xD8 : 'M') << name;
    }
    // Loading goes by the last character alone: g/G is JPEG, anything else BMP.
    const Bytes jpegBytes = readBytes(path("a.jpg")), bmpBytes = readBytes(path("f.bmp"));
    for (auto [name, isJpeg, loads] :
         {std::tuple{"l1.jpg", true, true}, {"l2.JPG", true, true}, {"l3.jpeg", true, true}, {"l4.bmp", false, true},
          {"l5.png", false, true}, {"l6.dib", false, true}, {"l7.png", true, false}, {"l8.bmp", true, false},
          {"l9.jpg", false, false}}) {
        writeBytes(path(name), isJpeg ? jpegBytes : bmpBytes);
        QImage loaded;
        int w = 0, h = 0;
        EXPECT_EQ(LoadPictureFile(path(name), loaded, &w, &h), loads) << name;
        if (loads)
            EXPECT_EQ(std::pair(w, h), std::pair(32, 16)) << name;
    }
}

TEST_F(PictureFileTest, RoundTripKeepsOrientationAndColours)
{
    for (auto [name, w, h, tolerance] : {std::tuple{"r.bmp", 64, 48, 0}, {"r.jpg", 64, 48, 12},
                                         {"odd.bmp", 37, 22, 0}, {"odd.jpg", 48, 32, 12}}) {
        ASSERT_TRUE(SavePictureFile(path(name), quadrants(w, h), w, h, 90, &m_prompt)) << name;
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(path(name), loaded)) << name;
        EXPECT_EQ(loaded.format(), QImage::Format_RGB32);
        EXPECT_EQ(loaded.size(), QSize(w, h)) << name;
        expectQuadrants(loaded, tolerance, name);
        if (tolerance == 0)
            EXPECT_EQ(loaded, quadrants(w, h)) << name;
    }
}

// Another decoder and another encoder must agree with ours on colours and orientation.
TEST_F(PictureFileTest, AgreesWithImageMagick)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick is not installed";
    auto convert = [](const std::string& from, const std::string& to) {
        return std::system(("convert '" + from + "' '" + to + "' 2>/dev/null").c_str()) == 0;
    };
    for (const char* name : {"ours.bmp", "ours.jpg"}) {
        ASSERT_TRUE(SavePictureFile(path(name), quadrants(64, 48), 64, 48, 90, &m_prompt));
        ASSERT_TRUE(convert(path(name), path(name) + ".ppm"));
        expectQuadrants(QImage(QString::fromStdString(path(name) + ".ppm")), 12, name);
    }
    ASSERT_TRUE(quadrants(64, 48).save(QString::fromStdString(path("src.ppm"))));
    for (auto [options, name] : {std::pair{"", "im.bmp"}, {"BMP3:", "im3.bmp"}, {"-type Palette BMP3:", "pal.bmp"},
                                 {"", "im.jpg"}, {"-colorspace CMYK ", "cmyk.jpg"}}) {
        const std::string command = "convert '" + path("src.ppm") + "' " + options + "'" + path(name) + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(path(name), loaded)) << options << name;
        expectQuadrants(loaded, 12, std::string(options) + name);
    }
}

TEST_F(PictureFileTest, JpegColourKinds)
{
    // Top half first colour, bottom half second; CMYK given as ink amounts, 255 = full ink.
    struct Case {
        const char* name;
        int components;
        J_COLOR_SPACE in, file;
        bool adobe, inverted, progressive;
        std::array<uint8_t, 4> top, bottom;
        QRgb wantTop, wantBottom;
    };
    const Case cases[] = {
        {"grey", 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false, false, false, {200}, {30}, qRgb(200, 200, 200), qRgb(30, 30, 30)},
        {"cmyk", 4, JCS_CMYK, JCS_CMYK, false, false, false, {0, 255, 255, 0}, {255, 255, 0, 0}, kRed, kBlue},
        {"adobe-cmyk", 4, JCS_CMYK, JCS_CMYK, true, true, false, {0, 255, 255, 0}, {255, 255, 0, 0}, kRed, kBlue},
        {"adobe-ycck", 4, JCS_CMYK, JCS_YCCK, true, true, false, {0, 255, 255, 0}, {0, 0, 0, 128}, kRed, qRgb(127, 127, 127)},
        {"progressive", 3, JCS_RGB, JCS_YCbCr, false, false, true, {255, 0, 0}, {0, 0, 255}, kRed, kBlue},
        {"rgb-space", 3, JCS_RGB, JCS_RGB, true, false, false, {0, 255, 0}, {0, 0, 255}, kGreen, kBlue},
    };
    for (const Case& c : cases) {
        const std::string file = path(std::string(c.name) + ".jpg");
        writeJpeg(file, 48, 32, c.components, c.in, c.file, c.adobe, c.progressive, [&](int, int y, JSAMPLE* px) {
            for (int i = 0; i < c.components; ++i)
                px[i] = static_cast<JSAMPLE>(c.inverted ? 255 - (y < 16 ? c.top : c.bottom)[i] : (y < 16 ? c.top : c.bottom)[i]);
        });
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(file, loaded)) << c.name;
        for (auto [y, want] : {std::pair{4, c.wantTop}, {28, c.wantBottom}}) {
            const QRgb got = loaded.pixel(24, y);
            EXPECT_NEAR(qRed(got), qRed(want), 6) << c.name << " y " << y;
            EXPECT_NEAR(qGreen(got), qGreen(want), 6) << c.name << " y " << y;
            EXPECT_NEAR(qBlue(got), qBlue(want), 6) << c.name << " y " << y;
            EXPECT_EQ(qAlpha(got), 255) << c.name;
        }
    }
}

TEST_F(PictureFileTest, BmpKinds)
{
    const std::vector<QRgb> pal = {kRed, kGreen, kBlue, kWhite};
    auto quadIndex = [](int w, int h) {
        return [=](int x, int y) -> quint32 { return (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1); };
    };
    auto quadColour = [&](int w, int h) {
        return [=](int x, int y) -> quint32 { return pal[(y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1)]; };
    };
    const std::pair<const char*, Bytes> cases[] = {
        {"24 bottom-up", makeBmp(24, 10, 6, 40, {}, quadColour(10, 6))},
        {"24 top-down", makeBmp(24, 10, -6, 40, {}, quadColour(10, 6))},
        {"32 top-down", makeBmp(32, 9, -6, 40, {}, quadColour(9, 6))},
        {"32 v5 header", makeBmp(32, 9, 6, 124, {}, quadColour(9, 6))},
        {"8 palette", makeBmp(8, 10, 6, 40, pal, quadIndex(10, 6))},
        {"4 palette", makeBmp(4, 11, 6, 40, pal, quadIndex(11, 6))},
        {"1 palette", makeBmp(1, 18, 6, 40, {kRed, kBlue}, [](int, int y) -> quint32 { return y < 3 ? 0 : 1; })},
    };
    for (const auto& [name, bytes] : cases) {
        writeBytes(path("k.bmp"), bytes);
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(path("k.bmp"), loaded)) << name;
        if (std::string(name) == "1 palette") {
            EXPECT_EQ(loaded.pixel(17, 0), kRed);
            EXPECT_EQ(loaded.pixel(17, 5), kBlue);
        } else {
            expectQuadrants(loaded, 0, name);
        }
    }
    // An index past the colours the file holds reads as black rather than outside the palette.
    writeBytes(path("k.bmp"), makeBmp(8, 4, 2, 40, {kRed, kGreen}, [](int x, int) -> quint32 { return x < 2 ? 1 : 200; }));
    QImage loaded;
    ASSERT_TRUE(LoadPictureFile(path("k.bmp"), loaded));
    EXPECT_EQ(loaded.pixel(0, 0), kGreen);
    EXPECT_EQ(loaded.pixel(3, 1), qRgb(0, 0, 0));
}

TEST_F(PictureFileTest, DamagedFilesFailAndLeaveThePictureAlone)
{
    ASSERT_TRUE(SavePictureFile(path("good.jpg"), quadrants(64, 48), 64, 48, 80, &m_prompt));
    writeJpeg(path("prog.jpg"), 64, 48, 3, JCS_RGB, JCS_YCbCr, false, true, [](int x, int y, JSAMPLE* p) {
        p[0] = static_cast<JSAMPLE>(x * 4), p[1] = static_cast<JSAMPLE>(y * 5), p[2] = 7;
    });
    const Bytes jpeg = readBytes(path("good.jpg")), prog = readBytes(path("prog.jpg"));
    const Bytes bmp = makeBmp(24, 10, 6, 40, {}, [](int, int) -> quint32 { return kRed; });
    size_t sof = 2;
    while (sof + 1 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0))
        ++sof;
    auto patched = [](Bytes b, size_t at, std::initializer_list<uint8_t> with) {
        std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    auto le32 = [&](size_t at, quint32 v) {
        Bytes b = bmp;
        qToLittleEndian<quint32>(v, &b[at]);
        return b;
    };
    const std::tuple<const char*, const char*, Bytes> cases[] = {
        {"empty", "x.jpg", {}},
        {"junk", "x.jpg", Bytes(300, 0x5A)},
        {"headers cut", "x.jpg", Bytes(jpeg.begin(), jpeg.begin() + 120)},
        {"data cut", "x.jpg", Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 2 / 3))},
        {"progressive cut", "x.jpg", Bytes(prog.begin(), prog.begin() + static_cast<long>(prog.size() / 2))},
        {"width 0", "x.jpg", patched(jpeg, sof + 7, {0, 0})},
        {"60000 x 60000", "x.jpg", patched(jpeg, sof + 5, {0xEA, 0x60, 0xEA, 0x60})},
        {"bmp empty", "x.bmp", {}},
        {"bmp bad magic", "x.bmp", patched(bmp, 0, {'M', 'B'})},
        {"bmp core header", "x.bmp", le32(14, 12)},
        {"bmp huge header", "x.bmp", le32(14, 0xFFFFFFF0)},
        {"bmp width 0", "x.bmp", le32(18, 0)},
        {"bmp width negative", "x.bmp", le32(18, 0xFFFFFFF6)},
        {"bmp height INT_MIN", "x.bmp", le32(22, 0x80000000)},
        {"bmp 30000 wide", "x.bmp", le32(18, 30000)},
        {"bmp 15000 x 15000", "x.bmp", patched(le32(18, 15000), 22, {0x98, 0x3A, 0, 0})},
        {"bmp 16-bit", "x.bmp", patched(bmp, 28, {16, 0})},
        {"bmp RLE8", "x.bmp", le32(30, 1)},
        {"bmp offset past end", "x.bmp", le32(10, 0xFFFFFFF0)},
        {"bmp offset inside header", "x.bmp", le32(10, 20)},
        {"bmp truncated rows", "x.bmp", Bytes(bmp.begin(), bmp.end() - 1)},
        {"bmp huge palette", "x.bmp", le32(46, 0xFFFFFFFF)},
    };
    const QImage sentinel = quadrants(3, 3);
    for (const auto& [name, file, bytes] : cases) {
        writeBytes(path(file), bytes);
        QImage picture = sentinel;
        int w = -5;
        EXPECT_FALSE(LoadPictureFile(path(file), picture, &w)) << name;
        EXPECT_EQ(picture, sentinel) << name;
        EXPECT_EQ(w, -5) << name;
    }
    QImage picture = sentinel;
    EXPECT_FALSE(LoadPictureFile(path("missing.jpg"), picture));
    EXPECT_FALSE(LoadPictureFile(m_dir.path().toStdString() + "/", picture));
    EXPECT_EQ(picture, sentinel);

    // Random damage: whatever the outcome, no crash and no half-made picture.
    std::mt19937 random(12345);
    for (const auto& [source, file] : {std::pair{&jpeg, "f.jpg"}, {&prog, "f.jpg"}, {&bmp, "f.bmp"}}) {
        for (int i = 0; i < 150; ++i) {
            Bytes b = *source;
            for (int n = 0; n < 4; ++n)
                b[random() % b.size()] = static_cast<uint8_t>(random());
            writeBytes(path(file), b);
            QImage p = sentinel;
            if (!LoadPictureFile(path(file), p))
                ASSERT_EQ(p, sentinel);
        }
    }
}

TEST_F(PictureFileTest, ScaledLoadUsesTheSmallestCoveringScale)
{
    ASSERT_TRUE(SavePictureFile(path("big.jpg"), quadrants(640, 480), 640, 480, 80, &m_prompt));
    ASSERT_TRUE(SavePictureFile(path("big.bmp"), quadrants(640, 480), 640, 480, 80, &m_prompt));
    for (auto [name, tw, th, want] : {std::tuple{"big.jpg", 80, 60, QSize(80, 60)}, {"big.jpg", 81, 60, QSize(160, 120)},
                                      {"big.jpg", 100, 200, QSize(640, 480)}, {"big.jpg", 700, 10, QSize(640, 480)},
                                      {"big.bmp", 80, 60, QSize(640, 480)}}) {
        QImage small;
        int w = 0, h = 0;
        ASSERT_TRUE(LoadPictureScaled(path(name), tw, th, small, &w, &h)) << name;
        EXPECT_EQ(small.size(), want) << name << " " << tw << "x" << th;
        EXPECT_EQ(std::pair(w, h), std::pair(640, 480));
        expectQuadrants(small, 12, name);
    }
}

TEST_F(PictureFileTest, FailedSaveReportsAndKeepsTheOldFile)
{
    const QImage noise = [] {
        QImage image(1000, 1000, QImage::Format_RGB32);
        std::mt19937 random(7);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, random() | 0xFF000000);
        return image;
    }();
    writeBytes(path("plain"), {1, 2, 3});
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.jpg"));

    // Beyond 256 KB every write fails (as on a full disk), so both encoders fail part-way.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto limitWrites = [&](bool on) {
        rlimit l = old;
        l.rlim_cur = on ? 256 * 1024 : old.rlim_cur;
        setrlimit(RLIMIT_FSIZE, &l);
    };
    std::signal(SIGXFSZ, SIG_IGN);

    struct Case {
        const char* name;
        std::string target;
        QImage picture;
        int w, h;
        bool limited;
    };
    const Case cases[] = {
        {"parent is a file", path("plain") + "/day.jpg", quadrants(8, 8), 8, 8, false},
        {"target is a folder", path("folder.jpg"), quadrants(8, 8), 8, 8, false},
        {"size beyond picture", path("old.jpg"), quadrants(8, 8), 9, 8, false},
        {"null picture", path("old.bmp"), QImage(), 8, 8, false},
        {"jpeg write fails", path("old.jpg"), noise, 1000, 1000, true},
        {"bmp write fails", path("old.bmp"), noise, 1000, 1000, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SavePictureFile(path("old.jpg"), quadrants(40, 30), 40, 30, 80, nullptr));
        ASSERT_TRUE(SavePictureFile(path("old.bmp"), quadrants(40, 30), 40, 30, 80, nullptr));
        const Bytes before = readBytes(c.target);
        const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        m_prompt.clear();
        limitWrites(c.limited);
        const bool saved = SavePictureFile(c.target, c.picture, c.w, c.h, 95, &m_prompt);
        limitWrites(false);
        EXPECT_FALSE(saved) << c.name;
        EXPECT_EQ(m_prompt.asked(), std::vector<int>{133}) << c.name;
        EXPECT_EQ(readBytes(c.target), before) << c.name;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), filesBefore) << c.name << ": temp file left";
    }
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(SavePictureFile(path("plain") + "/x.bmp", noise, 8, 8, 80, nullptr)) << "no prompt given";
}

} // namespace
