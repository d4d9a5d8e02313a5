#include "views/ThumbnailCache.h"

#include "photos/PictureFile.h"

#include <sys/stat.h>

namespace {
size_t imageBytes(const QImage& image)
{
    return image.isNull() ? 0 : static_cast<size_t>(image.sizeInBytes());
}
}  // namespace

void ThumbnailCache::Clear()
{
    m_entries.clear();
    m_uses.clear();
    m_bytes = 0;
}

void ThumbnailCache::erase(const std::string& path)
{
    auto it = m_entries.find(path);
    if (it == m_entries.end())
        return;
    m_bytes -= imageBytes(it->second.image);
    m_uses.erase(it->second.use);
    m_entries.erase(it);
}

void ThumbnailCache::makeRoomFor(size_t bytes)
{
    while (!m_uses.empty() && (m_entries.size() >= kMaxEntries || m_bytes + bytes > m_maxBytes))
        erase(m_uses.front());
}

QImage ThumbnailCache::Get(const std::string& path, int width, int height)
{
    struct stat st {};
    if (width <= 0 || height <= 0 || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        erase(path);
        return {};
    }
    Identity id;
    id.inode = st.st_ino;
    id.device = st.st_dev;
    id.size = st.st_size;
    id.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.width = width;
    id.height = height;
    auto it = m_entries.find(path);
    if (it != m_entries.end() && it->second.id == id) {
        m_uses.splice(m_uses.end(), m_uses, it->second.use);
        return it->second.image;
    }
    erase(path);

    ++m_decodes;
    QImage picture;
    QImage thumb;
    // Pictures come back already reduced close to the frame; only a larger one is smoothed down.
    if (LoadPictureScaled(path, width, height, picture) && !picture.isNull()) {
        if (picture.width() > width || picture.height() > height)
            thumb = picture.scaled(std::min(width, picture.width()), std::min(height, picture.height()),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        else
            thumb = picture;
        thumb = thumb.convertToFormat(QImage::Format_RGB32);
    }
    const size_t bytes = imageBytes(thumb);
    if (bytes > m_maxBytes)
        return thumb;  // too big to keep; the caller draws it once
    makeRoomFor(bytes);
    m_uses.push_back(path);
    m_entries[path] = Entry{id, thumb, std::prev(m_uses.end())};
    m_bytes += bytes;
    return thumb;
}
