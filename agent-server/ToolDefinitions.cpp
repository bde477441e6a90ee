#include "ToolRegistry.h"

namespace tavro {

namespace {

JSON property(std::string_view type, std::string_view description = {}) {
    JSON p{{"type", type}};
    if (!description.empty())
        p["description"] = description;
    return p;
}

using Names = std::initializer_list<std::string_view>;

JSON strings(Names values) {
    JSON array = JSON::array();
    for (auto value : values)
        array.push_back(value);
    return array;
}

JSON enumProperty(Names values) {
    JSON p = property("string");
    p["enum"] = strings(values);
    return p;
}

JSON integerProperty(int minimum, int maximum, std::string_view description) {
    JSON p = property("integer", description);
    p["minimum"] = minimum;
    p["maximum"] = maximum;
    return p;
}

JSON tool(std::string_view name, std::string_view description, JSON properties,
          Names required = {}) {
    JSON schema{{"type", "object"},
                {"properties", properties.is_null() ? JSON::object() : std::move(properties)},
                {"additionalProperties", false}};
    if (required.size())
        schema["required"] = strings(required);
    return JSON{{"name", name}, {"description", description}, {"inputSchema", std::move(schema)}};
}

JSON buildDefinitions() {
    const Names statusEnum = {"open", "in_progress", "resolved", "archived"};
    const Names priorityEnum = {"low", "normal", "high"};
    JSON statusItems = enumProperty(statusEnum);

    JSON list = JSON::array();

    JSON listStatus = property("array", "Statuses to include. Omit for open + in_progress.");
    listStatus["items"] = statusItems;
    list.push_back(tool(
        "list_captures",
        "List captures from the Tavro board. Each capture is a UI issue the user filed — usually "
        "a screenshot plus a note, sometimes just a note (marked \"no screenshot\"). Returns a "
        "compact one-line-per-item summary with the note, the app/window/URL where it was seen, "
        "tags, and status — but not the image. Call get_capture to actually look at a "
        "screenshot. Defaults to everything still open or in progress, newest first.",
        {{"status", listStatus},
         {"group", property("string", "Only captures in this group (by name).")},
         {"tag", property("string", "Only captures carrying this tag.")},
         {"search",
          property("string", "Substring match against note, app name, window title and URL.")},
         {"priority", enumProperty(priorityEnum)},
         {"limit", integerProperty(1, 200, "Max results (default 25, max 200).")}}));

    JSON ids = property("array", "Several capture ids at once (max 6). Use instead of `id`.");
    ids["items"] = JSON{{"type", "string"}};
    list.push_back(tool(
        "get_capture",
        "Look at one or more captures in full: returns every screenshot on the capture plus the "
        "note, the app/window/URL it was taken in, tags, comments and history. This is the tool "
        "that lets you actually see the UI bug. A capture may hold several screenshots, and any "
        "of them may carry marks the user drew on top — arrows, boxes or blurred-out regions — "
        "which are burned into what you receive, so treat them as the user pointing at "
        "something. An issue filed without a screenshot comes back as text only; go by the note "
        "and the app it was filed from. Accepts a full id or a short id prefix as shown by "
        "list_captures.",
        {{"id", property("string", "Capture id, or a unique prefix of one.")},
         {"ids", ids},
         {"include_image", property("boolean", "Attach the screenshot. Default true.")},
         {"max_image_edge",
          integerProperty(200, 4000,
                          "Downscale so the longest edge is at most this many pixels. Default "
                          "1400. Raise for fine detail, lower to save tokens.")}}));

    const JSON idProperty = property("string", "Capture id or unique prefix.");
    list.push_back(tool(
        "claim_capture",
        "Take ownership of a capture before you start working on it, so the user can see in the "
        "dashboard that an agent picked it up. Moves an open capture to in_progress.",
        {{"id", idProperty},
         {"agent", property("string", "Name to claim as. Defaults to this server's configured "
                                      "agent name.")}},
        {"id"}));

    list.push_back(
        tool("comment_on_capture",
             "Add a note to a capture — your diagnosis, the root cause, what you changed, or a "
             "question for the user. Comments show up in the dashboard attributed to you.",
             {{"id", idProperty},
              {"body", property("string", "The comment text.")},
              {"agent", property("string",
                                 "Author name. Defaults to this server's configured agent name.")}},
             {"id", "body"}));

    list.push_back(tool(
        "resolve_capture",
        "Mark a capture fixed. Optionally record what fixed it — a commit sha, a PR link, or a "
        "short explanation — which is shown on the card in the dashboard.",
        {{"id", idProperty},
         {"reference", property("string", "Commit sha, PR URL, or short description of the fix.")},
         {"comment", property("string", "Optional comment posted alongside the resolution.")},
         {"agent", property("string", "Who resolved it. Defaults to this server's configured "
                                      "agent name.")}},
        {"id"}));

    list.push_back(
        tool("reopen_capture",
             "Move a resolved or archived capture back to open, e.g. when a fix did not hold.",
             {{"id", idProperty},
              {"comment", property("string", "Optional reason, posted as a comment.")},
              {"agent", property("string")}},
             {"id"}));

    JSON tags = property("array", "Replaces the existing tag set.");
    tags["items"] = JSON{{"type", "string"}};
    list.push_back(
        tool("update_capture",
             "Edit a capture's fields: rewrite the note, change priority or status, move it to a "
             "group, or set its tags. Only the fields you pass are changed.",
             {{"id", idProperty},
              {"note", property("string")},
              {"priority", enumProperty(priorityEnum)},
              {"status", enumProperty(statusEnum)},
              {"group", property("string", "Group name. Created if it does not exist.")},
              {"tags", tags},
              {"agent", property("string")}},
             {"id"}));

    list.push_back(tool(
        "list_groups",
        "List the groups captures are filed under. A group is a topic — \"design panel\", "
        "\"arabic mode\", \"checkout flow\" — and it is the fastest way to pick up a themed batch "
        "of related bugs instead of working them one at a time. Returns each group's open and "
        "total counts plus the ids of what is open in it, so those can go straight into "
        "get_capture.",
        JSON::object()));

    list.push_back(tool("capture_stats",
                        "Board summary: how many captures are open, in progress, resolved and "
                        "archived, and where the open ones are concentrated.",
                        JSON::object()));
    return list;
}

} // namespace

const JSON& ToolRegistry::definitions() {
    static const JSON definitions = buildDefinitions();
    return definitions;
}

} // namespace tavro
