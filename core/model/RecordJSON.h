#pragma once

#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "model/CaptureImage.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace tavro {

// Why a record's keyed JSON form could not be read. what() says which key and why.
class RecordDecodingError : public std::runtime_error {
public:
    enum class Code {
        keyNotFound,   // a required key is missing
        typeMismatch,  // a value of another JSON type (null included, for a required key)
        dataCorrupted, // a text that is none of its enumeration's case texts
    };

    RecordDecodingError(Code code, std::string key, const std::string& description);

    Code code() const { return code_; }
    const std::string& key() const { return key_; }

private:
    Code code_;
    std::string key_;
};

// The records' keyed JSON form: one member per field, named as the field; enumerations by
// their text value; optional fields written only when present and read as absent when their
// key is missing or null; times as seconds since 1970. Members under other names are ignored.
// Reading throws RecordDecodingError.
void to_json(nlohmann::json& out, const Capture& record);
void from_json(const nlohmann::json& in, Capture& record);
void to_json(nlohmann::json& out, const CaptureGroup& record);
void from_json(const nlohmann::json& in, CaptureGroup& record);
void to_json(nlohmann::json& out, const CaptureImage& record);
void from_json(const nlohmann::json& in, CaptureImage& record);
void to_json(nlohmann::json& out, const Person& record);
void from_json(const nlohmann::json& in, Person& record);
void to_json(nlohmann::json& out, const Workspace& record);
void from_json(const nlohmann::json& in, Workspace& record);
void to_json(nlohmann::json& out, const Comment& record);
void from_json(const nlohmann::json& in, Comment& record);
void to_json(nlohmann::json& out, const ActivityEvent& record);
void from_json(const nlohmann::json& in, ActivityEvent& record);

} // namespace tavro
