#pragma once

#include "values/PendingWrite.h"

#include <QObject>

#include <functional>
#include <string>

namespace tavro {

// Where a section of the detail pane shows how its write came out: the reason of a failed write,
// or an empty text once one succeeded.
using WriteReport = std::function<void(const std::string& failure)>;

// Hands the write's answer to `report` when it arrives, unless `context` has gone.
template <class T>
void reportWrite(PendingWrite<T> pending, const QObject* context, WriteReport report) {
    std::move(pending).then(context, [report = std::move(report)](const WriteResult<T>& result) {
        if (report)
            report(result.ok() ? std::string() : result.error());
    });
}

} // namespace tavro
