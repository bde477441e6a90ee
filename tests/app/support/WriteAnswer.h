#pragma once

#include "values/PendingWrite.h"

#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace tavro::test {

// Runs the event loop until the facade write answers, for tests that go on from its outcome.
// A write that never answers within `timeoutMs` fails the test.
template <class T> WriteResult<T> awaitWrite(PendingWrite<T> pending, int timeoutMs = 10000) {
    QObject context;
    std::optional<WriteResult<T>> answer;
    std::move(pending).then(&context,
                            [&answer](const WriteResult<T>& result) { answer.emplace(result); });
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, timeoutMs)) {
        ADD_FAILURE() << "the write never answered";
        return WriteResult<T>::failure("no answer");
    }
    return std::move(*answer);
}

} // namespace tavro::test
