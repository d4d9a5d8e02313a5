#include "print/PdfPhotos.h"

#include "platform/Files.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

namespace {

// How far apart, per channel at an eighth of the size, a picture and the file it came from may
// be: the re-encoding moves an eighth-size pixel by one or two.
constexpr int kWorstApart = 8;
constexpr int kMeanApart = 1;

struct JpegFrame {
    int components = 0;
    QSize size;
};

// The colour components and size of a JPEG's frame; none when it is no JPEG or its frame is not
// baseline, extended or progressive Huffman.
std::optional<JpegFrame> jpegFrame(const QByteArray& jpeg)
{
    const auto* b = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return std::nullopt;
    for (qsizetype i = 2; i + 4 <= n;) {
        if (b[i] != 0xFF)
            return std::nullopt;
        const unsigned char marker = b[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        const int length = b[i + 2] << 8 | b[i + 3];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
            return i + 9 < n ? std::optional(
                       JpegFrame{b[i + 9], QSize(b[i + 7] << 8 | b[i + 8], b[i + 5] << 8 | b[i + 6])})
                             : std::nullopt;
        if ((marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            || marker == 0xDA || length < 2)
            return std::nullopt;
        i += 2 + length;
    }
    return std::nullopt;
}

// A JPEG decoded at `size` (a power-of-two reduction is the decoder's own: fast).
QImage decodedAt(const QByteArray& jpeg, QSize size)
{
    QByteArray copy = jpeg;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    reader.setScaledSize(size);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// A JPEG decoded at an eighth of `size`.
QImage eighth(const QByteArray& jpeg, QSize size)
{
    return decodedAt(jpeg, QSize(std::max(1, (size.width() + 7) / 8), std::max(1, (size.height() + 7) / 8)));
}

// Each 8 x 8 block of a picture averaged into one pixel (the blocks at the edges average what
// they hold).
QImage averagedEighth(const QImage& picture)
{
    if (picture.isNull())
        return picture;
    const int w = (picture.width() + 7) / 8, h = (picture.height() + 7) / 8;
    QImage out(w, h, QImage::Format_RGB32);
    for (int by = 0; by < h; ++by)
        for (int bx = 0; bx < w; ++bx) {
            int r = 0, g = 0, b = 0, n = 0;
            for (int y = 8 * by; y < std::min(8 * by + 8, picture.height()); ++y)
                for (int x = 8 * bx; x < std::min(8 * bx + 8, picture.width()); ++x, ++n) {
                    const QRgb c = picture.pixel(x, y);
                    r += qRed(c);
                    g += qGreen(c);
                    b += qBlue(c);
                }
            out.setPixel(bx, by, qRgb(r / n, g / n, b / n));
        }
    return out;
}

// The same picture at an eighth: what the engine's re-encoding leaves, and no more. Two photos
// of different days differ far more in some eighth-size pixel, where a leaf grew or the light
// changed.
bool alike(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size())
        return false;
    long long sum = 0;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            for (const int d : {std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                                std::abs(qBlue(p[x]) - qBlue(q[x]))}) {
                sum += d;
                worst = std::max(worst, d);
            }
    }
    return worst <= kWorstApart && sum <= 3LL * a.width() * a.height() * kMeanApart;
}

// Whether the engine's picture shows the photo drawn, both at an eighth of their size: the file,
// or the stand-in decoded from it, each reduced alike.
bool showsThePhoto(const QByteArray& engine, const PrintedPhoto& photo, const QByteArray& file)
{
    if (!photo.file.isValid())
        return alike(eighth(engine, photo.size), eighth(file, photo.size));
    return alike(averagedEighth(decodedAt(engine, photo.size)), averagedEighth(photo.standIn));
}

struct Object {
    int number = 0;
    qsizetype begin = 0, end = 0;  // its bytes in the file
};

// Where the integer after `key` in a dictionary's text stands, [first, end); none when absent
// or not a direct number.
std::optional<std::pair<qsizetype, qsizetype>> dictNumberAt(const QByteArray& dict, const char* key)
{
    const qsizetype at = dict.indexOf(key);
    if (at < 0)
        return std::nullopt;
    qsizetype i = at + qsizetype(std::strlen(key));
    while (i < dict.size() && dict[i] == ' ')
        ++i;
    qsizetype j = i;
    while (j < dict.size() && dict[j] >= '0' && dict[j] <= '9')
        ++j;
    if (j == i)
        return std::nullopt;
    return std::pair(i, j);
}

std::optional<long long> dictNumber(const QByteArray& dict, const char* key)
{
    const auto at = dictNumberAt(dict, key);
    return at ? std::optional(dict.mid(at->first, at->second - at->first).toLongLong()) : std::nullopt;
}

// That integer made `value`; false when there is none.
bool setDictNumber(QByteArray& dict, const char* key, long long value)
{
    const auto at = dictNumberAt(dict, key);
    if (at)
        dict.replace(at->first, at->second - at->first, QByteArray::number(value));
    return at.has_value();
}

// An object with its references to the keys of `to` made to the values; a stream's bytes are
// left as they are (only its dictionary refers to objects).
QByteArray redirected(QByteArray object, const std::map<int, int>& to)
{
    if (to.empty())
        return object;
    qsizetype end = object.indexOf(">>\nstream\n");
    if (end < 0)
        end = object.size();
    // The first line is the object's own header ("N 0 obj"), no reference.
    for (qsizetype at = object.indexOf('\n'); at >= 0 && at < end;) {
        qsizetype i = at + 1;
        while (i < end && (object[i] < '0' || object[i] > '9'))
            ++i;
        qsizetype j = i;
        while (j < end && object[j] >= '0' && object[j] <= '9')
            ++j;
        if (j == i)
            break;
        at = j;
        // A reference stands on its own: digits that end a name (/Im12) are none.
        if (!object.mid(j, 4).startsWith(" 0 R") || object[i - 1] == '\0'
            || !std::strchr(" \n\r\t[<>", object[i - 1]))
            continue;
        const auto target = to.find(object.mid(i, j - i).toInt());
        if (target == to.end())
            continue;
        const QByteArray number = QByteArray::number(target->second);
        object.replace(i, j - i, number);
        end += number.size() - (j - i);
        at = i + number.size();
    }
    return object;
}

}  // namespace

std::optional<QSize> WholeJpegSize(const QByteArray& jpeg)
{
    const auto frame = jpegFrame(jpeg);
    return frame && frame->components == 3 && !frame->size.isEmpty() ? std::optional(frame->size)
                                                                     : std::nullopt;
}

int EmbedPhotoFiles(QByteArray& pdf, const std::vector<PrintedPhoto>& photos, int* standInsLeft)
{
    if (standInsLeft)
        *standInsLeft = static_cast<int>(std::count_if(
            photos.begin(), photos.end(), [](const PrintedPhoto& p) { return p.file.isValid(); }));
    if (photos.empty())
        return 0;
    // The cross-reference table: "xref", "0 N", then N entries "oooooooooo ggggg n".
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0)
        return 0;
    const qsizetype xref = pdf.mid(startxref + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong();
    if (xref <= 0 || xref >= startxref || !pdf.mid(xref).startsWith("xref"))
        return 0;
    const QList<QByteArray> head = pdf.mid(xref, 64).split('\n');
    if (head.size() < 2)
        return 0;
    const QList<QByteArray> range = head[1].trimmed().split(' ');
    if (range.size() != 2 || range[0] != "0")
        return 0;
    const int count = range[1].toInt();
    const qsizetype entries = xref + head[0].size() + 1 + head[1].size() + 1;
    constexpr int kEntry = 20;
    if (count <= 1 || entries + qsizetype(count) * kEntry > startxref)
        return 0;
    std::vector<Object> objects;
    for (int k = 1; k < count; ++k) {
        const QByteArray entry = pdf.mid(entries + qsizetype(k) * kEntry, kEntry);
        if (entry.size() != kEntry || entry[17] != 'n')
            continue;
        objects.push_back({k, entry.left(10).toLongLong(), 0});
    }
    std::sort(objects.begin(), objects.end(),
              [](const Object& a, const Object& b) { return a.begin < b.begin; });
    for (size_t k = 0; k < objects.size(); ++k) {
        objects[k].end = k + 1 < objects.size() ? objects[k + 1].begin : xref;
        if (objects[k].begin <= 0 || objects[k].end <= objects[k].begin
            || !pdf.mid(objects[k].begin, 16).startsWith(QByteArray::number(objects[k].number) + " 0 obj"))
            return 0;
    }

    // Each JPEG picture of the photos' sizes, in the order written (the order first drawn).
    std::map<int, QByteArray> replaced;  // object number -> its new bytes
    std::map<std::string, int> whole;    // photo file -> the object that now holds the file itself
    std::map<int, int> shownBy;          // a reduced copy's object -> the object of its whole file
    int standInsPut = 0;
    size_t next = 0;
    for (const Object& o : objects) {
        if (next >= photos.size())
            break;
        const QByteArray bytes = pdf.mid(o.begin, o.end - o.begin);
        const qsizetype stream = bytes.indexOf(">>\nstream\n");
        if (stream < 0)
            continue;
        const QByteArray dict = bytes.left(stream);
        if (!dict.contains("/Subtype /Image") || !dict.contains("/Filter /DCTDecode")
            || !dict.contains("/ColorSpace /DeviceRGB") || dict.contains("/SMask")
            || dict.contains("/Decode"))
            continue;
        const auto width = dictNumber(dict, "/Width"), height = dictNumber(dict, "/Height");
        if (!width || !height)
            continue;
        const QSize size{static_cast<int>(*width), static_cast<int>(*height)};
        // The next few photos drawn: one drawn reduced went in at another size and is passed.
        for (size_t k = next; k < std::min(photos.size(), next + 4); ++k) {
            if (photos[k].size != size)
                continue;
            QByteArray jpeg = photos[k].jpeg;
            if (jpeg.isEmpty()) {
                std::string file;
                if (!ReadFileBytes(photos[k].path, file, 64u << 20))
                    continue;
                jpeg = QByteArray(file.data(), qsizetype(file.size()));
            }
            if (!WholeJpegSize(jpeg))
                continue;
            const qsizetype end = bytes.lastIndexOf("\nendstream");
            if (end < stream + 10)
                break;
            const QByteArray engine = bytes.mid(stream + 10, end - (stream + 10));
            if (!showsThePhoto(engine, photos[k], jpeg))
                continue;
            // A reduced copy or a stand-in of a photo whose file went in whole shows that file
            // instead: the sheet draws it at the picture's place and size, as sharp as the file,
            // for no bytes.
            const bool isWhole = photos[k].jpeg.isEmpty() || photos[k].file.isValid();
            if (const auto at = whole.find(photos[k].path);
                (!isWhole || photos[k].file.isValid()) && at != whole.end()) {
                shownBy[o.number] = at->second;
                replaced[o.number] = QByteArray::number(o.number) + " 0 obj\nnull\nendobj\n";
                standInsPut += photos[k].file.isValid();
                next = k + 1;
                break;
            }
            QByteArray out = dict;
            const qsizetype length = out.indexOf("/Length ");
            qsizetype lengthEnd = out.indexOf('\n', length);
            if (length < 0 || lengthEnd < 0)
                break;
            out.replace(length, lengthEnd - length, "/Length " + QByteArray::number(jpeg.size()));
            // A stand-in's place takes the file at the file's own size.
            if (photos[k].file.isValid()
                && (!setDictNumber(out, "/Width", photos[k].file.width())
                    || !setDictNumber(out, "/Height", photos[k].file.height())))
                break;
            out += ">>\nstream\n" + jpeg + "\nendstream" + bytes.mid(end + 10);
            replaced[o.number] = std::move(out);
            if (isWhole)
                whole[photos[k].path] = o.number;
            if (photos[k].file.isValid())
                ++standInsPut;
            next = k + 1;
            break;
        }
    }
    if (replaced.empty())
        return 0;

    // The file again: the same objects in the same order, the table of their new places.
    QByteArray out = pdf.left(objects.front().begin);
    std::map<int, qsizetype> places;
    for (const Object& o : objects) {
        places[o.number] = out.size();
        const auto it = replaced.find(o.number);
        out += it != replaced.end() ? it->second : redirected(pdf.mid(o.begin, o.end - o.begin), shownBy);
    }
    const qsizetype newXref = out.size();
    out += "xref\n0 " + QByteArray::number(count) + "\n";
    for (int k = 0; k < count; ++k) {
        const QByteArray entry = pdf.mid(entries + qsizetype(k) * kEntry, kEntry);
        const auto at = places.find(k);
        out += at == places.end() ? entry
                                  : QByteArray::number(at->second).rightJustified(10, '0') + entry.mid(10);
    }
    const qsizetype trailer = pdf.indexOf("trailer", entries + qsizetype(count) * kEntry);
    if (trailer < 0 || trailer > startxref)
        return 0;
    out += pdf.mid(trailer, startxref - trailer);
    out += "startxref\n" + QByteArray::number(newXref) + "\n%%EOF\n";
    pdf = std::move(out);
    if (standInsLeft)
        *standInsLeft -= standInsPut;
    return static_cast<int>(replaced.size());
}
