#include "Formatting.h"

#include "model/Annotation.h"
#include "model/Paths.h"
#include "model/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavro::Format {

namespace {

constexpr std::string_view middleDot = " \u00B7 ";

std::vector<std::string> oneLineEach(const std::vector<std::string>& fields) {
    std::vector<std::string> out;
    out.reserve(fields.size());
    for (const auto& field : fields)
        out.push_back(oneLine(field));
    return out;
}
constexpr size_t historyLimit = 12;

bool isASCII(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// A stored path shown to the agent; nothing when it would leave the library.
std::string filePath(const std::optional<std::filesystem::path>& file) {
    return file ? file->string() : std::string("(not available on this computer)");
}

std::string screenshotLine(const Capture& capture, const std::vector<CaptureImage>& images) {
    std::string mode(displayName(capture.captureMode));
    if (images.size() >= 2) {
        auto marked = std::count_if(images.begin(), images.end(), hasAnnotations);
        std::string line = "Mode: " + mode + "   " + std::to_string(images.size()) + " screenshots";
        if (marked)
            line += " (" + std::to_string(marked) + " marked up)";
        return line;
    }
    if (images.empty() && capture.imagePath.empty())
        return "Mode: Text only   No screenshot \u2014 this issue was typed, not captured. Go by "
               "the note.";
    std::string line = "Mode: " + mode + "   Image: " + std::to_string(capture.imageWidth) +
                       "\u00D7" + std::to_string(capture.imageHeight) + "px, " +
                       fileSize(capture.imageBytes);
    if (images.size() == 1 && hasAnnotations(images.front()))
        line += "   (marked up by the user)";
    return line;
}

} // namespace

std::string oneLine(std::string_view field) {
    return text::singleLine(field);
}

std::string join(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += separator;
        out += items[i];
    }
    return out;
}

std::string shortID(std::string_view captureID) {
    if (isASCII(captureID))
        return std::string(captureID.substr(0, 8));
    return text::prefixCharacters(captureID, 8);
}

std::string_view statusTag(CaptureStatus status) {
    switch (status) {
    case CaptureStatus::open:
        return "OPEN";
    case CaptureStatus::inProgress:
        return "IN-PROGRESS";
    case CaptureStatus::resolved:
        return "RESOLVED";
    case CaptureStatus::archived:
        return "ARCHIVED";
    }
    return "OPEN";
}

std::string iso(Seconds date) {
    // The shared writer gives milliseconds; whole seconds are wanted here.
    std::string text = formatISO8601(std::isfinite(date) ? std::floor(date) : 0);
    if (auto dot = text.find('.'); dot != std::string::npos)
        text.erase(dot, text.size() - 1 - dot);
    return text;
}

std::string relative(Seconds date, Seconds now) {
    double elapsed = now - date;
    if (std::isnan(elapsed))
        return "just now";
    // Truncated toward zero, and kept within what an integer holds.
    auto s = static_cast<std::int64_t>(std::trunc(std::clamp(elapsed, -1.0, 1e15)));
    if (s < 0)
        return "just now";
    if (s < 60)
        return std::to_string(std::max<std::int64_t>(s, 1)) + "s ago";
    if (s < 3600)
        return std::to_string(s / 60) + "m ago";
    if (s < 86400)
        return std::to_string(s / 3600) + "h ago";
    if (s < 2592000)
        return std::to_string(s / 86400) + "d ago";
    return std::to_string(s / 2592000) + "mo ago";
}

std::string fileSize(std::int64_t bytes) {
    if (bytes == 0)
        return "Zero KB";
    if (bytes == 1)
        return "1 byte";
    if (bytes < 1000)
        return std::to_string(bytes) + " bytes";
    struct Unit {
        const char* name;
        double size;
        int digits;
    };
    static constexpr Unit units[] = {
        {"KB", 1e3, 0}, {"MB", 1e6, 1}, {"GB", 1e9, 2}, {"TB", 1e12, 2}, {"PB", 1e15, 2}};
    size_t index = 0;
    while (index + 1 < std::size(units) && double(bytes) >= units[index + 1].size)
        ++index;
    char buffer[64];
    for (;;) {
        const Unit& unit = units[index];
        double value = double(bytes) / unit.size;
        double scale = std::pow(10.0, unit.digits);
        double rounded = std::round(value * scale) / scale;
        if (rounded >= 1000 && index + 1 < std::size(units)) {
            ++index;
            continue;
        }
        std::snprintf(buffer, sizeof buffer, "%.*f", unit.digits, rounded);
        std::string number = buffer;
        if (number.find('.') != std::string::npos) {
            number.erase(number.find_last_not_of('0') + 1);
            if (number.back() == '.')
                number.pop_back();
        }
        return number + " " + unit.name;
    }
}

std::optional<std::string> distinctWindowTitle(const Capture& capture) {
    if (!capture.windowTitle)
        return std::nullopt;
    std::string title = text::trimmed(*capture.windowTitle, text::Whitespace::AndNewlines);
    if (title.empty() || text::lowercased(title) == text::lowercased(capture.appName.value_or("")))
        return std::nullopt;
    return title;
}

bool hasAnnotations(const CaptureImage& image) {
    return image.hasAnnotations();
}

std::string listLine(const Capture& capture, const std::optional<std::string>& groupName,
                     const std::vector<std::string>& tags, std::int64_t comments,
                     std::int64_t images, Seconds now) {
    std::string heading = "[" + shortID(capture) + "] " + std::string(statusTag(capture.status));
    if (capture.priority == CapturePriority::high)
        heading += " !high";
    heading += " " + oneLine(capture.title()) + "\n    ";

    std::vector<std::string> items;
    if (capture.appName)
        items.push_back(oneLine(*capture.appName));
    if (auto title = distinctWindowTitle(capture))
        items.push_back("\u201C" + oneLine(*title) + "\u201D");
    if (capture.url && !capture.url->empty())
        items.push_back(oneLine(*capture.url));
    if (groupName)
        items.push_back("group:" + oneLine(*groupName));
    if (!tags.empty())
        items.push_back("tags:" + join(oneLineEach(tags), ","));
    if (capture.claimedBy)
        items.push_back("claimed-by:" + oneLine(*capture.claimedBy));
    if (images >= 2)
        items.push_back(std::to_string(images) + " screenshots");
    else if (images == 0 && capture.imagePath.empty())
        items.push_back("no screenshot");
    if (comments >= 1)
        items.push_back(std::to_string(comments) + (comments == 1 ? " comment" : " comments"));
    items.push_back(relative(capture.createdAt, now));
    return heading + join(items, middleDot);
}

std::string describe(const ActivityEvent& event) {
    std::string d = text::trimmed(event.detail, text::Whitespace::Horizontal);
    const std::string& a = event.actor;
    const std::string& kind = event.kind;
    if (kind == "created") {
        if (d == "no screenshot")
            return "filed by " + a + " without a screenshot";
        return d.empty() ? "captured by " + a : "captured by " + a + " (" + d + ")";
    }
    if (kind == "claimed")
        return a + " claimed it";
    if (kind == "resolved")
        return d.empty() ? a + " resolved it" : a + " resolved it \u2014 " + d;
    if (kind == "commented")
        return a + " commented";
    if (kind == "status_changed")
        return a + " changed status: " + d;
    if (kind == "updated")
        return a + " updated " + d;
    return d.empty() ? a + " " + kind : a + " " + kind + ": " + d;
}

std::string detail(const Capture& capture, const std::optional<std::string>& groupName,
                   const std::vector<std::string>& tags, const std::vector<Comment>& comments,
                   const std::vector<ActivityEvent>& activity,
                   const std::vector<CaptureImage>& images, Seconds now) {
    std::vector<std::string> lines;
    lines.push_back("Capture " + capture.id);
    lines.push_back("Status: " + std::string(statusTag(capture.status)) +
                    "   Priority: " + std::string(displayName(capture.priority)));
    lines.push_back("Captured: " + iso(capture.createdAt) + " (" +
                    relative(capture.createdAt, now) + ")");
    lines.push_back(screenshotLine(capture, images));
    lines.push_back("");

    lines.push_back("\u2500\u2500 Where it was seen \u2500\u2500");
    std::string app = "App: " + oneLine(capture.appName.value_or("unknown"));
    if (capture.appBundleID)
        app += " (" + oneLine(*capture.appBundleID) + ")";
    lines.push_back(app);
    if (auto title = distinctWindowTitle(capture))
        lines.push_back("Window: " + oneLine(*title));
    if (capture.url && !capture.url->empty())
        lines.push_back("URL: " + oneLine(*capture.url));
    if (capture.displayName)
        lines.push_back("Display: " + oneLine(*capture.displayName));
    if (groupName)
        lines.push_back("Group: " + oneLine(*groupName));
    if (!tags.empty())
        lines.push_back("Tags: " + join(oneLineEach(tags), ", "));
    lines.push_back("");

    lines.push_back("\u2500\u2500 Note \u2500\u2500");
    lines.push_back(capture.note.empty() ? "(no note written)" : capture.note);
    if (capture.claimedBy) {
        lines.push_back("");
        std::string claim = "Claimed by " + oneLine(*capture.claimedBy);
        if (capture.claimedAt)
            claim += " " + relative(*capture.claimedAt, now);
        lines.push_back(claim);
    }
    if (capture.status == CaptureStatus::resolved) {
        std::string resolved = "Resolved";
        if (capture.resolvedAt)
            resolved += " " + relative(*capture.resolvedAt, now);
        if (capture.resolutionRef && !capture.resolutionRef->empty())
            resolved += " \u2014 " + oneLine(*capture.resolutionRef);
        lines.push_back(resolved);
    }
    if (!comments.empty()) {
        lines.push_back("");
        lines.push_back("\u2500\u2500 Comments (" + std::to_string(comments.size()) +
                        ") \u2500\u2500");
        for (const auto& comment : comments)
            lines.push_back("[" + relative(comment.createdAt, now) + "] " +
                            oneLine(comment.author) + ": " + comment.body);
    }
    if (!activity.empty()) {
        lines.push_back("");
        lines.push_back("\u2500\u2500 History \u2500\u2500");
        size_t first = activity.size() > historyLimit ? activity.size() - historyLimit : 0;
        for (size_t i = first; i < activity.size(); ++i)
            lines.push_back("[" + relative(activity[i].createdAt, now) + "] " +
                            oneLine(describe(activity[i])));
    }
    lines.push_back("");

    if (images.empty()) {
        if (!capture.imagePath.empty())
            lines.push_back("Local file: " + filePath(capture.imageFilePath()));
    } else {
        lines.push_back("Local files:");
        for (size_t i = 0; i < images.size(); ++i) {
            const auto& image = images[i];
            std::string line =
                "  " + std::to_string(i + 1) + ". " + filePath(image.displayFilePath());
            if (hasAnnotations(image))
                line += "  (annotated; original at " +
                        std::filesystem::path(image.imagePath).filename().string() + ")";
            lines.push_back(line);
        }
    }
    return join(lines, "\n");
}

} // namespace tavro::Format
