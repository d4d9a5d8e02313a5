#include "photos/PictureFile.h"

#include "platform/Files.h"

#include "platform/Prompt.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
// A QImage RGB32 pixel is B, G, R, 0xFF in memory, so the codec can work on its rows directly.
constexpr J_COLOR_SPACE kDecodeSpace = JCS_EXT_BGRA;  // BGRA, not BGRX: the 4th byte must be 0xFF
constexpr J_COLOR_SPACE kEncodeSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kDecodeSpace = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kEncodeSpace = JCS_EXT_XRGB;
#endif

// A hostile progressive file can hold endless tiny scans; real ones have a dozen or so.
constexpr int kMaxJpegScans = 500;
constexpr size_t kJpegSinkSize = 64 * 1024;
// What the codec itself may allocate (the whole-image coefficient buffer of a progressive file
// is the big one): a 100-megapixel photo with the usual halved colour fits.
constexpr long kJpegMemoryBudget = 384L * 1024 * 1024;
// Huffman coding spends at least one bit on every 8 x 8 block of every component, so a file
// cannot hold more blocks than 8 per byte. Arithmetic coding can go below a bit per block, so
// its files get a looser bound.
constexpr long long kMaxBlocksPerByteHuffman = 8;
constexpr long long kMaxBlocksPerByteArithmetic = 512;
// Each scan visits every block of its components, however few bytes it has. Real progressive
// files make about ten passes over their blocks, and those blocks fill their bytes far more
// thinly than the densest coding assumed here.
constexpr long long kMaxBlockPassesPerFile = 16;

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

bool sizeAllowed(long long width, long long height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide
           && width * height <= kMaxPicturePixels;
}

bool endsWithNoCase(const std::string& text, const char* tail)
{
    const size_t n = std::strlen(tail);
    if (text.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i])
            return false;
    }
    return true;
}

// Pixels readable as QRgb rows without a copy when possible.
QImage asRgbPixels(const QImage& picture)
{
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32)
        return picture;
    return picture.convertToFormat(QImage::Format_RGB32);
}

QImage allocatePicture(int width, int height)
{
    if (!sizeAllowed(width, height))
        return {};
    return QImage(width, height, QImage::Format_RGB32);  // null when memory is short
}

void packDibRow(const QRgb* src, int width, uint8_t* dst)
{
    for (int x = 0; x < width; ++x) {
        dst[3 * x] = static_cast<uint8_t>(qBlue(src[x]));
        dst[3 * x + 1] = static_cast<uint8_t>(qGreen(src[x]));
        dst[3 * x + 2] = static_cast<uint8_t>(qRed(src[x]));
    }
}

// ---- JPEG ----------------------------------------------------------------------------------

struct JpegErrors {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    bool ranOutOfData;  // the file ended before its end marker
    bool dataMissing;   // a scan needed bits the file did not hold
};

// A fatal codec error returns to the function that started the coding instead of ending the process.
void jpegErrorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// Warnings are counted but not printed: a desktop program has no console to show them on.
void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    if (cinfo->err->msg_code == JWRN_JPEG_EOF)
        errors->ranOutOfData = true;
    else if (cinfo->err->msg_code == JWRN_HIT_MARKER)
        errors->dataMissing = true;
    cinfo->err->num_warnings++;
}

void jpegOutputMessage(j_common_ptr) {}

struct JpegProgress {
    jpeg_progress_mgr mgr;
    unsigned componentsScanned;  // bit i: component i appeared in a scan
    int scanCounted;             // the last scan whose blocks were added to blockVisits
    long long blockVisits;
    long long maxBlockVisits;
};

void jpegProgress(j_common_ptr common)
{
    if (!common->is_decompressor)
        return;
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxJpegScans)
        ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
    auto* progress = reinterpret_cast<JpegProgress*>(cinfo->progress);
    if (cinfo->input_scan_number == progress->scanCounted)
        return;
    progress->scanCounted = cinfo->input_scan_number;
    for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i) {
        const jpeg_component_info* component = cinfo->cur_comp_info[i];
        if (!component)
            continue;
        if (component->component_index < 32)
            progress->componentsScanned |= 1u << component->component_index;
        progress->blockVisits +=
            static_cast<long long>(component->width_in_blocks) * component->height_in_blocks;
    }
    // A file of endless cheap scans is refused before it keeps the page busy.
    if (progress->blockVisits > progress->maxBlockVisits)
        ERREXIT(cinfo, JERR_BAD_SCAN_SCRIPT);
}

void installErrors(jpeg_common_struct* cinfo, JpegErrors* errors)
{
    cinfo->err = jpeg_std_error(&errors->mgr);
    errors->mgr.error_exit = jpegErrorExit;
    errors->mgr.emit_message = jpegEmitMessage;
    errors->mgr.output_message = jpegOutputMessage;
    errors->ranOutOfData = false;
    errors->dataMissing = false;
}

long long jpegBlocks(const jpeg_decompress_struct& cinfo)
{
    long long blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        blocks +=
            static_cast<long long>(cinfo.comp_info[i].width_in_blocks) * cinfo.comp_info[i].height_in_blocks;
    return blocks;
}

// Whether every block of the picture can be in a file of this size (see the bounds above).
bool jpegFitsFile(const jpeg_decompress_struct& cinfo, long long fileSize)
{
    const long long perByte = cinfo.arith_code ? kMaxBlocksPerByteArithmetic : kMaxBlocksPerByteHuffman;
    return jpegBlocks(cinfo) <= fileSize * perByte;
}

// The bits of the picture's component indices (every bit when one is out of range). Read while
// the component table exists: jpeg_finish_decompress frees it.
unsigned jpegComponents(const jpeg_decompress_struct& cinfo)
{
    unsigned mask = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        if (cinfo.comp_info[i].component_index >= 32)
            return ~0u;
        mask |= 1u << cinfo.comp_info[i].component_index;
    }
    return mask;
}

// Called once the input is consumed up to the file's end: the picture is whole when every
// scan had its data and every component (`components`, in a progressive file every coefficient
// to its last bit) was coded. A file that merely lacks its end marker is whole.
bool jpegInputWhole(const jpeg_decompress_struct& cinfo, const JpegErrors& errors, unsigned componentsScanned,
                    unsigned components)
{
    if (!errors.ranOutOfData)
        return true;
    // The arithmetic decoder pads a cut scan silently, so a cut cannot be told from a whole one.
    if (errors.dataMissing || cinfo.arith_code)
        return false;
    if (components == ~0u || (componentsScanned & components) != components)
        return false;
    if (cinfo.progressive_mode) {
        if (!cinfo.coef_bits)
            return false;
        for (int i = 0; i < cinfo.num_components; ++i)
            for (int k = 0; k < DCTSIZE2; ++k)
                if (cinfo.coef_bits[i][k] != 0)
                    return false;
    }
    return true;
}

// Everything with a destructor lives here, in the caller's frame, so a longjmp skips none.
struct JpegDecodeTarget {
    QImage image;
    std::vector<uint8_t> cmykRow;
    int fullWidth = 0;
    int fullHeight = 0;
};

bool prepareDecodeTarget(JpegDecodeTarget* target, int width, int height, bool cmyk)
{
    target->image = allocatePicture(width, height);
    if (target->image.isNull())
        return false;
    if (cmyk) {
        try {
            target->cmykRow.resize(static_cast<size_t>(width) * 4);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

// Adobe writers store CMYK inverted (0 = full ink) and mark the file with their APP14 segment.
void cmykToRgb(const uint8_t* cmyk, QRgb* out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

// A target of 0 x 0 decodes at full size; otherwise at the smallest scale still covering it.
// Every size is checked before the codec or this function allocates for it.
// The part of a picture of the decoded size that `region` (in full-size pixels) asks for, with a
// margin for the smoothing of a stretch; empty when it lies wholly outside.
QRect decodedPart(const PictureRegion& region, QSize full, QSize decoded)
{
    const QRect wanted = region(full);
    const auto scale = [](int v, int from, int to) { return static_cast<long long>(v) * to / from; };
    const int margin = 2;
    const QRect part(
        QPoint(static_cast<int>(std::clamp<long long>(
                   scale(wanted.left(), full.width(), decoded.width()) - margin, 0, decoded.width())),
               static_cast<int>(std::clamp<long long>(
                   scale(wanted.top(), full.height(), decoded.height()) - margin, 0, decoded.height()))),
        QPoint(static_cast<int>(
                   std::clamp<long long>(scale(wanted.right() + 1, full.width(), decoded.width()) + margin, 0,
                                         decoded.width())
                   - 1),
               static_cast<int>(
                   std::clamp<long long>(scale(wanted.bottom() + 1, full.height(), decoded.height()) + margin,
                                         0, decoded.height())
                   - 1)));
    return wanted.isEmpty() ? QRect() : part;
}

// Decodes the rows and columns of `part` only: rows above it are entropy-decoded and dropped,
// columns beside it are not transformed, and rows below it are not read. Everything else of
// the picture is black. A file that ends before the part's last row is refused.
bool decodeJpegPart(jpeg_decompress_struct& cinfo, const JpegErrors& errors, const QRect& part,
                    JpegDecodeTarget* target)
{
    target->image.fill(Qt::black);
    if (part.isEmpty())
        return true;
    JDIMENSION left = static_cast<JDIMENSION>(part.left()), width = static_cast<JDIMENSION>(part.width());
    jpeg_crop_scanline(&cinfo, &left, &width);
    if (part.top() > 0)
        jpeg_skip_scanlines(&cinfo, static_cast<JDIMENSION>(part.top()));
    const JDIMENSION bottom = static_cast<JDIMENSION>(part.bottom() + 1);
    while (cinfo.output_scanline < bottom) {
        JSAMPROW row = target->image.scanLine(static_cast<int>(cinfo.output_scanline)) + 4 * left;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
    }
    return cinfo.output_scanline >= bottom && !errors.ranOutOfData;
}

bool decodeJpeg(FILE* file, long long fileSize, int targetWidth, int targetHeight,
                const PictureRegion& region, JpegDecodeTarget* target)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegErrors errors;
    JpegProgress progress;
    std::memset(&progress, 0, sizeof progress);
    installErrors(reinterpret_cast<j_common_ptr>(&cinfo), &errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kJpegMemoryBudget;
    progress.mgr.progress_monitor = jpegProgress;
    progress.scanCounted = -1;
    progress.maxBlockVisits = kMaxBlockPassesPerFile * kMaxBlocksPerByteArithmetic * std::max(fileSize, 1LL);
    cinfo.progress = &progress.mgr;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);

    if (!sizeAllowed(cinfo.image_width, cinfo.image_height) || !jpegFitsFile(cinfo, fileSize)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!cinfo.arith_code)
        progress.maxBlockVisits = kMaxBlockPassesPerFile * kMaxBlocksPerByteHuffman * fileSize;
    target->fullWidth = static_cast<int>(cinfo.image_width);
    target->fullHeight = static_cast<int>(cinfo.image_height);

    // libjpeg cannot turn CMYK into RGB itself; every other kind (grey included) it can.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : kDecodeSpace;

    if (targetWidth > 0 && targetHeight > 0) {
        for (unsigned denom : {8u, 4u, 2u}) {
            if ((cinfo.image_width + denom - 1) / denom >= static_cast<unsigned>(targetWidth)
                && (cinfo.image_height + denom - 1) / denom >= static_cast<unsigned>(targetHeight)) {
                cinfo.scale_num = 1;
                cinfo.scale_denom = denom;
                break;
            }
        }
    }

    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.output_components != 4
        || !prepareDecodeTarget(target, static_cast<int>(cinfo.output_width),
                                static_cast<int>(cinfo.output_height), cmyk)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    // A file of several scans is read to its end here, before any row is produced, so a cut
    // one is refused before the work of producing rows.
    jpeg_start_decompress(&cinfo);
    const bool multipleScans = jpeg_has_multiple_scans(&cinfo);
    if (multipleScans && !jpegInputWhole(cinfo, errors, progress.componentsScanned, jpegComponents(cinfo))) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (region && !cmyk && !multipleScans) {
        const bool ok = decodeJpegPart(
            cinfo, errors,
            decodedPart(region, QSize(target->fullWidth, target->fullHeight), target->image.size()), target);
        jpeg_destroy_decompress(&cinfo);
        return ok;
    }

    const bool inverted = cinfo.saw_Adobe_marker;
    const int width = static_cast<int>(cinfo.output_width);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = cmyk ? target->cmykRow.data() : target->image.scanLine(y);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        if (cmyk)
            cmykToRgb(row, reinterpret_cast<QRgb*>(target->image.scanLine(y)), width, inverted);
    }
    if (cinfo.output_scanline != cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Reads on to the end marker; a file that ends inside the picture would show a grey band.
    const unsigned components = jpegComponents(cinfo);
    jpeg_finish_decompress(&cinfo);
    // A file of several scans was found whole before its rows were made; what that check read
    // (the coefficient state) is freed by now, as is the component table.
    const bool whole = multipleScans || jpegInputWhole(cinfo, errors, progress.componentsScanned, components);
    jpeg_destroy_decompress(&cinfo);
    return whole;
}

bool loadJpeg(FILE* file, long long fileSize, int targetWidth, int targetHeight, const PictureRegion& region,
              QImage& picture, int* fullWidth, int* fullHeight)
{
    JpegDecodeTarget target;
    if (!decodeJpeg(file, fileSize, targetWidth, targetHeight, region, &target))
        return false;
    picture = std::move(target.image);
    *fullWidth = target.fullWidth;
    *fullHeight = target.fullHeight;
    return true;
}

// Streams the encoder's output into the save file, failing the encode on a write error.
struct JpegSink {
    jpeg_destination_mgr mgr;
    QIODevice* device;
    std::array<JOCTET, kJpegSinkSize> buffer;
};

void sinkInit(j_compress_ptr cinfo)
{
    auto* sink = reinterpret_cast<JpegSink*>(cinfo->dest);
    sink->mgr.next_output_byte = sink->buffer.data();
    sink->mgr.free_in_buffer = sink->buffer.size();
}

boolean sinkEmpty(j_compress_ptr cinfo)
{
    auto* sink = reinterpret_cast<JpegSink*>(cinfo->dest);
    const auto size = static_cast<qint64>(sink->buffer.size());
    if (sink->device->write(reinterpret_cast<const char*>(sink->buffer.data()), size) != size)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    sinkInit(cinfo);
    return TRUE;
}

void sinkTerm(j_compress_ptr cinfo)
{
    auto* sink = reinterpret_cast<JpegSink*>(cinfo->dest);
    const auto size = static_cast<qint64>(sink->buffer.size() - sink->mgr.free_in_buffer);
    if (sink->device->write(reinterpret_cast<const char*>(sink->buffer.data()), size) != size)
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

bool encodeJpeg(const QImage* pixels, int width, int height, int quality, JpegSink* sink)
{
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegErrors errors;
    installErrors(reinterpret_cast<j_common_ptr>(&cinfo), &errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    sink->mgr.init_destination = sinkInit;
    sink->mgr.empty_output_buffer = sinkEmpty;
    sink->mgr.term_destination = sinkTerm;
    cinfo.dest = &sink->mgr;
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = kEncodeSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        // The encoder only reads the row; its interface just lacks the const.
        JSAMPROW row = const_cast<uchar*>(pixels->constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool writeJpeg(QIODevice& device, const QImage& pixels, int width, int height, int quality)
{
    auto sink = std::make_unique<JpegSink>();
    sink->device = &device;
    return encodeJpeg(&pixels, width, height, quality, sink.get());
}

// ---- BMP -----------------------------------------------------------------------------------

constexpr int kBmpFileHeader = 14;
constexpr int kBmpInfoHeader = 40;
constexpr int kBmpHeaders = kBmpFileHeader + kBmpInfoHeader;

bool readAt(FILE* file, long long offset, void* buffer, size_t size)
{
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0
           && std::fread(buffer, 1, size, file) == size;
}

bool loadBmp(FILE* file, QImage& picture, int* outWidth, int* outHeight)
{
    uint8_t head[kBmpHeaders];
    if (std::fread(head, 1, sizeof head, file) != sizeof head || head[0] != 'B' || head[1] != 'M')
        return false;
    const long long offBits = qFromLittleEndian<quint32>(head + 10);
    const long long infoSize = qFromLittleEndian<quint32>(head + 14);
    const qint32 rawWidth = qFromLittleEndian<qint32>(head + 18);
    const qint32 rawHeight = qFromLittleEndian<qint32>(head + 22);
    const int bits = qFromLittleEndian<quint16>(head + 28);
    const quint32 compression = qFromLittleEndian<quint32>(head + 30);
    const quint32 colorsUsed = qFromLittleEndian<quint32>(head + 46);

    // Later header versions only add fields after the 40 bytes read here.
    if (infoSize < kBmpInfoHeader || compression != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    const bool topDown = rawHeight < 0;
    const long long width = rawWidth;
    const long long height = topDown ? -static_cast<long long>(rawHeight) : rawHeight;
    if (!sizeAllowed(width, height))
        return false;

    if (fseeko(file, 0, SEEK_END) != 0)
        return false;
    const long long fileSize = ftello(file);
    const long long rowBytes = (width * bits + 31) / 32 * 4;
    const long long paletteStart = kBmpFileHeader + infoSize;
    if (fileSize < 0 || offBits < paletteStart || offBits > fileSize
        || rowBytes * height > fileSize - offBits)
        return false;

    // Indices beyond the colours present stay black.
    std::array<QRgb, 256> palette;
    palette.fill(qRgb(0, 0, 0));
    if (bits <= 8) {
        long long entries = colorsUsed == 0 ? (1LL << bits) : std::min<long long>(colorsUsed, 1LL << bits);
        entries = std::min(entries, (offBits - paletteStart) / 4);
        uint8_t quads[256 * 4];
        if (entries > 0 && !readAt(file, paletteStart, quads, static_cast<size_t>(entries) * 4))
            return false;
        for (long long i = 0; i < entries; ++i)
            palette[i] = qRgb(quads[4 * i + 2], quads[4 * i + 1], quads[4 * i]);
    }

    QImage image = allocatePicture(static_cast<int>(width), static_cast<int>(height));
    if (image.isNull())
        return false;
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    if (fseeko(file, static_cast<off_t>(offBits), SEEK_SET) != 0)
        return false;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    for (int r = 0; r < h; ++r) {
        if (std::fread(row.data(), 1, row.size(), file) != row.size())
            return false;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(topDown ? r : h - 1 - r));
        const uint8_t* in = row.data();
        switch (bits) {
        case 32:
            for (int x = 0; x < w; ++x, in += 4)
                out[x] = qRgb(in[2], in[1], in[0]);
            break;
        case 24:
            for (int x = 0; x < w; ++x, in += 3)
                out[x] = qRgb(in[2], in[1], in[0]);
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                out[x] = palette[in[x]];
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                out[x] = palette[(in[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
            break;
        case 1:
            for (int x = 0; x < w; ++x)
                out[x] = palette[(in[x / 8] >> (7 - x % 8)) & 1];
            break;
        }
    }
    picture = std::move(image);
    *outWidth = w;
    *outHeight = h;
    return true;
}

bool writeBmp(QIODevice& device, const QImage& pixels, int width, int height)
{
    const int stride = DibStride(width);
    const quint32 imageBytes = static_cast<quint32>(stride) * static_cast<quint32>(height);
    uint8_t head[kBmpHeaders] = {};
    head[0] = 'B';
    head[1] = 'M';
    qToLittleEndian<quint32>(kBmpHeaders + imageBytes, head + 2);  // bfSize
    qToLittleEndian<quint32>(kBmpHeaders, head + 10);              // bfOffBits
    qToLittleEndian<quint32>(kBmpInfoHeader, head + 14);           // biSize
    qToLittleEndian<qint32>(width, head + 18);
    qToLittleEndian<qint32>(height, head + 22);  // positive: bottom-up
    qToLittleEndian<quint16>(1, head + 26);      // biPlanes
    qToLittleEndian<quint16>(24, head + 28);     // biBitCount
    // biCompression, biSizeImage and the resolutions stay 0. The colour counts hold 2^24, the
    // value the notebook format has always written; no colour table follows.
    qToLittleEndian<quint32>(0x1000000, head + 46);  // biClrUsed
    qToLittleEndian<quint32>(0x1000000, head + 50);  // biClrImportant
    if (device.write(reinterpret_cast<const char*>(head), sizeof head) != sizeof head)
        return false;
    std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
    for (int y = height - 1; y >= 0; --y) {
        packDibRow(reinterpret_cast<const QRgb*>(pixels.constScanLine(y)), width, row.data());
        if (device.write(reinterpret_cast<const char*>(row.data()), stride) != stride)
            return false;
    }
    return true;
}

// ---- Files ---------------------------------------------------------------------------------

// Opens only a regular file: a FIFO or device named like a photo must not block or stream.
// The type is checked on the opened descriptor, so a swap after the check cannot slip through.
FilePtr openRegularFile(const std::string& path, long long* size)
{
    FilePtr none(nullptr, std::fclose);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return none;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return none;
    }
    FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return none;
    }
    *size = st.st_size;
    return FilePtr(file, std::fclose);
}

bool loadPicture(const std::string& path, int targetWidth, int targetHeight, const PictureRegion& region,
                 QImage& picture, int* outWidth, int* outHeight)
{
    if (path.empty())
        return false;
    long long fileSize = 0;
    FilePtr file = openRegularFile(path, &fileSize);
    if (!file)
        return false;
    int width = 0;
    int height = 0;
    const char last = path.back();
    const bool ok = (last == 'g' || last == 'G') ? loadJpeg(file.get(), fileSize, targetWidth, targetHeight,
                                                            region, picture, &width, &height)
                                                 : loadBmp(file.get(), picture, &width, &height);
    if (!ok)
        return false;
    if (outWidth)
        *outWidth = width;
    if (outHeight)
        *outHeight = height;
    return true;
}

// The bytes of the file, JPEG or BMP as the path's ending says; empty on failure.
QByteArray encodePicture(const std::string& path, const QImage& picture, int width, int height, int quality)
{
    if (path.empty() || picture.isNull() || !sizeAllowed(width, height) || width > picture.width()
        || height > picture.height())
        return {};
    const QImage pixels = asRgbPixels(picture);
    if (pixels.isNull())
        return {};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool jpeg = endsWithNoCase(path, "jpg") || endsWithNoCase(path, "jpeg");
    const bool written =
        jpeg ? writeJpeg(buffer, pixels, width, height, quality) : writeBmp(buffer, pixels, width, height);
    return written ? buffer.data() : QByteArray();
}

bool writePicture(const std::string& path, const QImage& picture, int width, int height, int quality)
{
    // Encoded in memory, then written beside the target and renamed over it only when complete.
    // The path keeps its own bytes: a notebook folder named in Shift-JIS stays reachable.
    const QByteArray bytes = encodePicture(path, picture, width, height, quality);
    if (bytes.isEmpty())
        return false;
    return WriteFileAtomic(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace

bool LoadPictureFile(const std::string& path, QImage& picture, int* outWidth, int* outHeight)
{
    return loadPicture(path, 0, 0, {}, picture, outWidth, outHeight);
}

bool LoadPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                       int* outWidth, int* outHeight)
{
    return loadPicture(path, std::max(targetWidth, 1), std::max(targetHeight, 1), {}, picture, outWidth,
                       outHeight);
}

bool LoadPictureRegion(const std::string& path, int targetWidth, int targetHeight,
                       const PictureRegion& region, QImage& picture, int* outWidth, int* outHeight)
{
    return loadPicture(path, std::max(targetWidth, 1), std::max(targetHeight, 1), region, picture, outWidth,
                       outHeight);
}

bool SavePictureFile(const std::string& path, const QImage& picture, int width, int height, int jpegQuality,
                     Prompt* prompt)
{
    const bool ok = writePicture(path, picture, width, height, jpegQuality);
    if (!ok && prompt)
        prompt->tell(Msg::PictureSaveFailed, Icon::Exclamation);
    return ok;
}

std::string EncodePictureFile(const std::string& path, const QImage& picture, int width, int height,
                              int jpegQuality)
{
    const QByteArray bytes = encodePicture(path, picture, width, height, jpegQuality);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

int DibStride(int width)
{
    if (width <= 0 || width > kMaxPictureSide)
        return 0;
    return ((width * 3 + 3) / 4) * 4;
}

std::vector<uint8_t> ToDibRows(const QImage& picture, int width, int height)
{
    if (picture.isNull() || !sizeAllowed(width, height) || width > picture.width()
        || height > picture.height())
        return {};
    const QImage pixels = asRgbPixels(picture);
    const size_t stride = static_cast<size_t>(DibStride(width));
    std::vector<uint8_t> rows(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y)
        packDibRow(reinterpret_cast<const QRgb*>(pixels.constScanLine(y)), width,
                   rows.data() + stride * static_cast<size_t>(height - 1 - y));
    return rows;
}

QImage FromDibRows(const uint8_t* rows, size_t size, int width, int height)
{
    if (!rows || !sizeAllowed(width, height))
        return {};
    const size_t stride = static_cast<size_t>(DibStride(width));
    if (size < stride * static_cast<size_t>(height))
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = rows + stride * static_cast<size_t>(height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    return image;
}
