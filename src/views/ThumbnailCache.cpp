#include "views/ThumbnailCache.h"

#include "photos/PictureFile.h"

#include <sys/stat.h>

namespace {
// More than two months of calendar cells; beyond that the cache starts over.
constexpr size_t kMaxEntries = 96;
} // namespace

QImage ThumbnailCache::Get(const std::string& path, int width, int height)
{
    struct stat st {};
    if (width <= 0 || height <= 0 || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_entries.erase(path);
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
    if (it != m_entries.end() && it->second.id == id)
        return it->second.image;

    ++m_decodes;
    QImage picture;
    QImage thumb;
    if (LoadPictureScaled(path, width, height, picture) && !picture.isNull()) {
        thumb = (picture.width() == width && picture.height() == height)
                    ? picture
                    : picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        thumb = thumb.convertToFormat(QImage::Format_RGB32);
    }
    if (m_entries.size() >= kMaxEntries && it == m_entries.end())
        m_entries.clear();
    m_entries[path] = Entry{id, thumb};
    return thumb;
}
