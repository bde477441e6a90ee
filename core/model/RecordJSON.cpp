#include "model/RecordJSON.h"

#include "model/FieldCount.h"
#include "model/Numbers.h"

#include <concepts>
#include <type_traits>

namespace tavro {

RecordDecodingError::RecordDecodingError(Code code, std::string key, const std::string& description)
    : std::runtime_error(description)
    , code_(code)
    , key_(std::move(key)) {}

namespace {

using json = nlohmann::json;
using Code = RecordDecodingError::Code;

template <class R, class Record>
concept RecordOf = std::same_as<std::remove_const_t<R>, Record>;

// Each record's fields in declaration order, under their own names.
static_assert(aggregateFieldCount<Capture>() == 33, "visit the new Capture field below");
template <RecordOf<Capture> R, class Visit> void eachField(R& r, Visit& visit) {
    visit("id", r.id);
    visit("createdAt", r.createdAt);
    visit("updatedAt", r.updatedAt);
    visit("note", r.note);
    visit("status", r.status);
    visit("priority", r.priority);
    visit("groupID", r.groupID);
    visit("imagePath", r.imagePath);
    visit("thumbPath", r.thumbPath);
    visit("imageWidth", r.imageWidth);
    visit("imageHeight", r.imageHeight);
    visit("imageBytes", r.imageBytes);
    visit("captureMode", r.captureMode);
    visit("appName", r.appName);
    visit("appBundleID", r.appBundleID);
    visit("windowTitle", r.windowTitle);
    visit("url", r.url);
    visit("displayName", r.displayName);
    visit("displayScale", r.displayScale);
    visit("claimedBy", r.claimedBy);
    visit("claimedAt", r.claimedAt);
    visit("resolvedAt", r.resolvedAt);
    visit("resolutionRef", r.resolutionRef);
    visit("remoteID", r.remoteID);
    visit("syncState", r.syncState);
    visit("dirty", r.dirty);
    visit("deletedAt", r.deletedAt);
    visit("workspaceID", r.workspaceID);
    visit("authorID", r.authorID);
    visit("assigneeID", r.assigneeID);
    visit("claimedByID", r.claimedByID);
    visit("version", r.version);
    visit("localOnly", r.localOnly);
}

template <RecordOf<CaptureGroup> R, class Visit> void eachField(R& r, Visit& visit) {
    visit("id", r.id);
    visit("name", r.name);
    visit("colorHex", r.colorHex);
    visit("path", r.path);
    visit("createdAt", r.createdAt);
    visit("updatedAt", r.updatedAt);
    visit("remoteID", r.remoteID);
    visit("syncState", r.syncState);
    visit("dirty", r.dirty);
    visit("deletedAt", r.deletedAt);
    visit("workspaceID", r.workspaceID);
    visit("visibility", r.visibility);
    visit("createdBy", r.createdBy);
    visit("defaultAssigneeID", r.defaultAssigneeID);
    visit("archivedAt", r.archivedAt);
    visit("version", r.version);
}

template <RecordOf<CaptureImage> R, class Visit> void eachField(R& r, Visit& visit) {
    visit("id", r.id);
    visit("captureID", r.captureID);
    visit("position", r.position);
    visit("imagePath", r.imagePath);
    visit("annotatedPath", r.annotatedPath);
    visit("thumbPath", r.thumbPath);
    visit("width", r.width);
    visit("height", r.height);
    visit("bytes", r.bytes);
    visit("annotationJSON", r.annotationJSON);
    visit("createdAt", r.createdAt);
    visit("remoteID", r.remoteID);
    visit("syncState", r.syncState);
    visit("dirty", r.dirty);
    visit("originalSHA256", r.originalSHA256);
    visit("markedSHA256", r.markedSHA256);
    visit("thumbSHA256", r.thumbSHA256);
    visit("version", r.version);
    visit("deletedAt", r.deletedAt);
}

template <RecordOf<Person> R, class Visit> void eachField(R& r, Visit& visit) {
    visit("id", r.id);
    visit("name", r.name);
    visit("email", r.email);
    visit("imageURL", r.imageURL);
    visit("kind", r.kind);
}

template <RecordOf<Workspace> R, class Visit> void eachField(R& r, Visit& visit) {
    visit("id", r.id);
    visit("name", r.name);
    visit("slug", r.slug);
    visit("role", r.role);
    visit("settingsJSON", r.settingsJSON);
}

template <RecordOf<Comment> R, class Visit> void eachField(R& r, Visit& visit) {
    visit("id", r.id);
    visit("captureID", r.captureID);
    visit("author", r.author);
    visit("isAgent", r.isAgent);
    visit("body", r.body);
    visit("createdAt", r.createdAt);
    visit("authorID", r.authorID);
    visit("actorLabel", r.actorLabel);
    visit("kind", r.kind);
    visit("syncState", r.syncState);
}

template <RecordOf<ActivityEvent> R, class Visit> void eachField(R& r, Visit& visit) {
    visit("id", r.id);
    visit("captureID", r.captureID);
    visit("kind", r.kind);
    visit("detail", r.detail);
    visit("actor", r.actor);
    visit("createdAt", r.createdAt);
    visit("actorID", r.actorID);
    visit("remote", r.remote);
}

// Times and floating fields are doubles; integers, flags and enumerations have their own.
json encode(const std::string& value) {
    return value;
}
json encode(double value) {
    return value;
}
json encode(std::int64_t value) {
    return value;
}
json encode(bool value) {
    return value;
}
template <class E>
requires std::is_enum_v<E> json encode(E value) {
    return std::string(rawValue(value));
}

struct Writer {
    json& out;

    template <class T> void operator()(const char* key, const T& value) {
        out[key] = encode(value);
    }
    template <class T> void operator()(const char* key, const std::optional<T>& value) {
        if (value)
            out[key] = encode(*value);
    }
};

[[noreturn]] void mismatch(const char* key, const char* expected) {
    throw RecordDecodingError(Code::typeMismatch, key,
                              "The value for the key \"" + std::string(key) + "\" is not " +
                                  expected + ".");
}

[[noreturn]] void corrupted(const char* key, const std::string& value) {
    throw RecordDecodingError(Code::dataCorrupted, key,
                              "The value " + value + " for the key \"" + std::string(key) +
                                  "\" is not one it can take.");
}

void decode(const char* key, const json& value, std::string& out) {
    if (!value.is_string())
        mismatch(key, "a text");
    out = value.get<std::string>();
}

void decode(const char* key, const json& value, double& out) {
    if (!value.is_number())
        mismatch(key, "a number");
    out = value.get<double>();
}

void decode(const char* key, const json& value, std::int64_t& out) {
    if (value.is_number_unsigned()) {
        if (value.get<std::uint64_t>() > std::uint64_t(INT64_MAX))
            corrupted(key, value.dump());
        out = std::int64_t(value.get<std::uint64_t>());
    } else if (value.is_number_integer()) {
        out = value.get<std::int64_t>();
    } else if (value.is_number_float()) {
        // A whole number written with a fraction part still fits; 2.5 does not.
        const double number = value.get<double>();
        auto whole = truncatedInteger(number);
        if (!whole || double(*whole) != number)
            corrupted(key, value.dump());
        out = *whole;
    } else {
        mismatch(key, "an integer");
    }
}

void decode(const char* key, const json& value, bool& out) {
    if (!value.is_boolean())
        mismatch(key, "a boolean");
    out = value.get<bool>();
}

template <class E>
requires std::is_enum_v<E>
void decode(const char* key, const json& value, E& out) {
    if (!value.is_string())
        mismatch(key, "a text");
    auto decoded = fromRawValue<E>(value.get_ref<const std::string&>());
    if (!decoded)
        corrupted(key, value.dump(-1, ' ', false, json::error_handler_t::replace));
    out = *decoded;
}

struct Reader {
    const json& in;

    template <class T> void operator()(const char* key, T& value) {
        auto it = in.find(key);
        if (it == in.end())
            throw RecordDecodingError(Code::keyNotFound, key,
                                      "No value for the key \"" + std::string(key) + "\".");
        decode(key, *it, value);
    }
    template <class T> void operator()(const char* key, std::optional<T>& value) {
        auto it = in.find(key);
        if (it == in.end() || it->is_null()) {
            value.reset();
            return;
        }
        T decoded{};
        decode(key, *it, decoded);
        value = std::move(decoded);
    }
};

template <class R> void write(json& out, const R& record) {
    out = json::object();
    Writer writer{out};
    eachField(record, writer);
}

template <class R> void read(const json& in, R& record) {
    if (!in.is_object())
        throw RecordDecodingError(Code::typeMismatch, "", "A record is a JSON object.");
    R decoded{};
    Reader reader{in};
    eachField(decoded, reader);
    record = std::move(decoded);
}

} // namespace

void to_json(json& out, const Capture& record) {
    write(out, record);
}
void from_json(const json& in, Capture& record) {
    read(in, record);
}
void to_json(json& out, const CaptureGroup& record) {
    write(out, record);
}
void from_json(const json& in, CaptureGroup& record) {
    read(in, record);
}
void to_json(json& out, const CaptureImage& record) {
    write(out, record);
}
void from_json(const json& in, CaptureImage& record) {
    read(in, record);
}
void to_json(json& out, const Person& record) {
    write(out, record);
}
void from_json(const json& in, Person& record) {
    read(in, record);
}
void to_json(json& out, const Workspace& record) {
    write(out, record);
}
void from_json(const json& in, Workspace& record) {
    read(in, record);
}
void to_json(json& out, const Comment& record) {
    write(out, record);
}
void from_json(const json& in, Comment& record) {
    read(in, record);
}
void to_json(json& out, const ActivityEvent& record) {
    write(out, record);
}
void from_json(const json& in, ActivityEvent& record) {
    read(in, record);
}

} // namespace tavro
