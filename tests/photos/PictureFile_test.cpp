#include "photos/PictureFile.h"

#include "platform/Prompt.h"
#include "platform/TextCodec.h"
#include "support/JpegBytes.h"
#include "support/RequireWritten.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <random>
#include <thread>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

namespace {

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255),
           kWhite = qRgb(255, 255, 255);

Bytes readBytes(const std::string& path)
{
    Bytes bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

void writeBytes(const std::string& path, const Bytes& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
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

int Luma(QRgb c)
{
    return static_cast<int>(std::lround(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c)));
}

void expectNear(QRgb got, QRgb want, int tolerance, const std::string& what)
{
    EXPECT_TRUE(std::abs(qRed(got) - qRed(want)) <= tolerance
                && std::abs(qGreen(got) - qGreen(want)) <= tolerance
                && std::abs(qBlue(got) - qBlue(want)) <= tolerance && qAlpha(got) == 255)
        << what << ": got " << std::hex << got << ", want " << want;
}

void expectQuadrants(const QImage& image, int tolerance, const std::string& what)
{
    const int w = image.width(), h = image.height();
    expectNear(image.pixel(w / 4, h / 4), kRed, tolerance, what + " top left");
    expectNear(image.pixel(3 * w / 4, h / 4), kGreen, tolerance, what + " top right");
    expectNear(image.pixel(w / 4, 3 * h / 4), kBlue, tolerance, what + " bottom left");
    expectNear(image.pixel(3 * w / 4, 3 * h / 4), kWhite, tolerance, what + " bottom right");
}

// A JPEG straight from libjpeg, so the loader meets what real encoders write.
void writeJpeg(const std::string& path, int w, int h, int components, J_COLOR_SPACE in, J_COLOR_SPACE file,
               bool adobeMarker, bool progressive, const std::function<void(int y, JSAMPLE*)>& pixel)
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
            pixel(static_cast<int>(c.next_scanline), &row[static_cast<size_t>(x) * components]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

Bytes cut(const Bytes& b, size_t size)
{
    return Bytes(b.begin(), b.begin() + static_cast<long>(std::min(size, b.size())));
}

Bytes makeBmp(int bits, int w, int h, quint32 infoSize, const std::vector<QRgb>& palette,
              const std::function<quint32(int, int)>& value)
{
    const int height = std::abs(h), rowBytes = (w * bits + 31) / 32 * 4;
    const quint32 off = 14 + infoSize + 4 * static_cast<quint32>(palette.size());
    Bytes b(off + static_cast<size_t>(rowBytes) * height + 4, 0);  // 4 spare bytes for the last 32-bit store
    b[0] = 'B', b[1] = 'M', b[26] = 1, b[28] = static_cast<uint8_t>(bits);
    qToLittleEndian<quint32>(off, &b[10]);
    qToLittleEndian<quint32>(infoSize, &b[14]);
    qToLittleEndian<qint32>(w, &b[18]);
    qToLittleEndian<qint32>(h, &b[22]);
    qToLittleEndian<quint32>(static_cast<quint32>(palette.size()), &b[46]);
    for (size_t i = 0; i < palette.size(); ++i)
        qToLittleEndian<quint32>(palette[i] & 0xFFFFFF, &b[14 + infoSize + 4 * i]);
    for (int r = 0; r < height; ++r) {
        uint8_t* row = &b[off + static_cast<size_t>(r) * rowBytes];
        for (int x = 0; x < w; ++x) {
            const quint32 v = value(x, h < 0 ? r : height - 1 - r);
            if (bits >= 24)
                qToLittleEndian<quint32>(v, row + x * bits / 8);
            else
                row[x * bits / 8] |= static_cast<uint8_t>(v << (8 - bits - (x * bits) % 8));
        }
    }
    b.resize(b.size() - 4);
    return b;
}

class PictureFileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }
    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
};

TEST(PictureDib, StrideLayoutAndRoundTrip)
{
    for (auto [width, stride] : {std::pair{1, 4}, {2, 8}, {4, 12}, {5, 16}, {640, 1920}, {0, 0}})
        EXPECT_EQ(DibStride(width), stride) << width;
    const QImage picture = quadrants(6, 4);
    const Bytes rows = ToDibRows(picture, 5, 4);  // the left 5 columns only
    ASSERT_EQ(rows.size(), 16u * 4);
    EXPECT_EQ(Bytes(rows.begin(), rows.begin() + 3), (Bytes{255, 0, 0}))
        << "first row is the bottom one, blue";
    EXPECT_EQ(Bytes(rows.begin() + 48, rows.begin() + 51), (Bytes{0, 0, 255}))
        << "last row is the top one, red";
    EXPECT_EQ(FromDibRows(rows.data(), rows.size(), 5, 4), picture.copy(0, 0, 5, 4));
    EXPECT_TRUE(FromDibRows(rows.data(), rows.size() - 1, 5, 4).isNull());
    EXPECT_TRUE(ToDibRows(picture, 7, 4).empty());
}

TEST_F(PictureFileTest, BmpFileLayout)
{
    ASSERT_TRUE(SavePictureFile(path("day.bmp"), quadrants(640, 480), 640, 480, 80));
    const Bytes b = readBytes(path("day.bmp"));
    ASSERT_EQ(b.size(), 921654u);
    // bfType, bfSize, reserved, bfOffBits, biSize, width, height, planes + 24 bits, compression,
    // biSizeImage, resolutions, and the colour counts of 2^24 with no colour table after them.
    // clang-format off
    const std::tuple<int, int, quint32> fields[] = {{0, 2, 0x4D42}, {2, 4, 921654}, {6, 4, 0}, {10, 4, 54},
                                                    {14, 4, 40}, {18, 4, 640}, {22, 4, 480}, {26, 2, 1}, {28, 2, 24},
                                                    {30, 4, 0}, {34, 4, 0}, {38, 4, 0}, {42, 4, 0}, {46, 4, 0x1000000}, {50, 4, 0x1000000}};
    // clang-format on
    for (auto [at, size, want] : fields)
        EXPECT_EQ(size == 2 ? qFromLittleEndian<quint16>(&b[at]) : qFromLittleEndian<quint32>(&b[at]), want)
            << "offset " << at;
    EXPECT_EQ(Bytes(b.begin() + 54, b.begin() + 57), (Bytes{255, 0, 0})) << "bottom-left pixel first, blue";
    EXPECT_TRUE(m_prompt.asked().empty());
}

TEST_F(PictureFileTest, FormatChosenByFileName)
{
    for (auto [name, jpeg] : {std::pair{"a.jpg", true},
                              {"b.JPEG", true},
                              {"c.Jpg", true},
                              {"d.jpeg", true},
                              {"e.jpe", false},
                              {"f.bmp", false},
                              {"g.png", false}}) {
        ASSERT_TRUE(SavePictureFile(path(name), quadrants(32, 16), 32, 16, 90)) << name;
        EXPECT_EQ(readBytes(path(name))[0], jpeg ? 0xFF : 'B') << name;
    }
    // Loading goes by the last character alone: g/G is JPEG (".png" too), anything else BMP.
    const Bytes jpegBytes = readBytes(path("a.jpg")), bmpBytes = readBytes(path("f.bmp"));
    for (auto [name, isJpeg, loads] : {std::tuple{"l1.jpg", true, true},
                                       {"l2.JPG", true, true},
                                       {"l3.jpeg", true, true},
                                       {"l4.bmp", false, true},
                                       {"l5.dat", false, true},
                                       {"l6.png", true, true},
                                       {"l7.png", false, false},
                                       {"l8.bmp", true, false},
                                       {"l9.jpg", false, false}}) {
        writeBytes(path(name), isJpeg ? jpegBytes : bmpBytes);
        QImage loaded;
        int w = 0, h = 0;
        EXPECT_EQ(LoadPictureFile(path(name), loaded, &w, &h), loads) << name;
        EXPECT_EQ(std::pair(w, h), loads ? std::pair(32, 16) : std::pair(0, 0)) << name;
    }
}

TEST_F(PictureFileTest, RoundTripKeepsOrientationAndColours)
{
    for (auto [name, w, h, tolerance] : {std::tuple{"r.bmp", 64, 48, 0},
                                         {"r.jpg", 64, 48, 12},
                                         {"odd.bmp", 37, 22, 0},
                                         {"odd.jpg", 48, 32, 12}}) {
        ASSERT_TRUE(SavePictureFile(path(name), quadrants(w, h), w, h, 90)) << name;
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(path(name), loaded)) << name;
        EXPECT_EQ(loaded.format(), QImage::Format_RGB32);
        ASSERT_EQ(loaded.size(), QSize(w, h)) << name;
        expectQuadrants(loaded, tolerance, name);
    }
}

// Another decoder and other encoders must agree with ours on colours and orientation.
TEST_F(PictureFileTest, AgreesWithImageMagick)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick is not installed";
    auto convert = [](const std::string& from, const std::string& options, const std::string& to) {
        return std::system(("convert '" + from + "' " + options + "'" + to + "' 2>/dev/null").c_str()) == 0;
    };
    // ImageMagick takes our JPEG; our BMP's 2^24 colour count is read by Qt's own decoder.
    ASSERT_TRUE(SavePictureFile(path("ours.jpg"), quadrants(64, 48), 64, 48, 90));
    ASSERT_TRUE(convert(path("ours.jpg"), "", path("ours.jpg") + ".ppm"));
    expectQuadrants(QImage(QString::fromStdString(path("ours.jpg") + ".ppm")), 12, "ours.jpg");
    ASSERT_TRUE(SavePictureFile(path("ours.bmp"), quadrants(64, 48), 64, 48, 90));
    expectQuadrants(QImage(QString::fromStdString(path("ours.bmp")), "BMP"), 12, "ours.bmp");
    ASSERT_TRUE(quadrants(64, 48).save(QString::fromStdString(path("src.ppm"))));
    for (auto [options, name] : {std::pair{"", "im.bmp"},
                                 {"BMP3:", "im3.bmp"},
                                 {"-type Palette BMP3:", "pal.bmp"},
                                 {"", "im.jpg"},
                                 {"-colorspace CMYK ", "cmyk.jpg"}}) {
        ASSERT_TRUE(convert(path("src.ppm"), options, path(name))) << options << name;
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(path(name), loaded)) << options << name;
        expectQuadrants(loaded, 12, std::string(options) + name);
    }
}

TEST_F(PictureFileTest, JpegColourKinds)
{
    // Top half, bottom half; CMYK as ink (255 = full), stored inverted in Adobe-marked files as Adobe writers
    // do.
    struct Case {
        const char* name;
        int components;
        J_COLOR_SPACE file;
        bool adobe, progressive;
        std::array<int, 4> top, bottom;
        QRgb wantTop, wantBottom;
    };
    const QRgb grey = qRgb(127, 127, 127);
    // clang-format off
    const Case cases[] = {
        {"grey",        1, JCS_GRAYSCALE, false, false, {200},            {30},             qRgb(200, 200, 200), qRgb(30, 30, 30)},
        {"cmyk",        4, JCS_CMYK,      false, false, {0, 255, 255, 0}, {255, 255, 0, 0}, kRed, kBlue},
        {"adobe cmyk",  4, JCS_CMYK,      true,  false, {0, 255, 255, 0}, {255, 255, 0, 0}, kRed, kBlue},
        {"adobe ycck",  4, JCS_YCCK,      true,  false, {0, 255, 255, 0}, {0, 0, 0, 128},   kRed, grey},
        {"progressive", 3, JCS_YCbCr,     false, true,  {255, 0, 0},      {0, 0, 255},      kRed, kBlue},
    };
    // clang-format on
    for (const Case& c : cases) {
        const J_COLOR_SPACE in = c.components == 1 ? JCS_GRAYSCALE : c.components == 3 ? JCS_RGB : JCS_CMYK;
        writeJpeg(
            path("c.jpg"), 48, 32, c.components, in, c.file, c.adobe, c.progressive, [&](int y, JSAMPLE* px) {
                for (int i = 0; i < c.components; ++i)
                    px[i] =
                        static_cast<JSAMPLE>(std::abs((c.adobe ? 255 : 0) - (y < 16 ? c.top : c.bottom)[i]));
            });
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(path("c.jpg"), loaded)) << c.name;
        expectNear(loaded.pixel(24, 4), c.wantTop, 6, std::string(c.name) + " top");
        expectNear(loaded.pixel(24, 28), c.wantBottom, 6, std::string(c.name) + " bottom");
        // The brightness alone: the luma the file keeps (grey, YCbCr), or else that of its colours.
        QImage brightness;
        ASSERT_TRUE(LoadPictureBrightness(path("c.jpg"), brightness)) << c.name;
        ASSERT_EQ(brightness.format(), QImage::Format_Grayscale8) << c.name;
        ASSERT_EQ(brightness.size(), QSize(48, 32)) << c.name;
        EXPECT_NEAR(brightness.constScanLine(4)[24], Luma(c.wantTop), 6) << c.name;
        EXPECT_NEAR(brightness.constScanLine(28)[24], Luma(c.wantBottom), 6) << c.name;
    }
    const std::string bmp = path("q.bmp");
    RequireWritten(SavePictureFile(bmp, quadrants(40, 20), 40, 20, 0));
    QImage brightness = quadrants(1, 1);
    EXPECT_FALSE(LoadPictureBrightness(path("none.jpg"), brightness));
    EXPECT_EQ(brightness.format(), QImage::Format_RGB32);  // left as it was
    ASSERT_TRUE(LoadPictureBrightness(bmp, brightness));
    EXPECT_EQ(brightness.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(brightness.constScanLine(5)[30], Luma(kGreen));
    EXPECT_EQ(brightness.constScanLine(15)[10], Luma(kBlue));
}

TEST_F(PictureFileTest, BmpKinds)
{
    const std::vector<QRgb> pal = {kRed, kGreen, kBlue, kWhite};
    auto index = [](int w, int h) {
        return [=](int x, int y) -> quint32 { return (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1); };
    };
    auto colour = [&](int w, int h) { return [=](int x, int y) { return pal[index(w, h)(x, y)]; }; };
    Bytes windowsStyle = makeBmp(24, 10, 6, 40, {}, colour(10, 6));
    qToLittleEndian<quint32>(0x1000000, &windowsStyle[46]);  // biClrUsed as the Windows build writes it
    // clang-format off
    const std::pair<const char*, Bytes> cases[] = {
        {"24 bottom-up", makeBmp(24, 10, 6, 40, {}, colour(10, 6))},
        {"24 top-down", makeBmp(24, 10, -6, 40, {}, colour(10, 6))},
        {"24 claiming 2^24 colours", windowsStyle},
        {"32 top-down", makeBmp(32, 9, -6, 40, {}, colour(9, 6))},
        {"32 v5 header", makeBmp(32, 9, 6, 124, {}, colour(9, 6))},
        {"8 palette", makeBmp(8, 10, 6, 40, pal, index(10, 6))},
        {"4 palette", makeBmp(4, 11, 6, 40, pal, index(11, 6))},
        {"1 palette", makeBmp(1, 18, 6, 40, pal, [](int x, int) -> quint32 { return x >= 9; })},
    };
    // clang-format on
    for (const auto& [name, bytes] : cases) {
        writeBytes(path("k.bmp"), bytes);
        QImage loaded;
        ASSERT_TRUE(LoadPictureFile(path("k.bmp"), loaded)) << name;
        if (name == std::string("1 palette"))
            EXPECT_EQ(std::pair(loaded.pixel(0, 5), loaded.pixel(17, 0)), std::pair(kRed, kGreen));
        else
            expectQuadrants(loaded, 0, name);
    }
    // An index past the colours the file holds reads as black, not from beyond the palette.
    writeBytes(path("k.bmp"),
               makeBmp(8, 4, 2, 40, {kRed, kGreen}, [](int x, int) -> quint32 { return x < 2 ? 1 : 200; }));
    QImage loaded;
    ASSERT_TRUE(LoadPictureFile(path("k.bmp"), loaded));
    EXPECT_EQ(std::pair(loaded.pixel(0, 0), loaded.pixel(3, 1)), std::pair(kGreen, qRgb(0, 0, 0)));
}

TEST_F(PictureFileTest, DamagedFilesFailAndLeaveThePictureAlone)
{
    ASSERT_TRUE(SavePictureFile(path("good.jpg"), quadrants(64, 48), 64, 48, 80));
    writeJpeg(path("prog.jpg"), 64, 48, 3, JCS_RGB, JCS_YCbCr, false, true,
              [](int y, JSAMPLE* p) { p[0] = p[1] = p[2] = static_cast<JSAMPLE>(y * 5); });
    const Bytes jpeg = readBytes(path("good.jpg")), prog = readBytes(path("prog.jpg"));
    const Bytes bmp = makeBmp(24, 10, 6, 40, {}, [](int, int) -> quint32 { return kRed; });
    auto patched = [](Bytes b, size_t at, std::initializer_list<uint8_t> with) {
        std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    auto le32 = [&](size_t at, quint32 v) {
        Bytes b = bmp;
        qToLittleEndian<quint32>(v, &b[at]);
        return b;
    };
    // The last scan repeated 600 times: the decoder would take each one with a mere warning.
    const Bytes manyScans = RepeatLastScan(prog, 600);
    // Far fewer scans, each cheap in bytes but visiting every block of a flat 2000 x 1500
    // picture: the work would be out of all proportion to the file's size.
    const Bytes cheapScans = FlatWithCheapScans(2000, 1500, 400);
    size_t sof = 2;
    while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0))
        ++sof;
    ASSERT_LT(sof + 9, jpeg.size());

    // clang-format off
    const std::tuple<const char*, const char*, Bytes> cases[] = {
        {"empty", "x.jpg", {}},
        {"junk", "x.jpg", Bytes(300, 0x5A)},
        {"headers cut", "x.jpg", Bytes(jpeg.begin(), jpeg.begin() + 120)},
        {"data cut", "x.jpg", Bytes(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 2 / 3))},
        {"progressive cut", "x.jpg", Bytes(prog.begin(), prog.begin() + static_cast<long>(prog.size() / 2))},
        {"width 0", "x.jpg", patched(jpeg, sof + 7, {0, 0})},
        {"60000 x 60000", "x.jpg", patched(jpeg, sof + 5, {0xEA, 0x60, 0xEA, 0x60})},
        {"600 scans", "x.jpg", manyScans},
        {"400 cheap scans", "x.jpg", cheapScans},
        {"claims 100 megapixels", "x.jpg", DamagedProgressiveCmyk()},
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
    };
    // clang-format on
    const QImage sentinel = quadrants(3, 3);
    for (const auto& [name, file, bytes] : cases) {
        writeBytes(path(file), bytes);
        QImage picture = sentinel;
        int w = -5;
        EXPECT_FALSE(LoadPictureFile(path(file), picture, &w)) << name;
        EXPECT_EQ(std::pair(picture, w), std::pair(sentinel, -5)) << name;
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
            if (!LoadPictureFile(path(file), p)) {
                ASSERT_EQ(p, sentinel);
            }
        }
    }
}

// Some writers (and some copies) end a file without its end marker. All rows there: the photo
// loads. Any row, component or progressive refinement missing: it is refused.
TEST_F(PictureFileTest, FileWithoutItsEndMarkerLoadsOnlyWhenNothingIsMissing)
{
    const auto gradient = [](int x, int y, int i) {
        return static_cast<JSAMPLE>((x * 3 + y * 5 + i * 80) & 255);
    };
    const auto rgb = [&](std::function<void(jpeg_compress_struct&)> setup) {
        return EncodeJpeg(96, 64, 3, JCS_RGB, setup, gradient);
    };
    const Bytes baseline = rgb([](jpeg_compress_struct&) {});
    const Bytes restarts = rgb([](jpeg_compress_struct& c) { c.restart_interval = 2; });
    const Bytes progressive = rgb([](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
    // One sequential scan per component.
    static const jpeg_scan_info perComponent[] = {
        {1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}};
    const Bytes separate = rgb([](jpeg_compress_struct& c) {
        c.scan_info = perComponent;
        c.num_scans = 3;
    });
    const Bytes arithmetic = rgb([](jpeg_compress_struct& c) { c.arith_code = TRUE; });
    const size_t sosCount = 10;  // scans of the simple progression for three components
    ASSERT_LT(MarkerAt(progressive, 0xDA, sosCount - 1), progressive.size());

    // clang-format off
    const std::tuple<const char*, Bytes, bool> cases[] = {
        {"baseline",                       cut(baseline, baseline.size() - 2),              true},
        {"restart intervals",              cut(restarts, restarts.size() - 2),              true},
        {"progressive",                    cut(progressive, progressive.size() - 2),        true},
        {"scan per component",             cut(separate, separate.size() - 2),              true},
        {"baseline, last bytes cut",       cut(baseline, baseline.size() - 12),             false},
        {"restarts, cut before a restart", cut(restarts, MarkerAt(restarts, 0xD3)),         false},
        {"progressive, last scan missing", cut(progressive, MarkerAt(progressive, 0xDA, sosCount - 1)), false},
        {"progressive, inside last scan",  cut(progressive, progressive.size() - 12),       false},
        {"progressive, AC scans missing",  cut(progressive, MarkerAt(progressive, 0xDA, 1)), false},
        {"third component missing",        cut(separate, MarkerAt(separate, 0xDA, 2)),      false},
        {"arithmetic, cannot tell",        cut(arithmetic, arithmetic.size() - 2),          false},
        {"arithmetic, whole",              arithmetic,                                      true},
    };
    // clang-format on
    const QImage sentinel = quadrants(3, 3);
    for (const auto& [name, bytes, loads] : cases) {
        writeBytes(path("e.jpg"), bytes);
        QImage picture = sentinel;
        ASSERT_EQ(LoadPictureFile(path("e.jpg"), picture), loads) << name;
        if (!loads) {
            EXPECT_EQ(picture, sentinel) << name;
            continue;
        }
        ASSERT_EQ(picture.size(), QSize(96, 64)) << name;
        for (auto [x, y] : {std::pair{5, 5}, {90, 60}, {48, 63}})
            expectNear(picture.pixel(x, y), qRgb(gradient(x, y, 0), gradient(x, y, 1), gradient(x, y, 2)), 24,
                       std::string(name) + " at " + std::to_string(x) + "," + std::to_string(y));
        QImage small = sentinel;
        EXPECT_TRUE(LoadPictureScaled(path("e.jpg"), 24, 16, small)) << name;
        EXPECT_EQ(small.size(), QSize(24, 16)) << name;
    }
}

// A header may claim far more pixels than the file could ever hold: such a file is refused
// before the codec allocates for them. Real pictures that compress extremely well still load.
TEST_F(PictureFileTest, PixelsAreBoundedByTheFileSize)
{
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    writeBytes(path("damaged.jpg"), DamagedProgressiveCmyk());
    for (bool thumbnail : {false, true}) {
        QImage picture;
        EXPECT_FALSE(thumbnail ? LoadPictureScaled(path("damaged.jpg"), 80, 60, picture)
                               : LoadPictureFile(path("damaged.jpg"), picture));
    }
    // Padded with comments to a size that could hold the claimed blocks, it still cannot make
    // the codec take more than its share of memory: its coefficients alone (800 MB) would pass
    // the budget.
    Bytes padded = DamagedProgressiveCmyk();
    Bytes comment(65537, 'x');
    comment[0] = 0xFF, comment[1] = 0xFE, comment[2] = 0xFF, comment[3] = 0xFF;
    for (int i = 0; i < 13; ++i)
        padded.insert(padded.begin() + 2, comment.begin(), comment.end());
    writeBytes(path("padded.jpg"), padded);
    QImage picture;
    EXPECT_FALSE(LoadPictureFile(path("padded.jpg"), picture));
    // A few kilobytes of arithmetic coding claiming 10000 x 10000: its decoder would fill the
    // missing blocks without a word, taking seconds and all their coefficients (300 MB), so it
    // is refused before the codec allocates anything.
    writeBytes(path("claims.jpg"), ArithmeticProgressiveClaiming(10000, 10000));
    EXPECT_LT(readBytes(path("claims.jpg")).size(), 8000u);
    EXPECT_FALSE(LoadPictureFile(path("claims.jpg"), picture));
    EXPECT_FALSE(LoadPictureScaled(path("claims.jpg"), 320, 240, picture));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    // Decoding the claimed 100 megapixels would need well over a gigabyte (ru_maxrss is in KB).
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024) << "a damaged file was decoded";

    // One flat colour over 2000 x 1500, coded as tightly as the encoder can: about one bit
    // per block in the DC scan.
    static const jpeg_scan_info dcWhole[] = {
        {3, {0, 1, 2}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}, {1, {1}, 1, 63, 0, 0}, {1, {2}, 1, 63, 0, 0}};
    const auto flat = [](int, int, int i) { return static_cast<JSAMPLE>(i == 0 ? 40 : 200); };
    // clang-format off
    const std::tuple<const char*, std::function<void(jpeg_compress_struct&)>, QRgb> tight[] = {
        {"baseline", [](jpeg_compress_struct& c) { c.optimize_coding = TRUE; }, qRgb(40, 200, 200)},
        {"progressive", [](jpeg_compress_struct& c) { c.optimize_coding = TRUE; c.scan_info = dcWhole; c.num_scans = 4; }, qRgb(40, 200, 200)},
        {"grey progressive", [](jpeg_compress_struct& c) { jpeg_set_colorspace(&c, JCS_GRAYSCALE); c.optimize_coding = TRUE; jpeg_simple_progression(&c); }, qRgb(152, 152, 152)},
    };
    // clang-format on
    for (const auto& [name, setup, colour] : tight) {
        writeBytes(path("flat.jpg"), EncodeJpeg(2000, 1500, 3, JCS_RGB, setup, flat));
        QImage picture;
        ASSERT_TRUE(LoadPictureFile(path("flat.jpg"), picture)) << name;
        expectNear(picture.pixel(1999, 1499), colour, 4, name);
    }
}

// A picture costs what is made of it, not what its header claims: a photo of any size a camera
// writes is read at the scale its use needs, and the whole picture as large as the memory
// budget allows (outWidth/outHeight still give its own size).
TEST_F(PictureFileTest, LargePicturesAreReadWithinTheMemoryBudget)
{
    // A 108-megapixel phone photo: red grows to the right, green downwards.
    writeBytes(path("phone.jpg"),
               EncodeJpegRows(12000, 9000, 3, JCS_RGB, [](jpeg_compress_struct&) {}, [](int y, JSAMPLE* row) {
                   for (int x = 0; x < 12000; ++x, row += 3) {
                       row[0] = static_cast<JSAMPLE>(x * 255 / 11999);
                       row[1] = static_cast<JSAMPLE>(y * 255 / 8999);
                       row[2] = 90;
                   }
               }));
    // A 1-bit scan of 5000 x 20000 (12.5 MB), black and white pixels by turns: grey when reduced.
    Bytes scan = makeBmp(1, 8, 1, 40, {qRgb(0, 0, 0), kWhite}, [](int, int) -> quint32 { return 0; });
    scan.resize(scan.size() - 4);  // the headers and the palette, without the one row
    qToLittleEndian<qint32>(5000, &scan[18]);
    qToLittleEndian<qint32>(20000, &scan[22]);
    scan.resize(scan.size() + 628u * 20000, 0x55);  // rows of 625 bytes padded to 628
    writeBytes(path("scan.bmp"), scan);

    // clang-format off
    const std::tuple<const char*, int, QSize> cases[] = {
        {"phone.jpg", 640, QSize(1500, 1125)},   // the import: 1/8 still covers 640 x 640
        {"phone.jpg", 0,   QSize(6000, 4500)},   // whole: 432 MB at full size, halved
        {"scan.bmp",  640, QSize(1250, 5000)},
        {"scan.bmp",  0,   QSize(2500, 10000)},  // whole: 400 MB at full size, halved
    };
    // clang-format on
    for (const auto& [name, side, want] : cases) {
        const std::string what = std::string(name) + " " + std::to_string(side);
        QImage picture;
        int w = 0, h = 0;
        ASSERT_TRUE(side ? LoadPictureScaled(path(name), side, side, picture, &w, &h)
                         : LoadPictureFile(path(name), picture, &w, &h))
            << what;
        EXPECT_EQ(picture.size(), want) << what;
        EXPECT_EQ(QSize(w, h), name == std::string("phone.jpg") ? QSize(12000, 9000) : QSize(5000, 20000));
        EXPECT_LE(picture.sizeInBytes(), kPictureMemoryBudget) << what;
        const int x = want.width() * 3 / 4, y = want.height() / 4;
        if (name == std::string("phone.jpg"))
            expectNear(picture.pixel(x, y), qRgb(191, 64, 90), 6, what);
        else
            expectNear(picture.pixel(x, y), qRgb(128, 128, 128), 1, what);
    }
    EXPECT_LE(PictureReadPeakBytes(), kPictureMemoryBudget);
}

// Reads on several threads draw on one budget: a read that does not fit beside the others
// waits for them instead of failing.
TEST_F(PictureFileTest, ReadsOnEveryThreadShareOneBudget)
{
    // 100 MB each when read whole: two fit in the budget at once, never three.
    writeBytes(path("grey.jpg"), EncodeJpegRows(5000, 5000, 1, JCS_GRAYSCALE, [](jpeg_compress_struct&) {},
                                                [](int, JSAMPLE* row) { std::fill(row, row + 5000, 77); }));
    std::atomic<int> whole{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            QImage picture;
            if (LoadPictureFile(path("grey.jpg"), picture) && picture.size() == QSize(5000, 5000)
                && picture.pixel(4999, 4999) == qRgb(77, 77, 77))
                ++whole;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(whole, 3);
    EXPECT_LE(PictureReadPeakBytes(), kPictureMemoryBudget);
}

// A FIFO, a device or a folder named like a photo is not read: nothing may block on it.
TEST_F(PictureFileTest, OnlyRegularFilesAreOpened)
{
    ASSERT_EQ(::mkfifo(path("20260105.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(path("20260105.bmp").c_str(), 0600), 0);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.jpg"));
    for (const std::string& name : {path("20260105.jpg"), path("20260105.bmp"), path("folder.jpg"),
                                    std::string("/dev/zero"), std::string("/dev/null")}) {
        QImage picture;
        EXPECT_FALSE(LoadPictureFile(name, picture)) << name;
        EXPECT_FALSE(LoadPictureScaled(name, 80, 60, picture)) << name;
        EXPECT_TRUE(picture.isNull()) << name;
    }
}

TEST_F(PictureFileTest, ScaledLoadUsesTheSmallestCoveringScale)
{
    ASSERT_TRUE(SavePictureFile(path("big.jpg"), quadrants(640, 480), 640, 480, 80));
    ASSERT_TRUE(SavePictureFile(path("big.bmp"), quadrants(640, 480), 640, 480, 80));
    for (auto [name, tw, th, want] : {std::tuple{"big.jpg", 80, 60, QSize(80, 60)},
                                      {"big.jpg", 81, 60, QSize(160, 120)},
                                      {"big.jpg", 100, 200, QSize(320, 240)},
                                      {"big.jpg", 700, 10, QSize(640, 480)},
                                      {"big.bmp", 80, 60, QSize(80, 60)},
                                      {"big.bmp", 81, 60, QSize(160, 120)},
                                      {"big.bmp", 700, 10, QSize(640, 480)}}) {
        QImage small;
        int w = 0, h = 0;
        ASSERT_TRUE(LoadPictureScaled(path(name), tw, th, small, &w, &h)) << name;
        EXPECT_EQ(small.size(), want) << name << " " << tw << "x" << th;
        EXPECT_EQ(std::pair(w, h), std::pair(640, 480));
        expectQuadrants(small, 12, name);
    }
}

TEST_F(PictureFileTest, RegionLoadMatchesTheWholeLoadInsideAndRefusesACutRegion)
{
    std::mt19937 random(5);
    QImage noise(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            noise.setPixel(x, y, qRgb(int(random() % 256), (x + y) % 256, int(random() % 64)));
    ASSERT_TRUE(SavePictureFile(path("n.jpg"), noise, 640, 480, 90));
    // The region asked in full-size pixels; at half scale it is (85, 60) .. (164, 119).
    const auto region = [](QSize full) {
        EXPECT_EQ(full, QSize(640, 480));
        return QRect(170, 120, 160, 120);
    };
    for (auto [tw, th] : {std::pair{640, 480}, std::pair{320, 240}}) {
        QImage whole, part;
        ASSERT_TRUE(LoadPictureScaled(path("n.jpg"), tw, th, whole));
        int w = 0, h = 0;
        ASSERT_TRUE(LoadPictureRegion(path("n.jpg"), tw, th, region, part, &w, &h));
        EXPECT_EQ(std::pair(w, h), std::pair(640, 480));
        ASSERT_EQ(part.size(), whole.size());
        const int s = 640 / tw;
        const QRect inside(170 / s, 120 / s, 160 / s, 120 / s);
        EXPECT_EQ(part.copy(inside), whole.copy(inside)) << tw;
        EXPECT_EQ(part.pixel(0, 0), qRgb(0, 0, 0));
        EXPECT_EQ(part.pixel(part.width() - 1, part.height() - 1), qRgb(0, 0, 0));
    }
    // A file cut in its last rows still gives a region above them; one cut inside the region
    // is refused.
    const Bytes jpeg = readBytes(path("n.jpg"));
    writeBytes(path("below.jpg"), cut(jpeg, jpeg.size() * 9 / 10));
    writeBytes(path("inside.jpg"), cut(jpeg, jpeg.size() * 4 / 10));
    QImage picture;
    EXPECT_TRUE(LoadPictureRegion(path("below.jpg"), 640, 480, region, picture));
    EXPECT_FALSE(LoadPictureRegion(path("inside.jpg"), 640, 480, region, picture));
}

TEST_F(PictureFileTest, FailedSaveReportsAndKeepsTheOldFile)
{
    QImage noise(1000, 1000, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random() | 0xFF000000);
    writeBytes(path("plain"), {1, 2, 3});
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.jpg"));

    // Beyond 256 KB every write fails (as on a full disk), so both encoders fail part-way.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto limitWrites = [&](bool on) {
        rlimit l = old;
        l.rlim_cur = on ? 256 * 1024 : old.rlim_cur;
        setrlimit(RLIMIT_FSIZE, &l);
    };
    std::signal(SIGXFSZ, SIG_IGN);
    // clang-format off
    const std::tuple<const char*, std::string, QImage, int, bool> cases[] = {
        {"parent is a file", path("plain") + "/day.jpg", quadrants(8, 8), 8, false},
        {"target is a folder", path("folder.jpg"), quadrants(8, 8), 8, false},
        {"size beyond picture", path("old.jpg"), quadrants(8, 8), 9, false},
        {"null picture", path("old.bmp"), QImage(), 8, false},
        {"jpeg write fails", path("old.jpg"), noise, 1000, true},
        {"bmp write fails", path("old.bmp"), noise, 1000, true},
    };
    // clang-format on
    for (const auto& [name, target, picture, size, limited] : cases) {
        ASSERT_TRUE(SavePictureFile(path("old.jpg"), quadrants(40, 30), 40, 30, 80));
        ASSERT_TRUE(SavePictureFile(path("old.bmp"), quadrants(40, 30), 40, 30, 80));
        const Bytes before = readBytes(target);
        const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        limitWrites(limited);
        const Result saved = SavePictureFile(target, picture, size, size, 95);
        limitWrites(false);
        EXPECT_EQ(saved.message, Msg::PictureSaveFailed) << name;
        EXPECT_EQ(saved.path, target) << name;
        EXPECT_EQ(readBytes(target), before) << name;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), filesBefore)
            << name << ": temp file left";
    }
    std::signal(SIGXFSZ, SIG_DFL);
}

}  // namespace

TEST_F(PictureFileTest, SavesIntoAFolderNamedInShiftJis)
{
    // A notebook unpacked from a Windows archive keeps its Shift-JIS folder name on disk.
    const std::string folder = path("") + "/" + ToCp932("ひまわり観察");
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    const std::string file = folder + "/20261105.jpg";
    EXPECT_TRUE(SavePictureFile(file, quadrants(40, 30), 40, 30, 90));
    QImage loaded;
    int w = 0, h = 0;
    EXPECT_TRUE(LoadPictureFile(file, loaded, &w, &h));
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);
    ::unlink(file.c_str());
    ::rmdir(folder.c_str());
}
