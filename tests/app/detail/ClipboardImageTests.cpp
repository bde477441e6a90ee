#include "detail/ClipboardImage.h"

#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tavro;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QString written(const test::TempFolder& folder, const std::string& name, const QByteArray& bytes) {
    const QString path = toQString((folder.path() / name).string());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

TEST(ClipboardImageTest, APictureFileComesDecodedAndAsPNG) {
    test::TempFolder folder;
    QImage picture(64, 40, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 90));
    const QByteArray png = encoded(picture, "PNG");
    struct Case {
        const char* name;
        QString file;
        bool readable;
        // The file's own bytes go on the clipboard as they are.
        bool keepsItsBytes;
    };
    const std::vector<Case> cases{
        {"a PNG", written(folder, "shot.png", png), true, true},
        {"a JPEG", written(folder, "shot.jpg", encoded(picture, "JPEG")), true, false},
        {"a truncated PNG", written(folder, "cut.png", png.left(png.size() / 2)), false, false},
        {"not a picture", written(folder, "notes.png", "just text"), false, false},
        {"no file", toQString((folder.path() / "missing.png").string()), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ClipboardImage> read = ClipboardImage::read(c.file);
        ASSERT_EQ(read.has_value(), c.readable);
        if (!read)
            continue;
        EXPECT_EQ(read->image.size(), picture.size());
        QImage fromPNG;
        ASSERT_TRUE(fromPNG.loadFromData(read->png, "PNG"));
        EXPECT_EQ(fromPNG.size(), picture.size());
        EXPECT_EQ(read->png == png, c.keepsItsBytes);
        const std::unique_ptr<QMimeData> data(read->mimeData());
        EXPECT_EQ(data->data(QStringLiteral("image/png")), read->png);
        EXPECT_TRUE(data->hasImage());
    }
}

TEST(ClipboardImageTest, ALaterReadAnswersOnTheGuiThreadOnlyWhileItsContextLives) {
    test::TempFolder folder;
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const QString file = written(folder, "shot.png", encoded(picture, "PNG"));

    QObject context;
    std::optional<std::optional<ClipboardImage>> answer;
    bool onGuiThread = false;
    ClipboardImage::readLater(file, &context, [&](std::optional<ClipboardImage> read) {
        onGuiThread = QThread::currentThread() == context.thread();
        answer = std::move(read);
    });
    EXPECT_FALSE(answer) << "answered before the call returned";
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
    EXPECT_TRUE(onGuiThread);
    ASSERT_TRUE(*answer);
    EXPECT_EQ((*answer)->image.size(), picture.size());

    auto gone = std::make_unique<QObject>();
    bool heard = false;
    ClipboardImage::readLater(file, gone.get(),
                              [&](std::optional<ClipboardImage>) { heard = true; });
    gone.reset();
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(heard);
}
