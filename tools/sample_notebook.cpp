// Makes a sample notebook for trying the program: sample_notebook <folder>.
// About sixty days of a growing tomato plant ending on the 20th of this month (or today, when
// that is earlier), photographed every school day: photos with their EXIF date, measurements,
// weather and a few memos.
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/TextCodec.h"
#include "store/DayRecord.h"
#include "store/NotebookFile.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <random>

namespace {
constexpr int kSampleDays = 60;
constexpr int kPhotoWidth = 640, kPhotoHeight = 480;

// Appends a little-endian 16/32-bit value.
void put16(std::string& s, int v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v)
{
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// An APP1 segment holding a TIFF header, IFD0 with the Exif pointer, and an Exif IFD with
// DateTimeOriginal "YYYY:MM:DD HH:MM:SS".
std::string exifSegment(const std::string& dateTime)
{
    std::string tiff = "II";
    put16(tiff, 42);
    put32(tiff, 8);  // IFD0 right after the header
    // IFD0: one entry, Exif IFD pointer (0x8769, LONG).
    put16(tiff, 1);
    put16(tiff, 0x8769);
    put16(tiff, 4);
    put32(tiff, 1);
    put32(tiff, 8 + 2 + 12 + 4);  // the Exif IFD follows IFD0
    put32(tiff, 0);
    // Exif IFD: DateTimeOriginal (0x9003, ASCII, 20 bytes stored after the IFD).
    const uint32_t exifIfd = 8 + 2 + 12 + 4;
    put16(tiff, 1);
    put16(tiff, 0x9003);
    put16(tiff, 2);
    put32(tiff, 20);
    put32(tiff, exifIfd + 2 + 12 + 4);
    put32(tiff, 0);
    tiff += dateTime.substr(0, 19);
    tiff += '\0';
    std::string payload = std::string("Exif\0\0", 6) + tiff;
    std::string seg = "\xFF\xE1";
    const int len = static_cast<int>(payload.size()) + 2;
    seg += static_cast<char>((len >> 8) & 0xFF);
    seg += static_cast<char>(len & 0xFF);
    return seg + payload;
}

[[nodiscard]] bool addExifDate(const std::string& path, const QDate& date, int hour)
{
    std::string bytes;
    if (!ReadFileBytes(path, bytes) || bytes.size() < 4 || bytes.compare(0, 2, "\xFF\xD8") != 0)
        return false;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d:%02d:%02d %02d:%02d:00", date.year(), date.month(), date.day(),
                  hour, (date.day() * 7) % 60);
    bytes.insert(2, exifSegment(stamp));
    return WriteFileAtomic(path, bytes).ok();
}

QFont uiFont(int px)
{
    QFont f;
    f.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    f.setPixelSize(px);
    return f;
}

// A leaf of `size` pixels at `at`, pointing at `angle` degrees.
void leaf(QPainter& p, QPointF at, double size, double angle, const QColor& colour)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    QPainterPath path;
    path.moveTo(0, 0);
    path.cubicTo(size * 0.3, -size * 0.45, size * 0.8, -size * 0.35, size, 0);
    path.cubicTo(size * 0.8, size * 0.35, size * 0.3, size * 0.45, 0, 0);
    p.setPen(QPen(colour.darker(140), 1.2));
    p.setBrush(colour);
    p.drawPath(path);
    p.setPen(QPen(colour.darker(160), 1));
    p.drawLine(QPointF(0, 0), QPointF(size * 0.9, 0));
    p.restore();
}

// The photo of day `i` (0-based) with a plant of the given height and leaves.
QImage plantPhoto(int i, const QDate& date, double heightCm, int leaves, double leafCm, bool cloudy,
                  std::mt19937& rng)
{
    QImage img(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 330);
    sky.setColorAt(0, cloudy ? QColor(150, 160, 175) : QColor(96, 160, 230));
    sky.setColorAt(1, cloudy ? QColor(205, 210, 215) : QColor(200, 228, 250));
    p.fillRect(0, 0, kPhotoWidth, 330, sky);
    // The school yard and the shelf the pot stands on.
    p.fillRect(0, 300, kPhotoWidth, 40, QColor(120, 150, 90));
    p.fillRect(0, 340, kPhotoWidth, 140, QColor(176, 150, 112));
    p.setPen(QPen(QColor(140, 115, 85), 2));
    for (int x = 0; x < kPhotoWidth; x += 80)
        p.drawLine(x, 340, x + 40, 480);
    std::uniform_real_distribution<double> jitter(-1.5, 1.5);
    const double cx = 320 + jitter(rng) * 4;
    // The pot.
    QPainterPath pot;
    pot.moveTo(cx - 90, 330);
    pot.lineTo(cx + 90, 330);
    pot.lineTo(cx + 70, 440);
    pot.lineTo(cx - 70, 440);
    pot.closeSubpath();
    p.setPen(QPen(QColor(120, 60, 30), 2));
    p.setBrush(QColor(190, 95, 50));
    p.drawPath(pot);
    p.fillRect(QRectF(cx - 96, 320, 192, 16), QColor(170, 80, 40));
    p.fillRect(QRectF(cx - 86, 322, 172, 8), QColor(90, 60, 40));  // soil
    // The stem: 1 cm is 8 pixels, bending slightly.
    const double top = 322 - heightCm * 8.0;
    QPainterPath stem;
    stem.moveTo(cx, 324);
    stem.cubicTo(cx - 6, 324 - heightCm * 3, cx + 8, 324 - heightCm * 5.5, cx + 2, top);
    p.setPen(QPen(QColor(70, 130, 50), 3 + heightCm / 10));
    p.setBrush(Qt::NoBrush);
    p.drawPath(stem);
    // Leaves in pairs up the stem, the lowest the largest.
    const QColor green(84, 160, 60);
    for (int k = 0; k < leaves; ++k) {
        const double t = leaves > 1 ? 0.15 + 0.8 * k / (leaves - 1) : 0.8;
        const QPointF at = stem.pointAtPercent(t);
        const double size = leafCm * 7.0 * (1.1 - 0.5 * t) + 8;
        const bool right = k % 2 == 0;
        leaf(p, at, size, right ? -25 - 10 * t : 205 + 10 * t, green.lighter(100 + static_cast<int>(20 * t)));
    }
    // Flowers and small tomatoes in the later weeks.
    if (heightCm > 22) {
        const int fruits = std::min(6, static_cast<int>((heightCm - 22) / 3) + 1);
        for (int f = 0; f < fruits; ++f) {
            const QPointF at = stem.pointAtPercent(0.45 + 0.08 * f);
            const bool ripe = f < fruits - 2 && heightCm > 30;
            p.setPen(QPen(QColor(60, 110, 40), 1));
            p.setBrush(ripe ? QColor(220, 50, 40) : (f % 2 ? QColor(250, 220, 60) : QColor(140, 200, 80)));
            p.drawEllipse(at + QPointF(f % 2 ? 16 : -16, 6), 7.0, 7.0);
        }
    }
    // The camera's date stamp.
    p.setFont(uiFont(20));
    p.setPen(QColor(255, 150, 40));
    p.drawText(QRect(440, 440, 190, 30), Qt::AlignRight | Qt::AlignVCenter,
               date.toString(QStringLiteral("yyyy/MM/dd")));
    (void)i;
    return img;
}

void writeMemo(const std::string& folder, const QDate& date, const std::string& utf8)
{
    const std::string path = DayFilePath(folder, date, "txt");
    if (!WriteFileAtomic(path, ToCp932(utf8))) {
        std::fprintf(stderr, "sample_notebook: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}
}  // namespace

int main(int argc, char** argv)
{
    // --days N: N calendar days instead of the usual two months (the benchmarks' big notebooks).
    int days = kSampleDays;
    if (argc == 4 && std::string(argv[1]) == "--days" && std::atoi(argv[2]) >= 2) {
        days = std::atoi(argv[2]);
        argv += 2;
        argc -= 2;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: sample_notebook [--days N] <folder>\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const std::string folder = argv[1];
    if (!QDir().mkpath(QString::fromStdString(folder))) {
        std::fprintf(stderr, "sample_notebook: cannot make %s\n", folder.c_str());
        return 1;
    }
    const QDate today = Clock::Today();
    QDate last = today.day() > 20 ? QDate(today.year(), today.month(), 20) : today;
    const QDate first = last.addDays(-(days - 1));

    NotebookInfo info;
    info.StartDate = FormatIniDate(first);
    info.KindName = "ミニトマト";
    info.SchoolName = "みどり台小学校";
    info.GradeNo = "4";
    info.ClassName = "2";
    info.StudentNo = "15";
    info.StudentName = "山川 さくら";
    info.Option1 = "茎の太さ(mm)";
    info.Option2 = "EC(mS/cm)";
    info.hasOption1 = info.hasOption2 = true;
    if (!WriteNotebookInfo(folder, info)) {
        std::fprintf(stderr, "sample_notebook: cannot write %s\n", NotebookFilePath(folder).c_str());
        return 1;
    }

    std::mt19937 rng(20240601);
    std::normal_distribution<double> noise(0.0, 1.0);
    static const char* const weathers[] = {"晴", "晴時々曇", "曇", "曇一時雨", "雨", "快晴", "晴後曇"};
    int written = 0;
    double solution = 12.0;
    for (int i = 0; i < days; ++i) {
        const QDate date = first.addDays(i);
        solution -= 0.35 + 0.05 * noise(rng);
        if (solution < 7.5)
            solution = 12.0;  // the pupils top the solution up
        if (date.dayOfWeek() == 7)
            continue;  // no school on Sundays: those days stay without a record
        const double s = static_cast<double>(i) / (days - 1);
        const double height = 3.0 + 34.0 * std::pow(s, 1.25) + 0.2 * noise(rng);
        const int leaves = 2 + static_cast<int>(s * 16);
        const double leafSize = 1.5 + 7.0 * std::sqrt(s);
        const int w = std::uniform_int_distribution<int>(0, 6)(rng);
        const bool cloudy = w >= 2 && w <= 4;

        DayRecord day;
        day.date = date;
        DayWeather weather;
        const double season = 14.0 + 6.0 * std::sin((date.dayOfYear() - 100) / 365.0 * 6.283);
        weather.LowTemp = static_cast<float>(std::round((season - 4 + noise(rng)) * 10) / 10);
        weather.HighTemp = static_cast<float>(std::round((season + (cloudy ? 3 : 8) + noise(rng)) * 10) / 10);
        weather.Daylight = static_cast<float>(cloudy ? std::round(std::abs(noise(rng)) * 15) / 10
                                                     : std::round((7.5 + noise(rng)) * 10) / 10);
        weather.Weather = weathers[w];
        day.weather = weather;
        Measurements m;
        m.height = static_cast<float>(std::round(height * 10) / 10);
        m.leaves = leaves;
        m.leafSize = static_cast<float>(std::round(leafSize * 10) / 10);
        m.solution = static_cast<float>(std::round(solution * 10) / 10);
        m.roomTemp = static_cast<float>(std::round((season + 6 + 0.8 * noise(rng)) * 10) / 10);
        m.free1 = static_cast<float>(std::round((2.0 + 6.0 * s) * 10) / 10);
        m.free2 = static_cast<float>(std::round((1.2 + 0.3 * std::abs(noise(rng))) * 10) / 10);
        day.measurements = m;
        day.picture = plantPhoto(i, date, height, leaves, leafSize, cloudy, rng);
        day.pictureChanged = true;

        PictureSettings settings;
        if (!WriteDayFiles(folder, day, settings)) {
            std::fprintf(stderr, "sample_notebook: cannot write the day %s\n", DayFileStem(date).c_str());
            return 1;
        }
        if (!addExifDate(DayFilePath(folder, date, "jpg"), date, 8 + i % 3)) {
            std::fprintf(stderr, "sample_notebook: cannot date the photo of %s\n", DayFileStem(date).c_str());
            return 1;
        }
        ++written;
    }

    // A few memos, as a pupil would write them.
    writeMemo(folder, first,
              "きょうから ミニトマトの かんさつを はじめます。\r\n"
              "なえは 3cmくらいで、はっぱが 2まい あります。\r\n"
              "大きく なってほしいです。\r\n");
    writeMemo(
        folder, first.addDays(15),
        "はっぱが ふえてきた。いちばん下の はっぱは わたしの 手の ゆびくらいの 大きさに なっていて、"
        "うらがわには こまかい 毛が たくさん はえていました。においを かぐと トマトの においが しました。\r\n"
        "養液が へっていたので たしました。\r\n");
    writeMemo(folder, first.addDays(37),
              "黄色い 花が さいた！\r\n"
              "先生が 花を ゆらすと 実が できやすいと 教えてくれた。\r\n");
    writeMemo(folder, last,
              "赤い 実が なった。\r\n"
              "さいしょは 3cmだったのに、いまは わたしの ひじくらいまで のびた。\r\n"
              "※書きおわったら保存して閉じてください（メモ帳の終了コマンド：ファイル→終了）\r\n");
    std::printf("%s: %d days from %s to %s\n", folder.c_str(), written, FormatIniDate(first).c_str(),
                FormatIniDate(last).c_str());
    return 0;
}
