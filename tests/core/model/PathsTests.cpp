#include "model/Paths.h"

#include "TempLibrary.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::test::ScopedEnv;
using tavro::test::TempFolder;
using tavro::test::writeFile;

namespace {

// A home folder of its own, with no TAVRO_HOME and no XDG_DATA_HOME.
struct FakeHome {
    TempFolder folder;
    ScopedEnv home{"HOME", folder.path().string()};
    ScopedEnv data{"XDG_DATA_HOME", std::nullopt};
    ScopedEnv tavroHome{"TAVRO_HOME", std::nullopt};

    fs::path defaultSupport() const { return folder.path() / ".local/share/Tavro"; }
    fs::path legacy() const { return folder.path() / ".local/share/Koldar"; }
};

} // namespace

TEST(TavroPaths, SupportFolderFollowsTheEnvironment) {
    FakeHome home;
    EXPECT_EQ(TavroPaths::libraryRoot(), home.defaultSupport());
    EXPECT_EQ(TavroPaths::databasePath(), home.defaultSupport() / "tavro.sqlite");
    EXPECT_EQ(TavroPaths::capturesRoot(), home.defaultSupport() / "captures");
    EXPECT_EQ(TavroPaths::thumbsRoot(), home.defaultSupport() / "thumbs");
    EXPECT_EQ(TavroPaths::logsRoot(), home.defaultSupport() / "logs");

    {
        ScopedEnv data("XDG_DATA_HOME", (home.folder.path() / "data").string());
        EXPECT_EQ(TavroPaths::libraryRoot(), home.folder.path() / "data/Tavro");
    }
    {
        ScopedEnv tilde("TAVRO_HOME", "~/Bugs");
        EXPECT_EQ(TavroPaths::libraryRoot(), home.folder.path() / "Bugs");
        EXPECT_EQ(TavroPaths::databasePath(), home.folder.path() / "Bugs/tavro.sqlite");
    }
    {
        ScopedEnv blank("TAVRO_HOME", " \t\u00A0");
        EXPECT_EQ(TavroPaths::libraryRoot(), home.defaultSupport());
    }
    {
        ScopedEnv trailing("TAVRO_HOME", "/tmp/lib  ");
        EXPECT_EQ(TavroPaths::libraryRoot(), fs::path("/tmp/lib  "));
    }
}

TEST(TavroPaths, RelativeImagePathUsesTheLocalMonth) {
    ScopedEnv zone("TZ", "Europe/Berlin");
    tzset();
    // 2026-03-31 22:30 UTC is 00:30 on 1 April in Berlin.
    EXPECT_EQ(TavroPaths::relativeImagePath("abc", 1774996200, "png"), "2026/04/abc.png");
    // 2026-01-15 12:00 UTC.
    EXPECT_EQ(TavroPaths::relativeImagePath("id", 1768478400, "jpg"), "2026/01/id.jpg");
}

TEST(TavroPaths, ResolveInsideRefusesPathsThatLeaveTheLibrary) {
    const fs::path root = "/lib/captures";
    struct Case {
        std::string relative;
        std::optional<fs::path> expected;
    };
    const Case cases[] = {
        {"2026/01/a.png", root / "2026/01/a.png"},
        {"./a.png", root / "./a.png"},
        {"", std::nullopt},
        {".", std::nullopt},
        {"/etc/passwd", std::nullopt},
        {"../thumbs/a.jpg", std::nullopt},
        {"2026/../../x", std::nullopt},
        {"a/..", std::nullopt},
        {std::string("a\0b", 3), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TavroPaths::resolveInside(root, c.relative), c.expected) << c.relative;
}

TEST(TavroPaths, EnsureDirectoriesCreatesTheFourFolders) {
    FakeHome home;
    EXPECT_TRUE(TavroPaths::ensureDirectories());
    for (auto name : {"captures", "thumbs", "logs"})
        EXPECT_TRUE(fs::is_directory(home.defaultSupport() / name));
    writeFile(home.defaultSupport() / "captures/keep.png", "x");
    EXPECT_TRUE(TavroPaths::ensureDirectories());
    EXPECT_TRUE(fs::exists(home.defaultSupport() / "captures/keep.png"));

    ScopedEnv underFile("TAVRO_HOME", (home.defaultSupport() / "captures/keep.png/lib").string());
    EXPECT_FALSE(TavroPaths::ensureDirectories());
}

TEST(TavroPaths, LegacyLibraryMovesIntoPlace) {
    FakeHome home;
    writeFile(home.legacy() / "koldar.sqlite", "db");
    writeFile(home.legacy() / "koldar.sqlite-wal", "wal");
    writeFile(home.legacy() / "captures/2025/01/a.png", "png");
    ASSERT_TRUE(TavroPaths::ensureDirectories()); // the empty folders a first start makes

    EXPECT_EQ(TavroPaths::migrateLegacyLibraryIfNeeded(), TavroPaths::LegacyMove::moved);

    EXPECT_EQ(test::readFile(home.defaultSupport() / "tavro.sqlite"), "db");
    EXPECT_EQ(test::readFile(home.defaultSupport() / "tavro.sqlite-wal"), "wal");
    EXPECT_FALSE(fs::exists(home.defaultSupport() / "koldar.sqlite"));
    EXPECT_EQ(test::readFile(home.defaultSupport() / "captures/2025/01/a.png"), "png");
    EXPECT_FALSE(fs::exists(home.legacy()));
}

TEST(TavroPaths, LegacyMoveLeavesAnExistingLibraryAlone) {
    struct Case {
        const char* name;
        const char* existingFile; // relative to the current support folder
        std::optional<std::string> tavroHome;
        TavroPaths::LegacyMove outcome;
    };
    // Left in place because of the user's files, the move must be said: the old library would
    // otherwise never be picked up.
    const Case cases[] = {
        {"current database present", "tavro.sqlite", std::nullopt, TavroPaths::LegacyMove::none},
        {"user files in the folder", "captures/2026/01/mine.png", std::nullopt,
         TavroPaths::LegacyMove::leftInPlace},
        {"TAVRO_HOME set, even blank", nullptr, "  ", TavroPaths::LegacyMove::none},
    };
    for (const auto& c : cases) {
        FakeHome home;
        writeFile(home.legacy() / "koldar.sqlite", "old");
        if (c.existingFile)
            writeFile(home.defaultSupport() / c.existingFile, "keep");
        ScopedEnv tavroHome("TAVRO_HOME", c.tavroHome);

        EXPECT_EQ(TavroPaths::migrateLegacyLibraryIfNeeded(), c.outcome) << c.name;

        EXPECT_TRUE(fs::exists(home.legacy() / "koldar.sqlite")) << c.name;
        if (c.existingFile) {
            EXPECT_EQ(test::readFile(home.defaultSupport() / c.existingFile), "keep") << c.name;
        }
        EXPECT_FALSE(fs::exists(home.defaultSupport() / "koldar.sqlite")) << c.name;
    }
}
