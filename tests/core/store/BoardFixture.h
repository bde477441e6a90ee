#pragma once

#include "store/CaptureStore.h"

#include "CountingNotifier.h"
#include "TempLibrary.h"
#include "model/Paths.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tavro::test {

// A store on a throw-away library with counted notifications, and rows written straight in SQL
// or through the store so each test states exactly what it starts from.
struct BoardFixture : ::testing::Test {
    TempLibrary library;
    std::shared_ptr<CountingNotifier> notifier = std::make_shared<CountingNotifier>();
    CaptureStore store{library.database(), notifier};

    static Capture sample(std::string id, Seconds createdAt = 1000) {
        Capture c;
        c.id = std::move(id);
        c.createdAt = createdAt;
        c.updatedAt = createdAt;
        c.note = "Note of " + c.id;
        c.imagePath = "2026/03/" + c.id + ".png";
        return c;
    }

    // Inserts and forgets the notification, so tests count only what they do themselves.
    void add(const Capture& capture) {
        store.insert(capture);
        notifier->count = 0;
    }

    void softDelete(const std::string& id) {
        store.db().execute("UPDATE captures SET deleted_at = 5 WHERE id = ?;", {id});
    }

    void tag(const std::string& captureID, const std::string& name) {
        store.db().execute("INSERT OR IGNORE INTO tags (id, name, created_at) VALUES (?, ?, 1);",
                           {"tag-" + name, name});
        store.db().execute("INSERT INTO capture_tags (capture_id, tag_id) VALUES (?, ?);",
                           {captureID, "tag-" + name});
    }

    void addCapture(const std::string& id, const std::optional<std::string>& workspace = {},
                    bool localOnly = false, const std::optional<std::string>& group = {}) {
        store.db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                           "workspace_id, local_only, group_id) VALUES (?, 1, 1, '', ?, ?, ?);",
                           {id, workspace, SQLValue::flag(localOnly), group});
    }

    // A screenshot record with its own files named after its id; appended when stored.
    static CaptureImage shot(const std::string& captureID, const std::string& id,
                             SyncState state = SyncState::local) {
        CaptureImage image;
        image.id = id;
        image.captureID = captureID;
        image.position = -1;
        image.imagePath = "2026/01/" + id + ".png";
        image.thumbPath = "2026/01/" + id + ".jpg";
        image.width = 100;
        image.height = 50;
        image.bytes = 1234;
        image.createdAt = 1000;
        image.syncState = state;
        return image;
    }

    // Writes every file the record names and returns their locations.
    static std::vector<std::filesystem::path> writeFiles(const CaptureImage& image) {
        std::vector<std::filesystem::path> files;
        if (auto file = TavroPaths::imageFilePath(image.imagePath))
            files.push_back(*file);
        if (image.annotatedPath)
            if (auto file = TavroPaths::imageFilePath(*image.annotatedPath))
                files.push_back(*file);
        if (image.thumbPath)
            if (auto file = TavroPaths::thumbFilePath(*image.thumbPath))
                files.push_back(*file);
        for (const auto& file : files)
            writeFile(file, "bytes");
        return files;
    }

    Row row(const std::string& table, const std::string& id) {
        auto rows = store.db().query("SELECT * FROM " + table + " WHERE id = ?;", {id});
        return rows.empty() ? Row() : rows.front();
    }

    nlohmann::json pending(const std::string& table, const std::string& id) {
        auto text = row(table, id).string("pending");
        return text ? nlohmann::json::parse(*text) : nlohmann::json();
    }

    // The capture's pending marks.
    nlohmann::json pending(const std::string& id) { return pending("captures", id); }

    std::vector<std::string> pendingKeys(const std::string& id) {
        std::vector<std::string> keys;
        const auto mark = pending(id);
        for (auto it = mark.begin(); it != mark.end(); ++it)
            keys.push_back(it.key());
        return keys;
    }

    std::vector<ActivityEvent> events(const std::string& id, const std::string& kind) {
        std::vector<ActivityEvent> out;
        for (auto& event : store.activity(id))
            if (event.kind == kind)
                out.push_back(event);
        return out;
    }

    static nlohmann::json marks(std::initializer_list<const char*> names) {
        nlohmann::json out = nlohmann::json::object();
        for (auto name : names)
            out[name] = true;
        return out;
    }
};

} // namespace tavro::test
