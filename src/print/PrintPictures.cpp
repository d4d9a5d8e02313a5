#include "print/PrintPictures.h"

#include "photos/PictureFile.h"
#include "store/DayRecord.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>

namespace {
QImage reduced(const QImage& picture, QSize device)
{
    if (picture.isNull() || device.isEmpty())
        return picture;
    // Never enlarged: the painter stretches a smaller picture.
    const QSize to(std::min(device.width(), picture.width()), std::min(device.height(), picture.height()));
    const QImage scaled =
        to == picture.size() ? picture : picture.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.convertToFormat(QImage::Format_RGB32);
}
}  // namespace

PrintPictures::PrintPictures(std::string notebookFolder, std::vector<QDate> detailDays,
                             std::set<QDate> listDays, bool standIns)
    : m_folder(std::move(notebookFolder)), m_detailDays(std::move(detailDays)),
      m_listDays(std::move(listDays)), m_standIns(standIns)
{
    if (!m_detailDays.empty())
        m_worker = std::thread([this] { work(); });
}

PrintPictures::~PrintPictures()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

std::string PrintPictures::photoPath(const QDate& date) const
{
    return DayFilePath(m_folder, date, "jpg");
}

// A size the first sheet tells, set once; the worker may be waiting for it.
void PrintPictures::setOnce(QSize& size, QSize device)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (size.isValid())
            return;
        size = device;
    }
    m_changed.notify_all();
}

void PrintPictures::SetListPictureSize(QSize device)
{
    setOnce(m_listSize, device);
}

void PrintPictures::SetPhotoAreaSize(QSize device)
{
    setOnce(m_photoArea, device);
}

// The photo decoded at an eighth, when that is all the PDF needs of it: its file can go in as
// it is, and goes in at its own size (a photo the area reduces goes in reduced, not as its file).
// `file` receives the file's size and `bytes` the file as read, which the stand-in shows.
QImage PrintPictures::standIn(const QDate& date, QSize area, QSize* file, QByteArray* bytes) const
{
    std::string read;
    QImage picture;
    if (!LoadPictureScaled(photoPath(date), 1, 1, picture, read))
        return QImage();
    QByteArray jpeg(read.data(), qsizetype(read.size()));
    const std::optional<QSize> size = WholeJpegSize(jpeg);
    if (!size || (area.width() <= size->width() && area.height() <= size->height())
        || picture.size() == *size)
        return QImage();
    *file = *size;
    *bytes = std::move(jpeg);
    return picture;
}

void PrintPictures::work()
{
    for (size_t k = 0; k < m_detailDays.size(); ++k) {
        const QDate date = m_detailDays[k];
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || m_ready.size() < kAhead; });
            if (m_stop)
                return;
        }
        // What the first sheet tells: the sizes of the list's pictures and of the photo area.
        auto sheetSize = [&](const QSize& size) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || size.isValid(); });
            return m_stop ? QSize() : size;
        };
        QImage photo;
        QSize file;
        QByteArray bytes;
        if (m_standIns) {
            const QSize area = sheetSize(m_photoArea);
            if (!area.isValid())
                return;
            photo = standIn(date, area, &file, &bytes);
        }
        if (photo.isNull() && !LoadPictureFile(photoPath(date), photo))
            photo = QImage();
        QImage listPicture;
        if (m_listDays.count(date) > 0 && !photo.isNull()) {
            const QSize listSize = sheetSize(m_listSize);
            if (!listSize.isValid())
                return;
            // A stand-in stands in on the list too: its file goes in once and shows in both
            // places. A picture of its own, which the PDF engine writes apart from the detail
            // page's (it shares a picture drawn twice), so the list's place is found as well.
            listPicture = file.isValid() ? photo.copy() : reduced(photo, listSize);
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_decodes;
            m_ready[date] = std::move(photo);
            if (file.isValid())
                m_standInFor[date] = {file, bytes};  // the bytes shared with the list's copy
            if (!listPicture.isNull())
                m_listPictures[date] = {std::move(listPicture), file, std::move(bytes)};
            m_next = k + 1;
        }
        m_changed.notify_all();
    }
}

QImage PrintPictures::TakePhoto(const QDate& date)
{
    const auto at = std::find(m_detailDays.begin(), m_detailDays.end(), date);
    if (at == m_detailDays.end())
        return QImage();
    const size_t k = static_cast<size_t>(at - m_detailDays.begin());
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_next > k || m_stop; });
    QImage photo;
    if (auto it = m_ready.find(date); it != m_ready.end()) {
        photo = std::move(it->second);
        m_ready.erase(it);
    }
    StandIn stood;
    if (auto it = m_standInFor.find(date); it != m_standInFor.end()) {
        stood = std::move(it->second);
        m_standInFor.erase(it);
    }
    if (!photo.isNull())
        m_printed.push_back({photoPath(date), photo.size(), std::move(stood.bytes), stood.file,
                             stood.file.isValid() ? photo : QImage()});
    // Pages drawn out of order leave photos behind that no page will take.
    while (!m_ready.empty() && m_ready.begin()->first < date)
        m_ready.erase(m_ready.begin());
    while (!m_standInFor.empty() && m_standInFor.begin()->first < date)
        m_standInFor.erase(m_standInFor.begin());
    lock.unlock();
    m_changed.notify_all();
    return photo;
}

QImage PrintPictures::ListPicture(const QDate& date, QSize device)
{
    QImage picture;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (auto it = m_listPictures.find(date); it != m_listPictures.end() && device == m_listSize) {
            picture = it->second.picture;
            if (it->second.file.isValid()) {
                m_printed.push_back(
                    {photoPath(date), picture.size(), it->second.bytes, it->second.file, picture});
                return picture;
            }
        }
    }
    if (picture.isNull()) {
        if (!LoadPictureScaled(photoPath(date), device.width(), device.height(), picture))
            return QImage();
        picture = reduced(picture, device);
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_decodes;
    }
    // The reduced copy as a JPEG of the notebook's photo quality, to go into a PDF in place of the
    // engine's own re-encoding of it.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(PictureSettings{}.JpegQuality);
    if (!writer.write(picture))
        jpeg.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!jpeg.isEmpty())
        m_printed.push_back({photoPath(date), picture.size(), std::move(jpeg), {}, {}});
    return picture;
}

int PrintPictures::decodes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_decodes;
}

std::vector<PrintedPhoto> PrintPictures::printed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_printed;
}
