#include "desktop/FileRevealer.h"

#include "platform/SessionBus.h"
#include "values/Utf8.h"

#include "SilentBus.h"
#include "TempLibrary.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace tavro;

namespace {

QString busAddress() {
    const auto address = sessionBusAddress();
    return address ? toQString(*address) : QString();
}

// A file manager on the test's bus that notes what it was asked to show. A silent one takes
// the call and never answers, as a file manager that hangs on start would.
class FakeFileManager final : public QDBusVirtualObject {
public:
    explicit FakeFileManager(bool answers)
        : answers_(answers)
        , bus_(QDBusConnection::connectToBus(busAddress(), QStringLiteral("fake-file-manager"))) {
        EXPECT_TRUE(bus_.isConnected());
        EXPECT_TRUE(
            bus_.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), this));
        EXPECT_TRUE(bus_.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    }
    ~FakeFileManager() override {
        bus_.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        bus_.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QStringLiteral("org.freedesktop.FileManager1") ||
            message.member() != QStringLiteral("ShowItems"))
            return false;
        calls.push_back(message.arguments());
        if (answers_)
            connection.send(message.createReply());
        return true;
    }

    std::vector<QList<QVariant>> calls;

private:
    bool answers_;
    QDBusConnection bus_;
};

struct Opened {
    std::vector<QUrl> folders;
    bool succeeds = true;
    DBusFileRevealer::FolderOpener opener() {
        return [this](const QUrl& folder) {
            folders.push_back(folder);
            return succeeds;
        };
    }
};

std::optional<RevealOutcome> revealAndWait(FileRevealer& revealer,
                                           const std::filesystem::path& file, int waitMs = 3000) {
    std::optional<RevealOutcome> outcome;
    revealer.reveal(file, [&](RevealOutcome o) { outcome = o; });
    (void)QTest::qWaitFor([&] { return outcome.has_value(); }, waitMs);
    return outcome;
}

} // namespace

TEST(FileRevealerTest, AskTheFileManagerOrElseOpenTheFolder) {
    ASSERT_FALSE(busAddress().isEmpty()) << "runs under dbus-run-session";
    test::TempFolder folder;
    const auto file = folder.path() / "2026 12" / "shot one.png";
    test::writeFile(file, "png");
    const QString uri =
        QString::fromLatin1(QUrl::fromLocalFile(toQString(file.string())).toEncoded());
    const QUrl parent = QUrl::fromLocalFile(toQString(file.parent_path().string()));
    EXPECT_TRUE(uri.startsWith(QStringLiteral("file:///")));
    EXPECT_TRUE(uri.contains(QStringLiteral("2026%2012/shot%20one.png"))) << uri.toStdString();

    struct Case {
        const char* name;
        std::optional<bool> fileManager; // answers or stays silent; none: no file manager
        QString address;
        bool folderOpens;
        RevealOutcome outcome;
        std::size_t folderCount;
    };
    const std::vector<Case> cases{
        {"a file manager answers", true, busAddress(), true, RevealOutcome::shown, 0},
        {"no file manager", std::nullopt, busAddress(), true, RevealOutcome::folderOpened, 1},
        {"a silent file manager", false, busAddress(), true, RevealOutcome::folderOpened, 1},
        {"no session bus", std::nullopt, QString(), true, RevealOutcome::folderOpened, 1},
        {"nothing opens", std::nullopt, busAddress(), false, RevealOutcome::failed, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<FakeFileManager> fileManager;
        if (c.fileManager)
            fileManager.emplace(*c.fileManager);
        Opened opened;
        opened.succeeds = c.folderOpens;
        DBusFileRevealer revealer(c.address, opened.opener(), 400);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(revealAndWait(revealer, file), c.outcome);
        // Bounded: a file manager that never answers costs the time limit, not the bus's own.
        EXPECT_LT(clock.elapsed(), 2000);
        ASSERT_EQ(opened.folders.size(), c.folderCount);
        if (c.folderCount) {
            EXPECT_EQ(opened.folders.front(), parent);
        }
        if (fileManager) {
            ASSERT_EQ(fileManager->calls.size(), 1u);
            const QList<QVariant>& arguments = fileManager->calls.front();
            ASSERT_EQ(arguments.size(), 2);
            EXPECT_EQ(arguments[0].toStringList(), QStringList{uri});
            EXPECT_EQ(arguments[1].toString(), QString());
        }
    }
}

// A bus that takes the connection and never answers holds neither the GUI thread nor the answer
// past the time limit.
TEST(FileRevealerTest, ABusThatNeverAnswersOpensTheFolderInTime) {
    test::TempFolder folder;
    const auto file = folder.path() / "shot.png";
    test::writeFile(file, "png");
    test::MuteBus mute;
    Opened opened;
    DBusFileRevealer revealer(toQString(mute.address()), opened.opener(), 400);
    QElapsedTimer clock;
    clock.start();
    std::optional<RevealOutcome> outcome;
    revealer.reveal(file, [&](RevealOutcome o) { outcome = o; });
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 3000));
    EXPECT_EQ(outcome, RevealOutcome::folderOpened);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(FileRevealerTest, AMissingFileAsksNothingOfTheDesktop) {
    test::TempFolder folder;
    FakeFileManager fileManager(true);
    Opened opened;
    DBusFileRevealer revealer(busAddress(), opened.opener(), 400);
    EXPECT_EQ(revealAndWait(revealer, folder.path() / "gone.png"), RevealOutcome::missing);
    // A call, had one been made, would take a moment to cross the bus.
    EXPECT_FALSE(
        QTest::qWaitFor([&] { return !fileManager.calls.empty() || !opened.folders.empty(); }, 50));
    EXPECT_TRUE(fileManager.calls.empty());
    EXPECT_TRUE(opened.folders.empty());
}

TEST(FileRevealerTest, AFolderIsShownOrElseOpenedItself) {
    test::TempFolder folder;
    Opened opened;
    DBusFileRevealer revealer(QString(), opened.opener(), 400);
    EXPECT_EQ(revealAndWait(revealer, folder.path()), RevealOutcome::folderOpened);
    ASSERT_EQ(opened.folders.size(), 1u);
    EXPECT_EQ(opened.folders.front(), QUrl::fromLocalFile(toQString(folder.path().string())));
}

TEST(FileRevealerTest, AnAnswerAfterTheRevealerIsGoneReachesNoOne) {
    test::TempFolder folder;
    const auto file = folder.path() / "shot.png";
    test::writeFile(file, "png");
    FakeFileManager fileManager(true);
    Opened opened;
    bool answered = false;
    {
        DBusFileRevealer revealer(busAddress(), opened.opener(), 400);
        revealer.reveal(file, [&](RevealOutcome) { answered = true; });
    }
    // Past the revealer's 400 ms answer deadline: nothing is late to arrive after that.
    EXPECT_FALSE(QTest::qWaitFor([&] { return answered || !opened.folders.empty(); }, 600));
    EXPECT_FALSE(answered);
    EXPECT_TRUE(opened.folders.empty());
}
