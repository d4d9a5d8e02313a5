#pragma once
// Small copies of day photos for the calendar. An entry is used only while the file is the same
// file (inode, size and modification time), so every draw shows the photo as it is on disk.
#include <QImage>

#include <cstdint>
#include <string>
#include <unordered_map>

class ThumbnailCache {
public:
    // The photo at `path` stretched to width x height; a null image when the file is missing or
    // cannot be decoded.
    QImage Get(const std::string& path, int width, int height);
    void Clear() { m_entries.clear(); }
    size_t size() const { return m_entries.size(); }
    int decodes() const { return m_decodes; }

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
    };
    std::unordered_map<std::string, Entry> m_entries;
    int m_decodes = 0;
};
