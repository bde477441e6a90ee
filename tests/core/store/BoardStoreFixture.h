#pragma once

#include "store/CaptureStore.h"

#include "CountingNotifier.h"
#include "TempLibrary.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tavro::test {

// A store on a throw-away library that counts its notifications, with shortcuts for the rows
// the tests arrange by hand.
struct BoardStoreTest : ::testing::Test {
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

    nlohmann::json pending(const std::string& id) {
        auto text = store.db()
                        .query("SELECT pending FROM captures WHERE id = ?;", {id})
                        .front()
                        .string("pending");
        return text ? nlohmann::json::parse(*text) : nlohmann::json();
    }

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
};

} // namespace tavro::test
