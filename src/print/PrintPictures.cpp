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
                             std::set<QDate> listDays)
    : m_folder(std::move(notebookFolder)), m_detailDays(std::move(detailDays)),
      m_listDays(std::move(listDays))
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

void PrintPictures::SetListPictureSize(QSize device)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_listSize.isValid())
            return;
        m_listSize = device;
    }
    m_changed.notify_all();
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
        QImage photo;
        if (!LoadPictureFile(photoPath(date), photo))
            photo = QImage();
        QImage listPicture;
        const bool listed = m_listDays.count(date) > 0 && !photo.isNull();
        QSize listSize;
        if (listed) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || m_listSize.isValid(); });
            if (m_stop)
                return;
            listSize = m_listSize;
        }
        if (listed)
            listPicture = reduced(photo, listSize);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_decodes;
            m_ready[date] = std::move(photo);
            if (listed)
                m_listPictures[date] = std::move(listPicture);
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
    if (!photo.isNull())
        m_printed.push_back({photoPath(date), photo.size(), {}});
    // Pages drawn out of order leave photos behind that no page will take.
    while (!m_ready.empty() && m_ready.begin()->first < date)
        m_ready.erase(m_ready.begin());
    lock.unlock();
    m_changed.notify_all();
    return photo;
}

QImage PrintPictures::ListPicture(const QDate& date, QSize device)
{
    QImage picture;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (auto it = m_listPictures.find(date); it != m_listPictures.end() && device == m_listSize)
            picture = it->second;
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
        m_printed.push_back({photoPath(date), picture.size(), std::move(jpeg)});
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
