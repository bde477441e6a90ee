#include "library/ThumbnailCache.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

QImage imageOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

QString pathOf(int i) {
    return QStringLiteral("/library/thumbs/%1.jpg").arg(i);
}

} // namespace

TEST(ThumbnailCache, KeepsAtMostTheCountLimit) {
    ThumbnailCache cache;
    for (int i = 0; i < 301; ++i)
        cache.insert(pathOf(i), imageOf(4, 4));
    EXPECT_EQ(cache.count(), 300u);
    EXPECT_FALSE(cache.find(pathOf(0))) << "the least recently used goes first";
    EXPECT_TRUE(cache.find(pathOf(300)));
}

TEST(ThumbnailCache, KeepsAtMostTheByteLimitLeastRecentlyUsedOut) {
    const QImage tenK = imageOf(50, 50); // 10,000 bytes
    ThumbnailCache cache({.count = 300, .bytes = 35'000});
    cache.insert(pathOf(1), tenK);
    cache.insert(pathOf(2), tenK);
    cache.insert(pathOf(3), tenK);
    EXPECT_TRUE(cache.find(pathOf(1))); // now the most recently used
    cache.insert(pathOf(4), tenK);
    EXPECT_EQ(cache.count(), 3u);
    EXPECT_EQ(cache.bytes(), 30'000);
    EXPECT_FALSE(cache.find(pathOf(2)));
    EXPECT_TRUE(cache.find(pathOf(1)));

    cache.insert(pathOf(5), imageOf(100, 100)); // 40,000: more than the whole limit
    EXPECT_FALSE(cache.find(pathOf(5)));
    EXPECT_EQ(cache.count(), 3u);

    cache.insert(pathOf(1), imageOf(10, 10)); // replacing an entry frees the old image's bytes
    EXPECT_EQ(cache.bytes(), 20'400);
    cache.remove(pathOf(1));
    cache.remove(pathOf(99));
    EXPECT_EQ(cache.bytes(), 20'000);
    EXPECT_EQ(cache.count(), 2u);

    cache.insert(pathOf(6), QImage());
    EXPECT_FALSE(cache.find(pathOf(6))) << "a failed read is never cached";
}
