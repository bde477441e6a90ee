#include "sync/PassFailure.h"

#include "store/DatabaseError.h"
#include "sync/SyncError.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace tavro;
using Kind = SyncStatus::Kind;

TEST(PassFailure, EachErrorBecomesAStatusAndALogLine) {
    struct Case {
        const char* name;
        std::exception_ptr error;
        PassFailure expected;
    };
    const auto server = SyncError::server(503, "Service Unavailable");
    const std::vector<Case> cases = {
        {"offline: the reason, nothing logged",
         std::make_exception_ptr(SyncError::offline("Could not connect")),
         {.status = {.kind = Kind::offline, .message = "Could not connect"}}},
        {"unauthorized: signed out with one warning",
         std::make_exception_ptr(SyncError::unauthorized()),
         {.status = {.kind = Kind::sessionExpired},
          .log = PassFailure::LogLine{"warn", "Session rejected by the server; signed out"},
          .sessionRejected = true}},
        {"server error",
         std::make_exception_ptr(server),
         {.status = {.kind = Kind::failed, .message = "Server error 503: Service Unavailable"},
          .log = PassFailure::LogLine{"error", "Server error 503: Service Unavailable"}}},
        {"decode",
         std::make_exception_ptr(SyncError::decode()),
         {.status = {.kind = Kind::failed, .message = "Unexpected reply from the server."},
          .log = PassFailure::LogLine{"error", "Unexpected reply from the server."}}},
        {"uploads disabled",
         std::make_exception_ptr(SyncError::uploadsDisabled()),
         {.status = {.kind = Kind::failed,
                     .message = "Screenshot uploads are switched off on this server."},
          .log = PassFailure::LogLine{"error",
                                      "Screenshot uploads are switched off on this server."}}},
        {"any other error by its text",
         std::make_exception_ptr(std::runtime_error("disk full")),
         {.status = {.kind = Kind::failed, .message = "disk full"},
          .log = PassFailure::LogLine{"error", "disk full"}}},
        {"a reply too large: not offline",
         std::make_exception_ptr(SyncError::tooLarge()),
         {.status = {.kind = Kind::failed, .message = "The reply from the server is too large."},
          .log = PassFailure::LogLine{"error", "The reply from the server is too large."}}},
        {"not an exception",
         std::make_exception_ptr(17),
         {.status = {.kind = Kind::failed, .message = "Unexpected error."},
          .log = PassFailure::LogLine{"error", "Unexpected error."}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PassFailure::from(c.error), c.expected) << c.name;
}
