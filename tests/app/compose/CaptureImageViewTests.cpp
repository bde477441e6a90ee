#include "compose/CaptureImageView.h"
#include "library/ThumbnailLoader.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QBuffer>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavro;
using tavro::test::TempFolder;
using Shown = CaptureImageView::Shown;

namespace {

class CaptureImageViewTest : public ::testing::Test {
protected:
    QString file(const char* name) const { return toQString((folder.path() / name).string()); }

    QString writeImage(const char* name, QColor color, QSize size = {40, 30}) const {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        const QString path = file(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    std::unique_ptr<CaptureImageView> view(const QString& path) {
        auto view = std::make_unique<CaptureImageView>(loader, ContentMode::fit);
        view->resize(120, 90);
        view->setPath(path);
        return view;
    }

    static bool waitFor(const CaptureImageView& view, Shown shown) {
        return QTest::qWaitFor([&] { return view.shown() == shown; }, 5000);
    }

    TempFolder folder;
    ThumbnailLoader loader;
};

QColor colorOf(const CaptureImageView& view) {
    return view.image().pixelColor(0, 0);
}

} // namespace

TEST_F(CaptureImageViewTest, LoadsOffTheGUIThreadThenServesFromTheCache) {
    const QString path = writeImage("a.png", Qt::red);
    auto first = view(path);
    first->show();
    EXPECT_EQ(first->shown(), Shown::placeholder);
    ASSERT_TRUE(waitFor(*first, Shown::image));
    EXPECT_EQ(colorOf(*first), QColor(Qt::red));

    auto second = view(path);
    second->show();
    EXPECT_EQ(second->shown(), Shown::image) << "a cache hit shows at once";

    bool ranAtOnce = false;
    loader.load(path, nullptr, [&](const QImage& image) { ranAtOnce = !image.isNull(); });
    EXPECT_TRUE(ranAtOnce);
}

TEST_F(CaptureImageViewTest, MissingFilesShowTheNoticeUntilTheViewLoadsAgain) {
    auto none = view(QString());
    none->show();
    EXPECT_EQ(none->shown(), Shown::missing);

    const QString path = file("later.png");
    auto missing = view(path);
    missing->show();
    ASSERT_TRUE(waitFor(*missing, Shown::missing));
    EXPECT_FALSE(loader.cached(path)) << "a failure is never cached";

    writeImage("later.png", Qt::green);
    // Shown views do not watch their files: nothing changes until it is shown again.
    EXPECT_FALSE(QTest::qWaitFor([&] { return missing->shown() != Shown::missing; }, 50));
    EXPECT_EQ(missing->shown(), Shown::missing);
    missing->hide();
    missing->show();
    ASSERT_TRUE(waitFor(*missing, Shown::image));

    test::writeFile(toStdString(file("junk.png")), "not an image");
    auto junk = view(file("junk.png"));
    junk->show();
    EXPECT_TRUE(waitFor(*junk, Shown::missing));
}

TEST_F(CaptureImageViewTest, ChangingToAnUnreadableFileKeepsTheImage) {
    auto shown = view(writeImage("a.png", Qt::red));
    shown->show();
    ASSERT_TRUE(waitFor(*shown, Shown::image));
    shown->setPath(file("gone.png"));
    // The failed read comes back from the loader's pool and must leave the picture as it was.
    EXPECT_FALSE(QTest::qWaitFor([&] { return shown->shown() != Shown::image; }, 200));
    EXPECT_EQ(shown->shown(), Shown::image);
    EXPECT_EQ(colorOf(*shown), QColor(Qt::red));
}

TEST_F(CaptureImageViewTest, EvictingReadsTheFileAgainButLeavesShownImages) {
    const QString path = writeImage("a.png", Qt::red);
    auto first = view(path);
    first->show();
    ASSERT_TRUE(waitFor(*first, Shown::image));

    writeImage("a.png", Qt::blue);
    loader.evict(path);
    EXPECT_FALSE(loader.cached(path));
    auto second = view(path);
    second->show();
    ASSERT_TRUE(waitFor(*second, Shown::image));
    EXPECT_EQ(colorOf(*second), QColor(Qt::blue));
    EXPECT_EQ(colorOf(*first), QColor(Qt::red));
}

// Reads that are still under way when their path changes or is evicted. The old file is a named
// pipe, so its read waits until the test writes the image into it.
class SlowReadTest : public CaptureImageViewTest {
protected:
    void SetUp() override { ASSERT_EQ(mkfifo(toStdString(slow).c_str(), 0600), 0); }

    // A test that stopped early must not leave a read waiting on the pipe, or the loader would
    // wait for it forever when it goes.
    void TearDown() override {
        const int fd = ::open(toStdString(slow).c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }

    void finishSlowRead() const {
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");
        std::ofstream pipe(toStdString(slow), std::ios::binary);
        pipe.write(png.constData(), png.size());
    }

    const QString slow = file("slow.png");
};

TEST_F(SlowReadTest, AnOldReadNeverReplacesTheNewerImage) {
    auto shown = view(slow);
    shown->show();
    shown->setPath(writeImage("new.png", Qt::blue));
    ASSERT_TRUE(waitFor(*shown, Shown::image));

    finishSlowRead();
    // The cache takes the old image just before the view's completion runs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return loader.cached(slow).has_value(); }, 5000));
    EXPECT_EQ(colorOf(*shown), QColor(Qt::blue));
    EXPECT_EQ(shown->path(), file("new.png"));
}

TEST_F(SlowReadTest, AReadOfAnEvictedFileIsDeliveredButNotCached) {
    QImage delivered;
    loader.load(slow, nullptr, [&](const QImage& image) { delivered = image; });
    loader.evict(slow);
    finishSlowRead();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delivered.isNull(); }, 5000));
    EXPECT_FALSE(loader.cached(slow));
}
