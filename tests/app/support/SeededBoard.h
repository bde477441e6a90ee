#pragma once

#include "LibraryFixture.h"

#include "model/Uuid.h"

#include <string>
#include <vector>

namespace tavro::test {

// A small board for pictures of the board window: three groups (one on this computer, one
// private and one shared in a workspace), a dozen captures in every status, and tags.
struct SeededBoard {
    explicit SeededBoard(LibraryFixture& f, bool signedIn = false) {
        if (signedIn)
            f.store().setSyncMeta("user_id", std::string("u-ada"));
        const auto group = [&](const std::string& name, const std::string& colour,
                               std::optional<std::string> workspace, GroupVisibility visibility) {
            return f.store().upsertGroup(CaptureGroup{.id = makeUUID(),
                                                      .name = name,
                                                      .colorHex = colour,
                                                      .createdAt = now(),
                                                      .updatedAt = now(),
                                                      .workspaceID = std::move(workspace),
                                                      .visibility = visibility});
        };
        groups = {group("Checkout flow", "#6E7BF2", std::nullopt, GroupVisibility::privateGroup),
                  group("Design review with a name far too long to fit", "#EC4899", "ws-1",
                        GroupVisibility::privateGroup),
                  group("Mobile web", "#10B981", "ws-1", GroupVisibility::workspace)};
        const struct {
            const char* note;
            CaptureStatus status;
            int group;
            std::vector<std::string> tags;
        } captures[] = {
            {"Checkout button overlaps the total", CaptureStatus::open, 0, {"layout"}},
            {"Coupon field loses focus", CaptureStatus::inProgress, 0, {"forms"}},
            {"Totals round the wrong way", CaptureStatus::resolved, 0, {}},
            {"Header logo blurry on retina", CaptureStatus::open, 1, {"layout", "visual"}},
            {"Old banner still shown", CaptureStatus::archived, 1, {}},
            {"Menu does not close on tap", CaptureStatus::resolved, 2, {"mobile"}},
            {"Footer links wrap badly", CaptureStatus::archived, 2, {"mobile", "layout"}},
            {"Search results flicker", CaptureStatus::open, -1, {}},
            {"Settings page typo", CaptureStatus::open, -1, {"copy"}},
            {"Slow first load", CaptureStatus::inProgress, -1, {}},
        };
        Seconds time = now() - 3600;
        for (const auto& c : captures) {
            Capture capture = LibraryFixture::makeCapture(c.note, CapturePriority::normal,
                                                          CaptureMode::text, time += 60);
            capture.status = c.status;
            if (c.group >= 0)
                capture.groupID = groups[size_t(c.group)].id;
            f.store().insert(capture);
            if (!c.tags.empty())
                f.store().setTags(c.tags, capture.id);
        }
        f.reloadAndWait();
    }

    std::vector<CaptureGroup> groups;
};

} // namespace tavro::test
