#include "model/RecordJSON.h"

#include "EveryCaptureField.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace tavro;
using nlohmann::json;

namespace {

struct RecordCase {
    std::string name;
    // Encodes the record with every optional present, and then with every one absent.
    std::function<json()> full;
    std::function<json()> bare;
    // Decodes and encodes again: the same JSON only if the record came back equal.
    std::function<json(const json&)> roundTrip;
    std::set<std::string> keys;     // every field
    std::set<std::string> optional; // the fields left out when absent
    // An enumeration field and a required key to spoil.
    std::string enumKey;
    std::string requiredKey;
};

template <class R>
RecordCase recordCase(std::string name, R full, R bare, std::set<std::string> keys,
                      std::set<std::string> optional, std::string enumKey,
                      std::string requiredKey) {
    return {std::move(name),
            [full] { return json(full); },
            [bare] { return json(bare); },
            [full, bare](const json& in) {
                R decoded = in.get<R>();
                EXPECT_TRUE(decoded == full || decoded == bare);
                return json(decoded);
            },
            std::move(keys),
            std::move(optional),
            std::move(enumKey),
            std::move(requiredKey)};
}

std::set<std::string> keysOf(const json& object) {
    std::set<std::string> out;
    for (const auto& [key, value] : object.items())
        out.insert(key);
    return out;
}

std::set<std::string> without(std::set<std::string> all, const std::set<std::string>& some) {
    for (const auto& key : some)
        all.erase(key);
    return all;
}

std::vector<RecordCase> cases() {
    const Capture capture{.id = "c1",
                          .createdAt = 1.5,
                          .updatedAt = 2.25,
                          .note = "Note\nbody",
                          .status = CaptureStatus::inProgress,
                          .priority = CapturePriority::high,
                          .groupID = "g1",
                          .imagePath = "2026/01/c1.png",
                          .thumbPath = "2026/01/c1.jpg",
                          .imageWidth = 640,
                          .imageHeight = 480,
                          .imageBytes = 12345,
                          .captureMode = CaptureMode::fullscreen,
                          .appName = "Safari",
                          .appBundleID = "org.example.browser",
                          .windowTitle = "Home",
                          .url = "https://example.com",
                          .displayName = "Built-in",
                          .displayScale = 2,
                          .claimedBy = "claude",
                          .claimedAt = 3,
                          .resolvedAt = 4,
                          .resolutionRef = "PR 12",
                          .remoteID = "r1",
                          .syncState = SyncState::pendingPush,
                          .dirty = true,
                          .deletedAt = 5,
                          .workspaceID = "w1",
                          .authorID = "auth0|1",
                          .assigneeID = "u2",
                          .claimedByID = "u3",
                          .version = 7,
                          .localOnly = true};
    const Capture bareCapture{.id = "c2", .note = "", .captureMode = CaptureMode::text};
    const CaptureGroup group{.id = "g1",
                             .name = "Web",
                             .colorHex = "#6E7BF2",
                             .path = "/home/me/web",
                             .createdAt = 1,
                             .updatedAt = 2,
                             .remoteID = "r",
                             .syncState = SyncState::synced,
                             .dirty = true,
                             .deletedAt = 3,
                             .workspaceID = "w1",
                             .visibility = GroupVisibility::workspace,
                             .createdBy = "u1",
                             .defaultAssigneeID = "u2",
                             .archivedAt = 4,
                             .version = 9};
    const CaptureGroup bareGroup{.id = "g2", .name = "Local", .colorHex = "#000000"};
    const CaptureImage image{.id = "i1",
                             .captureID = "c1",
                             .position = 2,
                             .imagePath = "2026/01/i1.png",
                             .annotatedPath = "2026/01/i1-marked.png",
                             .thumbPath = "2026/01/i1.jpg",
                             .width = 10,
                             .height = 20,
                             .bytes = 30,
                             .annotationJSON = R"({"shapes":[]})",
                             .createdAt = 6.5,
                             .remoteID = "r",
                             .syncState = SyncState::pendingPush,
                             .dirty = true,
                             .originalSHA256 = std::string(64, 'a'),
                             .markedSHA256 = std::string(64, 'b'),
                             .thumbSHA256 = std::string(64, 'c'),
                             .version = 3,
                             .deletedAt = 8};
    const CaptureImage bareImage{.id = "i2", .captureID = "c1", .imagePath = ""};
    const Person person{.id = "u1",
                        .name = "Mira Solen",
                        .email = "mira@example.com",
                        .imageURL = "https://example.com/m.png",
                        .kind = "bot"};
    const Person barePerson{.id = "u2", .name = "", .kind = "person"};
    const Workspace workspace{
        .id = "w1", .name = "Team", .slug = "team", .role = "owner", .settingsJSON = R"({"a":1})"};
    const Workspace bareWorkspace{.id = "w2", .name = "", .slug = "", .role = "member"};
    const Comment comment{.id = "k1",
                          .captureID = "c1",
                          .author = "claude",
                          .isAgent = true,
                          .body = "Looks fixed",
                          .createdAt = 9.75,
                          .authorID = "u1",
                          .actorLabel = "Claude",
                          .kind = "conflict",
                          .syncState = SyncState::synced};
    const Comment bareComment{
        .id = "k2", .captureID = "c1", .author = "", .body = "", .kind = "comment"};
    const ActivityEvent event{.id = "e1",
                              .captureID = "c1",
                              .kind = "status_changed",
                              .detail = "Open \u2192 Resolved",
                              .actor = "you",
                              .createdAt = 10,
                              .actorID = "u1",
                              .remote = true};
    const ActivityEvent bareEvent{.id = "e2", .kind = "created", .detail = "", .actor = ""};

    return {
        recordCase("Capture", capture, bareCapture,
                   {"id",          "createdAt",  "updatedAt",     "note",         "status",
                    "priority",    "groupID",    "imagePath",     "thumbPath",    "imageWidth",
                    "imageHeight", "imageBytes", "captureMode",   "appName",      "appBundleID",
                    "windowTitle", "url",        "displayName",   "displayScale", "claimedBy",
                    "claimedAt",   "resolvedAt", "resolutionRef", "remoteID",     "syncState",
                    "dirty",       "deletedAt",  "workspaceID",   "authorID",     "assigneeID",
                    "claimedByID", "version",    "localOnly"},
                   {"groupID", "thumbPath", "appName", "appBundleID", "windowTitle", "url",
                    "displayName", "claimedBy", "claimedAt", "resolvedAt", "resolutionRef",
                    "remoteID", "deletedAt", "workspaceID", "authorID", "assigneeID",
                    "claimedByID"},
                   "status", "note"),
        recordCase("CaptureGroup", group, bareGroup,
                   {"id", "name", "colorHex", "path", "createdAt", "updatedAt", "remoteID",
                    "syncState", "dirty", "deletedAt", "workspaceID", "visibility", "createdBy",
                    "defaultAssigneeID", "archivedAt", "version"},
                   {"path", "remoteID", "deletedAt", "workspaceID", "createdBy",
                    "defaultAssigneeID", "archivedAt"},
                   "visibility", "colorHex"),
        recordCase("CaptureImage", image, bareImage,
                   {"id", "captureID", "position", "imagePath", "annotatedPath", "thumbPath",
                    "width", "height", "bytes", "annotationJSON", "createdAt", "remoteID",
                    "syncState", "dirty", "originalSHA256", "markedSHA256", "thumbSHA256",
                    "version", "deletedAt"},
                   {"annotatedPath", "thumbPath", "annotationJSON", "remoteID", "originalSHA256",
                    "markedSHA256", "thumbSHA256", "deletedAt"},
                   "syncState", "position"),
        recordCase("Person", person, barePerson, {"id", "name", "email", "imageURL", "kind"},
                   {"email", "imageURL"}, "", "kind"),
        recordCase("Workspace", workspace, bareWorkspace,
                   {"id", "name", "slug", "role", "settingsJSON"}, {"settingsJSON"}, "", "slug"),
        recordCase("Comment", comment, bareComment,
                   {"id", "captureID", "author", "isAgent", "body", "createdAt", "authorID",
                    "actorLabel", "kind", "syncState"},
                   {"authorID", "actorLabel"}, "syncState", "isAgent"),
        recordCase("ActivityEvent", event, bareEvent,
                   {"id", "captureID", "kind", "detail", "actor", "createdAt", "actorID", "remote"},
                   {"captureID", "actorID"}, "", "remote"),
    };
}

template <class F> RecordDecodingError::Code failure(F decode) {
    try {
        decode();
    } catch (const RecordDecodingError& error) {
        return error.code();
    }
    ADD_FAILURE() << "decoded";
    return RecordDecodingError::Code::keyNotFound;
}

} // namespace

TEST(RecordJSON, EveryRecordRoundTripsUnderItsFieldNames) {
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        const json full = c.full();
        const json bare = c.bare();
        EXPECT_EQ(keysOf(full), c.keys);
        EXPECT_EQ(keysOf(bare), without(c.keys, c.optional));
        EXPECT_EQ(c.roundTrip(full), full);
        EXPECT_EQ(c.roundTrip(bare), bare);

        // Other members are ignored; null reads as absent for an optional field.
        json extra = bare;
        extra["unknownMember"] = {1, 2};
        for (const auto& key : c.optional)
            extra[key] = nullptr;
        EXPECT_EQ(c.roundTrip(extra), bare);

        json missing = full;
        missing.erase(c.requiredKey);
        EXPECT_EQ(failure([&] { c.roundTrip(missing); }), RecordDecodingError::Code::keyNotFound);
        json null = full;
        null[c.requiredKey] = nullptr;
        EXPECT_EQ(failure([&] { c.roundTrip(null); }), RecordDecodingError::Code::typeMismatch);
        EXPECT_EQ(failure([&] { c.roundTrip(json::array()); }),
                  RecordDecodingError::Code::typeMismatch);
        if (!c.enumKey.empty()) {
            json unknown = full;
            unknown[c.enumKey] = "In Progress";
            EXPECT_EQ(failure([&] { c.roundTrip(unknown); }),
                      RecordDecodingError::Code::dataCorrupted);
        }
    }
}

TEST(RecordJSON, ACaptureComesBackWithEveryField) {
    const Capture capture = test::everyCaptureFieldSet();
    EXPECT_EQ(json(capture).get<Capture>(), capture);
    EXPECT_EQ(json(capture).size(), aggregateFieldCount<Capture>());
}

TEST(RecordJSON, EnumerationsTravelAsTheirTextValues) {
    const Capture capture{.id = "c",
                          .status = CaptureStatus::inProgress,
                          .priority = CapturePriority::low,
                          .captureMode = CaptureMode::fullscreen,
                          .syncState = SyncState::pendingPush};
    const json coded = capture;
    EXPECT_EQ(coded["status"], "in_progress");
    EXPECT_EQ(coded["priority"], "low");
    EXPECT_EQ(coded["captureMode"], "fullscreen");
    EXPECT_EQ(coded["syncState"], "pendingPush");
    EXPECT_EQ(json(CaptureGroup{.id = "g"})["visibility"], "private");

    json whole = coded;
    whole["version"] = 7.0;
    EXPECT_EQ(whole.get<Capture>().version, 7);
    whole["version"] = 7.5;
    EXPECT_EQ(failure([&] { whole.get<Capture>(); }), RecordDecodingError::Code::dataCorrupted);
    whole["version"] = "7";
    EXPECT_EQ(failure([&] { whole.get<Capture>(); }), RecordDecodingError::Code::typeMismatch);
}
