#include "views/ThumbnailCache.h"

#include "photos/PictureFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class ThumbnailCacheTest : public ::testing::Test {
protected:
    std::string photo(const std::string& name, int w, int h, QRgb colour = qRgb(200, 30, 30))
    {
        const std::string p = m_dir.filePath(QString::fromStdString(name)).toStdString();
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(SavePictureFile(p, image, w, h, 90));
        return p;
    }
    QTemporaryDir m_dir;
};

// A frame larger than the photo keeps the photo's own size: an 8000 x 8000 frame must not
// make a 256 MB copy of a 640 x 480 photo.
TEST_F(ThumbnailCacheTest, ReducesButNeverEnlarges)
{
    const std::string p = photo("20260101.jpg", 640, 480);
    ThumbnailCache cache;
    for (auto [w, h, want] : {std::tuple{80, 60, QSize(80, 60)},
                              {100, 200, QSize(100, 200)},
                              {8000, 8000, QSize(640, 480)},
                              {8000, 60, QSize(640, 60)}}) {
        const QImage thumb = cache.Get(p, w, h);
        EXPECT_EQ(thumb.size(), want) << w << "x" << h;
        EXPECT_EQ(thumb.pixel(thumb.width() - 1, thumb.height() - 1) & 0xF0F0F0,
                  qRgb(200, 30, 30) & 0xF0F0F0);
    }
    EXPECT_EQ(cache.bytes(), 640u * 60 * 4) << "one entry per path";
}

TEST_F(ThumbnailCacheTest, BoundedByBytesKeepingTheRecentlyUsed)
{
    const size_t one = 320 * 240 * 4;
    ThumbnailCache cache(2 * one);
    const std::string a = photo("a.jpg", 320, 240), b = photo("b.jpg", 320, 240),
                      c = photo("c.jpg", 320, 240);
    cache.Get(a, 320, 240);
    cache.Get(b, 320, 240);
    cache.Get(a, 320, 240);  // a is now the more recent
    cache.Get(c, 320, 240);  // b goes
    EXPECT_EQ(std::pair(cache.size(), cache.bytes()), std::pair(size_t{2}, 2 * one));
    EXPECT_EQ(cache.decodes(), 3);
    cache.Get(a, 320, 240);
    EXPECT_EQ(cache.decodes(), 3) << "a was kept";
    cache.Get(b, 320, 240);
    EXPECT_EQ(cache.decodes(), 4) << "b was dropped";

    // A thumbnail beyond the whole budget is drawn but not kept.
    const std::string big = photo("big.jpg", 1000, 1000);
    EXPECT_EQ(cache.Get(big, 1000, 1000).size(), QSize(1000, 1000));
    EXPECT_LE(cache.bytes(), 2 * one);
    cache.Clear();
    EXPECT_EQ(std::pair(cache.size(), cache.bytes()), std::pair(size_t{0}, size_t{0}));
}

TEST_F(ThumbnailCacheTest, BoundedByCount)
{
    ThumbnailCache cache;
    const std::string p = photo("p.jpg", 16, 16);
    for (size_t i = 0; i < ThumbnailCache::kMaxEntries + 10; ++i) {
        const std::string link = m_dir.filePath(QString("l%1.jpg").arg(i)).toStdString();
        ASSERT_EQ(::link(p.c_str(), link.c_str()), 0);
        EXPECT_FALSE(cache.Get(link, 16, 16).isNull());
    }
    EXPECT_EQ(cache.size(), ThumbnailCache::kMaxEntries);
    EXPECT_EQ(cache.bytes(), ThumbnailCache::kMaxEntries * 16 * 16 * 4);
}

TEST_F(ThumbnailCacheTest, OnlyRegularFiles)
{
    const std::string fifo = m_dir.filePath("20260102.jpg").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ThumbnailCache cache;
    EXPECT_TRUE(cache.Get(fifo, 80, 60).isNull());
    EXPECT_TRUE(cache.Get(m_dir.path().toStdString(), 80, 60).isNull());
    EXPECT_EQ(cache.size(), 0u);
}

}  // namespace
