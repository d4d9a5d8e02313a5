#pragma once
// Small copies of day photos for the calendar. An entry is used only while the file is the same
// file (inode, size and modification time), so every draw shows the photo as it is on disk.
// The cache is bounded by the bytes of its pictures as well as by their number.
#include <QImage>

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

class ThumbnailCache {
public:
    explicit ThumbnailCache(size_t maxBytes = kDefaultMaxBytes) : m_maxBytes(maxBytes) {}

    // The photo at `path` for a width x height frame: reduced to that size, or at the photo's
    // own size when the photo is smaller (the painter stretches it; nothing is enlarged here).
    // A null image when the file is missing, not a regular file or cannot be decoded.
    QImage Get(const std::string& path, int width, int height);
    void Clear();
    size_t size() const { return m_entries.size(); }
    size_t bytes() const { return m_bytes; }
    int decodes() const { return m_decodes; }

    static constexpr size_t kDefaultMaxBytes = 64u * 1024 * 1024;
    static constexpr size_t kMaxEntries = 96;  // more than two months of calendar cells

private:
    struct Identity {
        uint64_t inode = 0, device = 0;
        int64_t size = 0, mtimeNs = 0;
        int width = 0, height = 0;
        bool operator==(const Identity&) const = default;
    };
    struct Entry {
        Identity id;
        QImage image;  // null: the file could not be decoded (not tried again until it changes)
        std::list<std::string>::iterator use;
    };
    void erase(const std::string& path);
    void makeRoomFor(size_t bytes);

    std::unordered_map<std::string, Entry> m_entries;
    std::list<std::string> m_uses;  // least recently used first
    size_t m_maxBytes;
    size_t m_bytes = 0;
    int m_decodes = 0;
};
