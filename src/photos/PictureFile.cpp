#include "photos/PictureFile.h"

#include "platform/Files.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <span>

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
// The codec's row buffers, generously: a few rows of blocks of every component at full width
// (context rows, upsampling), and its small tables.
constexpr long long kJpegRowBufferRows = 48;
constexpr long long kJpegFixedBytes = 2LL << 20;
// Beyond the DCT's 1/8 a picture is reduced by averaging blocks of pixels, up to this factor.
constexpr int kMaxReduction = 64;
// Huffman coding spends at least one bit on every 8 x 8 block of every component, so a file
// cannot hold more blocks than 8 per byte. Arithmetic coding can go below a bit per block, so
// its files get a looser bound.
constexpr long long kMaxBlocksPerByteHuffman = 8;
constexpr long long kMaxBlocksPerByteArithmetic = 512;
// Each scan visits every block of its components, however few bytes it has. Real progressive
// files make about ten passes over their blocks, and those blocks fill their bytes far more
// thinly than the densest coding assumed here.
constexpr long long kMaxBlockPassesPerFile = 16;
// The arithmetic decoder fills the blocks a scan lacks without a word, so a file of a few
// kilobytes could make millions of block visits; its visits are bound as a Huffman file's are,
// but never below this many, so a small flat picture still takes its few passes.
constexpr long long kMinArithmeticBlockVisits = 1LL << 20;

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

long long pictureBytes(long long width, long long height)
{
    return width * height * 4;
}

bool sizeAllowed(long long width, long long height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide
           && pictureBytes(width, height) <= kPictureMemoryBudget;
}

// ---- Memory budget -------------------------------------------------------------------------

// One budget for every picture read in the process: a read reserves what it will cost before
// it allocates, and waits while the reads running on other threads hold too much of it.
class ReadBudget {
public:
    static ReadBudget& instance()
    {
        static ReadBudget budget;
        return budget;
    }
    // False, at once, for more than the whole budget.
    bool acquire(long long bytes)
    {
        if (bytes <= 0 || bytes > kPictureMemoryBudget)
            return false;
        std::unique_lock lock(m_mutex);
        m_freed.wait(lock, [&] { return m_held + bytes <= kPictureMemoryBudget; });
        m_held += bytes;
        m_peak = std::max(m_peak, m_held);
        return true;
    }
    void release(long long bytes)
    {
        {
            std::lock_guard lock(m_mutex);
            m_held -= bytes;
        }
        m_freed.notify_all();
    }
    long long peak()
    {
        std::lock_guard lock(m_mutex);
        return m_peak;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    long long m_held = 0;
    long long m_peak = 0;
};

// A read's share of the budget, given back when the read ends.
class BudgetShare {
public:
    BudgetShare() = default;
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;
    ~BudgetShare()
    {
        if (m_bytes > 0)
            ReadBudget::instance().release(m_bytes);
    }
    bool acquire(long long bytes)
    {
        if (m_bytes > 0 || !ReadBudget::instance().acquire(bytes))
            return false;
        m_bytes = bytes;
        return true;
    }

private:
    long long m_bytes = 0;
};

long long reducedSide(long long side, int reduction)
{
    return (side + reduction - 1) / reduction;
}

// The reduction (a power of two) at which a picture of width x height is read for a use that
// needs target (0 x 0: the whole picture): the largest of 1, 2, 4, 8 that still covers the
// target, raised while the read would cost more than the budget. `cost` gives what a read at a
// reduction costs, the pixels made included; that much is reserved in `share`, waiting while
// other reads hold too much. 0 when no reduction up to kMaxReduction fits.
int reserveRead(long long width, long long height, int targetWidth, int targetHeight,
                const std::function<long long(int)>& cost, BudgetShare& share)
{
    int reduction = 1;
    if (targetWidth > 0 && targetHeight > 0)
        for (int r : {8, 4, 2})
            if (reducedSide(width, r) >= targetWidth && reducedSide(height, r) >= targetHeight) {
                reduction = r;
                break;
            }
    while (cost(reduction) > kPictureMemoryBudget) {
        if (reduction >= kMaxReduction)
            return 0;
        reduction *= 2;
    }
    return share.acquire(cost(reduction)) ? reduction : 0;
}

// Averages each factor x factor block of a picture whose rows come one at a time (top down or
// bottom up) into one pixel of the picture made, ceil(width / factor) pixels wide; the blocks
// at the right and bottom edges average the pixels they have.
class RowReducer {
public:
    // May throw std::bad_alloc.
    void start(QImage* out, int width, int factor)
    {
        m_out = out;
        m_width = width;
        m_factor = factor;
        m_sums.assign(static_cast<size_t>(reducedSide(width, factor)) * 3, 0);
    }
    void add(int y, const QRgb* row)
    {
        if (y / m_factor != m_outRow) {
            finish();
            m_outRow = y / m_factor;
        }
        uint32_t* sum = m_sums.data();
        for (int x = 0; x < m_width; x += m_factor, sum += 3) {
            const int end = std::min(x + m_factor, m_width);
            for (int i = x; i < end; ++i) {
                sum[0] += qRed(row[i]);
                sum[1] += qGreen(row[i]);
                sum[2] += qBlue(row[i]);
            }
        }
        ++m_rows;
    }
    // Writes the row being gathered.
    void finish()
    {
        if (m_rows == 0)
            return;
        auto* out = reinterpret_cast<QRgb*>(m_out->scanLine(m_outRow));
        uint32_t* sum = m_sums.data();
        for (int x = 0, ox = 0; x < m_width; x += m_factor, ++ox, sum += 3) {
            const uint32_t n = static_cast<uint32_t>(std::min(m_factor, m_width - x) * m_rows);
            out[ox] = qRgb(static_cast<int>((sum[0] + n / 2) / n), static_cast<int>((sum[1] + n / 2) / n),
                           static_cast<int>((sum[2] + n / 2) / n));
        }
        std::fill(m_sums.begin(), m_sums.end(), 0);
        m_rows = 0;
    }

private:
    QImage* m_out = nullptr;
    int m_width = 0, m_factor = 1, m_outRow = -1, m_rows = 0;
    std::vector<uint32_t> m_sums;  // red, green, blue of each block of the row being gathered
};

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

QImage allocatePicture(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    if (!sizeAllowed(width, height))
        return {};
    return QImage(width, height, format);  // null when memory is short
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

// The whole-image coefficient buffer the codec keeps for a file of several scans (progressive,
// or one scan per component): every block of every component at full size, whatever the scale
// of the output.
long long jpegCoefficientBytes(const jpeg_decompress_struct& cinfo)
{
    if (!jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&cinfo)))
        return 0;
    long long bytes = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        const auto roundUp = [](long long v, long long m) { return m > 0 ? (v + m - 1) / m * m : v; };
        bytes += roundUp(c.width_in_blocks, c.h_samp_factor) * roundUp(c.height_in_blocks, c.v_samp_factor)
                 * static_cast<long long>(sizeof(JBLOCK));
    }
    return bytes;
}

// What the codec itself allocates at a DCT scale of 1/denom besides that buffer: its row
// buffers and tables, and a row of output pixels for conversion or reduction.
long long jpegWorkingBytes(const jpeg_decompress_struct& cinfo, int denom)
{
    const long long width = reducedSide(cinfo.image_width, denom);
    return kJpegFixedBytes + width * 4 + width * cinfo.num_components * kJpegRowBufferRows;
}

// The block visits (blocks times the scans that visit them) the picture's scans may make.
long long jpegMaxBlockVisits(const jpeg_decompress_struct& cinfo, long long fileSize)
{
    const long long visits = kMaxBlockPassesPerFile * kMaxBlocksPerByteHuffman * fileSize;
    return cinfo.arith_code ? std::max(visits, kMinArithmeticBlockVisits) : visits;
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
    bool luma = false;  // asked for: the brightness alone, where the file has it apart
    QImage image;
    std::vector<uint8_t> row;  // a decoded row to convert (CMYK) or to reduce
    RowReducer reducer;
    BudgetShare share;
    int fullWidth = 0;
    int fullHeight = 0;
};

// The picture of width x height (the decoded size reduced by `box`), and the row buffer.
bool prepareDecodeTarget(JpegDecodeTarget* target, int width, int height, int box, bool rowBuffer,
                         QImage::Format format)
{
    target->image = allocatePicture(static_cast<int>(reducedSide(width, box)),
                                    static_cast<int>(reducedSide(height, box)), format);
    if (target->image.isNull())
        return false;
    try {
        if (rowBuffer)
            target->row.resize(static_cast<size_t>(width) * 4);
        if (box > 1)
            target->reducer.start(&target->image, width, box);
    } catch (const std::bad_alloc&) {
        return false;
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

// Where a JPEG's bytes come from: the whole file in memory, or else a file read as it goes.
struct JpegInput {
    FILE* file = nullptr;
    std::span<const unsigned char> bytes;
    long long fileSize = 0;
};

// A target of 0 x 0 decodes the whole picture; otherwise at the smallest scale still covering it
// (see reserveRead). Every size is checked, and its memory reserved, before the codec or this
// function allocates for it.
bool decodeJpeg(const JpegInput& input, int targetWidth, int targetHeight, const PictureRegion& region,
                JpegDecodeTarget* target)
{
    const long long fileSize = input.fileSize;
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
    progress.mgr.progress_monitor = jpegProgress;
    progress.scanCounted = -1;
    progress.maxBlockVisits = kMaxBlockPassesPerFile * kMaxBlocksPerByteArithmetic * std::max(fileSize, 1LL);
    cinfo.progress = &progress.mgr;
    if (input.file)
        jpeg_stdio_src(&cinfo, input.file);
    else
        jpeg_mem_src(&cinfo, input.bytes.data(), static_cast<unsigned long>(input.bytes.size()));
    jpeg_read_header(&cinfo, TRUE);

    // Every block is visited at least once, so a picture of more blocks than its file may
    // visit is refused before anything is allocated for it.
    const long long width = cinfo.image_width, height = cinfo.image_height;
    progress.maxBlockVisits = jpegMaxBlockVisits(cinfo, fileSize);
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide
        || !jpegFitsFile(cinfo, fileSize) || jpegBlocks(cinfo) > progress.maxBlockVisits) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    target->fullWidth = static_cast<int>(width);
    target->fullHeight = static_cast<int>(height);

    // libjpeg cannot turn CMYK into RGB itself; every other kind (grey included) it can.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : kDecodeSpace;

    // The picture made, the codec's buffers and, for a file of several scans, every coefficient.
    const long long coefficients = jpegCoefficientBytes(cinfo);
    const auto codecBytes = [&](int reduction) {
        return coefficients + jpegWorkingBytes(cinfo, std::min(reduction, 8));
    };
    const int reduction = reserveRead(
        width, height, targetWidth, targetHeight,
        [&](int r) { return pictureBytes(reducedSide(width, r), reducedSide(height, r)) + codecBytes(r); },
        target->share);
    if (reduction == 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const int denom = std::min(reduction, 8), box = reduction / denom;
    cinfo.mem->max_memory_to_use = static_cast<long>(codecBytes(reduction));
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(denom);
    // The brightness alone: the luma channel as stored, its colour neither transformed nor
    // converted. Each row then goes straight into the picture.
    const bool luma = target->luma && !cmyk && box == 1 && !region;
    if (luma)
        cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_calc_output_dimensions(&cinfo);
    const bool direct = !cmyk && box == 1;
    if (cinfo.output_components != (luma ? 1 : 4)
        || !prepareDecodeTarget(target, static_cast<int>(cinfo.output_width),
                                static_cast<int>(cinfo.output_height), box, !direct,
                                luma ? QImage::Format_Grayscale8 : QImage::Format_RGB32)) {
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
    if (region && direct && !multipleScans) {
        const bool ok = decodeJpegPart(
            cinfo, errors,
            decodedPart(region, QSize(target->fullWidth, target->fullHeight), target->image.size()), target);
        jpeg_destroy_decompress(&cinfo);
        return ok;
    }

    const bool inverted = cinfo.saw_Adobe_marker;
    const int decodedWidth = static_cast<int>(cinfo.output_width);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = direct ? target->image.scanLine(y) : target->row.data();
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        if (direct)
            continue;
        // CMYK becomes RGB in place, each pixel read before it is written.
        auto* pixels = reinterpret_cast<QRgb*>(box == 1 ? target->image.scanLine(y) : row);
        if (cmyk)
            cmykToRgb(row, pixels, decodedWidth, inverted);
        if (box > 1)
            target->reducer.add(y, pixels);
    }
    if (cinfo.output_scanline != cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (box > 1)
        target->reducer.finish();
    // Reads on to the end marker; a file that ends inside the picture would show a grey band.
    const unsigned components = jpegComponents(cinfo);
    jpeg_finish_decompress(&cinfo);
    // A file of several scans was found whole before its rows were made; what that check read
    // (the coefficient state) is freed by now, as is the component table.
    const bool whole = multipleScans || jpegInputWhole(cinfo, errors, progress.componentsScanned, components);
    jpeg_destroy_decompress(&cinfo);
    return whole;
}

bool loadJpeg(const JpegInput& input, int targetWidth, int targetHeight, const PictureRegion& region,
              QImage& picture, int* fullWidth, int* fullHeight, bool luma)
{
    JpegDecodeTarget target;
    target.luma = luma;
    if (!decodeJpeg(input, targetWidth, targetHeight, region, &target))
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

// One row of a BMP file's pixels as QRgb.
void unpackBmpRow(const uint8_t* in, int bits, int width, const std::array<QRgb, 256>& palette, QRgb* out)
{
    switch (bits) {
    case 32:
        for (int x = 0; x < width; ++x, in += 4)
            out[x] = qRgb(in[2], in[1], in[0]);
        break;
    case 24:
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
        break;
    case 8:
        for (int x = 0; x < width; ++x)
            out[x] = palette[in[x]];
        break;
    case 4:
        for (int x = 0; x < width; ++x)
            out[x] = palette[(in[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
        break;
    case 1:
        for (int x = 0; x < width; ++x)
            out[x] = palette[(in[x / 8] >> (7 - x % 8)) & 1];
        break;
    }
}

// Everything with a destructor that a BMP read holds, so a failed read frees it in one place.
struct BmpReadTarget {
    QImage image;
    std::vector<uint8_t> fileRow;
    std::vector<QRgb> row;  // a row to reduce
    RowReducer reducer;
    BudgetShare share;
};

// Reads the rows one at a time: at full size straight into the picture, reduced through a row
// of pixels, so no more than the picture made and two rows are ever held.
bool loadBmp(FILE* file, int targetWidth, int targetHeight, QImage& picture, int* outWidth, int* outHeight)
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
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return false;

    if (fseeko(file, 0, SEEK_END) != 0)
        return false;
    const long long fileSize = ftello(file);
    const long long rowBytes = (width * bits + 31) / 32 * 4;
    const long long paletteStart = kBmpFileHeader + infoSize;
    if (fileSize < 0 || offBits < paletteStart || offBits > fileSize
        || rowBytes * height > fileSize - offBits)
        return false;

    // The picture made, the file's row and, when reduced, a row of pixels.
    BmpReadTarget target;
    const int reduction = reserveRead(
        width, height, targetWidth, targetHeight,
        [&](int r) {
            return pictureBytes(reducedSide(width, r), reducedSide(height, r)) + rowBytes
                   + (r > 1 ? pictureBytes(width, 1) : 0);
        },
        target.share);
    if (reduction == 0)
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

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    target.image = allocatePicture(static_cast<int>(reducedSide(w, reduction)),
                                   static_cast<int>(reducedSide(h, reduction)));
    if (target.image.isNull())
        return false;
    try {
        target.fileRow.resize(static_cast<size_t>(rowBytes));
        if (reduction > 1) {
            target.row.resize(static_cast<size_t>(w));
            target.reducer.start(&target.image, w, reduction);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (fseeko(file, static_cast<off_t>(offBits), SEEK_SET) != 0)
        return false;
    for (int r = 0; r < h; ++r) {
        if (std::fread(target.fileRow.data(), 1, target.fileRow.size(), file) != target.fileRow.size())
            return false;
        const int y = topDown ? r : h - 1 - r;
        if (reduction == 1) {
            unpackBmpRow(target.fileRow.data(), bits, w, palette, reinterpret_cast<QRgb*>(target.image.scanLine(y)));
        } else {
            unpackBmpRow(target.fileRow.data(), bits, w, palette, target.row.data());
            target.reducer.add(y, target.row.data());
        }
    }
    if (reduction > 1)
        target.reducer.finish();
    picture = std::move(target.image);
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

// Opens only a regular file: a FIFO or device named like a photo must not block or stream, and
// a notebook's photo that is a link is not followed. The type is checked on the opened
// descriptor, so a swap after the check cannot slip through.
FilePtr openRegularFile(const std::string& path, bool followLinks, long long* size)
{
    FilePtr none(nullptr, std::fclose);
    const int fd =
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW));
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

// Reads the whole of a file of `size` bytes; false when it could not be read or came out
// shorter than that (it changed while being read).
bool readWhole(FILE* file, long long size, std::string& bytes)
{
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// A file of up to kPictureBytesInMemory is read whole, in one go, and decoded from memory (its
// bytes go to `fileBytes` when given); a larger one is decoded as it is read.
bool loadPicture(const std::string& path, int targetWidth, int targetHeight, const PictureRegion& region,
                 QImage& picture, int* outWidth, int* outHeight, std::string* fileBytes = nullptr,
                 bool luma = false, bool followLinks = false)
{
    if (path.empty())
        return false;
    long long fileSize = 0;
    FilePtr file = openRegularFile(path, followLinks, &fileSize);
    if (!file)
        return false;
    int width = 0;
    int height = 0;
    const char last = path.back();
    const bool jpeg = last == 'g' || last == 'G';
    bool ok = false;
    if (fileSize > kPictureBytesInMemory || fileSize == 0) {
        ok = jpeg ? loadJpeg(JpegInput{file.get(), {}, fileSize}, targetWidth, targetHeight, region, picture,
                             &width, &height, luma)
                  : loadBmp(file.get(), targetWidth, targetHeight, picture, &width, &height);
    } else {
        std::string bytes;
        if (!readWhole(file.get(), fileSize, bytes))
            return false;
        file.reset();
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        if (jpeg) {
            ok = loadJpeg(JpegInput{nullptr, {data, bytes.size()}, fileSize}, targetWidth, targetHeight,
                          region, picture, &width, &height, luma);
        } else {
            // The BMP reader walks a stream; here the stream is the bytes already read.
            FilePtr memory(fmemopen(bytes.data(), bytes.size(), "rb"), std::fclose);
            ok = memory && loadBmp(memory.get(), targetWidth, targetHeight, picture, &width, &height);
        }
        if (ok && fileBytes)
            *fileBytes = std::move(bytes);
    }
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

}  // namespace

long long PictureReadPeakBytes()
{
    return ReadBudget::instance().peak();
}

bool LoadPictureFile(const std::string& path, QImage& picture, int* outWidth, int* outHeight)
{
    return loadPicture(path, 0, 0, {}, picture, outWidth, outHeight);
}

bool LoadPictureBrightness(const std::string& path, QImage& brightness)
{
    QImage read;
    if (!loadPicture(path, 0, 0, {}, read, nullptr, nullptr, nullptr, true))
        return false;
    if (read.format() == QImage::Format_Grayscale8) {
        brightness = std::move(read);
        return true;
    }
    // The luma a JPEG file would have kept of these colours (0.299 R + 0.587 G + 0.114 B), so a
    // picture reads the same whatever kind of file it came in.
    QImage gray = allocatePicture(read.width(), read.height(), QImage::Format_Grayscale8);
    if (gray.isNull())
        return false;
    for (int y = 0; y < read.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(read.constScanLine(y));
        uchar* out = gray.scanLine(y);
        for (int x = 0; x < read.width(); ++x)
            out[x] = static_cast<uchar>(
                (19595 * qRed(in[x]) + 38470 * qGreen(in[x]) + 7471 * qBlue(in[x]) + 32768) >> 16);
    }
    brightness = std::move(gray);
    return true;
}

bool LoadPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                       int* outWidth, int* outHeight)
{
    return loadPicture(path, std::max(targetWidth, 1), std::max(targetHeight, 1), {}, picture, outWidth,
                       outHeight);
}

bool LoadPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                       std::string& fileBytes)
{
    fileBytes.clear();
    return loadPicture(path, std::max(targetWidth, 1), std::max(targetHeight, 1), {}, picture, nullptr, nullptr,
                       &fileBytes);
}

bool LoadChosenPictureScaled(const std::string& path, int targetWidth, int targetHeight, QImage& picture,
                             std::string& fileBytes)
{
    fileBytes.clear();
    return loadPicture(path, std::max(targetWidth, 1), std::max(targetHeight, 1), {}, picture, nullptr,
                       nullptr, &fileBytes, false, true);
}

bool LoadPictureRegion(const std::string& path, int targetWidth, int targetHeight,
                       const PictureRegion& region, QImage& picture, int* outWidth, int* outHeight)
{
    return loadPicture(path, std::max(targetWidth, 1), std::max(targetHeight, 1), region, picture, outWidth,
                       outHeight);
}

Result SavePictureFile(const std::string& path, const QImage& picture, int width, int height, int jpegQuality)
{
    // Encoded in memory, then written beside the target and renamed over it only when complete.
    // The path keeps its own bytes: a notebook folder named in Shift-JIS stays reachable.
    const QByteArray bytes = encodePicture(path, picture, width, height, jpegQuality);
    if (bytes.isEmpty())
        return Result::Failed(Msg::PictureSaveFailed, path);
    return WriteFileAtomic(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))
        .as(Msg::PictureSaveFailed);
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
