#pragma once
// Hand-built EXIF records for the date walk: a TIFF block with IFD0, an optional sub-directory
// and a data area, and JPEG marker streams around it.
#include <cstdint>
#include <string>
#include <vector>

namespace exif {

using Bytes = std::vector<uint8_t>;

// Values standing for offsets the builder fills in.
inline constexpr uint32_t kSubOffset = 0xFFFF0001;   // the sub-directory
inline constexpr uint32_t kDataOffset = 0xFFFF0002;  // the data area (the date text)
inline constexpr uint32_t kIfd0Offset = 0xFFFF0003;  // IFD0 itself
// kTextOffset + i: the i-th of the further texts after the data area.
inline constexpr uint32_t kTextOffset = 0xFFFF0100;

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

inline Entry DateEntry(uint16_t tag = 0x0132)
{
    return {tag, 2, 20, kDataOffset};
}

// A date tag whose 20-byte text is the i-th further text.
inline Entry TextEntry(uint16_t tag, uint32_t i)
{
    return {tag, 2, 20, kTextOffset + i};
}

class Tiff {
public:
    explicit Tiff(bool bigEndian) : m_big(bigEndian) {}
    Bytes build(const std::vector<Entry>& ifd0, const std::vector<Entry>& sub = {},
                const std::string& data = "2026:05:14 07:30:12", const std::vector<std::string>& texts = {}) const
    {
        Bytes b;
        b.push_back(m_big ? 'M' : 'I');
        b.push_back(m_big ? 'M' : 'I');
        put16(b, 42);
        put32(b, 8);
        const uint32_t subAt = 8 + 2 + 12 * uint32_t(ifd0.size()) + 4;
        const uint32_t dataAt = subAt + (sub.empty() ? 0 : 2 + 12 * uint32_t(sub.size()) + 4);
        auto dir = [&](const std::vector<Entry>& entries) {
            put16(b, uint16_t(entries.size()));
            for (const Entry& e : entries) {
                put16(b, e.tag);
                put16(b, e.type);
                put32(b, e.count);
                if (e.type == 3 && e.value < 0x10000) {  // a SHORT sits in the first two bytes
                    put16(b, uint16_t(e.value));
                    put16(b, 0);
                } else {
                    put32(b, e.value == kSubOffset    ? subAt
                             : e.value == kDataOffset ? dataAt
                             : e.value == kIfd0Offset ? 8
                             : e.value >= kTextOffset && e.value - kTextOffset < texts.size()
                                 ? textAt(dataAt, data, texts, e.value - kTextOffset)
                                 : e.value);
                }
            }
            put32(b, 0);
        };
        dir(ifd0);
        if (!sub.empty())
            dir(sub);
        b.insert(b.end(), data.begin(), data.end());
        b.push_back(0);
        for (const std::string& t : texts) {
            b.insert(b.end(), t.begin(), t.end());
            b.push_back(0);
        }
        return b;
    }

private:
    static uint32_t textAt(uint32_t dataAt, const std::string& data, const std::vector<std::string>& texts,
                           size_t i)
    {
        uint32_t at = dataAt + uint32_t(data.size()) + 1;
        for (size_t k = 0; k < i; ++k)
            at += uint32_t(texts[k].size()) + 1;
        return at;
    }
    void put16(Bytes& b, uint16_t v) const
    {
        if (m_big) {
            b.push_back(uint8_t(v >> 8));
            b.push_back(uint8_t(v));
        } else {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        }
    }
    void put32(Bytes& b, uint32_t v) const
    {
        if (m_big) {
            put16(b, uint16_t(v >> 16));
            put16(b, uint16_t(v));
        } else {
            put16(b, uint16_t(v));
            put16(b, uint16_t(v >> 16));
        }
    }
    bool m_big;
};

// A marker segment: FF code, big-endian length (2 + payload), payload.
inline Bytes Segment(uint8_t code, const Bytes& payload)
{
    Bytes b{0xFF, code, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)};
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

inline Bytes ExifPayload(const Bytes& tiff)
{
    Bytes b{'E', 'x', 'i', 'f', 0, 0};
    b.insert(b.end(), tiff.begin(), tiff.end());
    return b;
}

inline Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

inline const Bytes kSoi{0xFF, 0xD8};
inline const Bytes kEoi{0xFF, 0xD9};
// A scan header and some entropy-coded bytes (0xFF only as stuffed 0xFF 0x00 or a restart).
inline Bytes Scan()
{
    return Join({Segment(0xDA, Bytes(10, 1)), Bytes{0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56}});
}

// A JPEG file (from an encoder) with an APP1 EXIF segment put right after its start marker.
inline Bytes WithExif(const Bytes& jpeg, const Bytes& tiff, uint8_t app = 0xE1)
{
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    Bytes seg = Segment(app, ExifPayload(tiff));
    out.insert(out.end(), seg.begin(), seg.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

}  // namespace exif
