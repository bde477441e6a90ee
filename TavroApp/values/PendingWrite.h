#pragma once

#include "values/WriteResult.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tavro {

// The answer to come of one facade write, on the GUI thread. The write is queued already; the
// caller says what to do with its answer (then) or that it has none (ignoreResult). A handle
// dropped unused is a build error, so no failure goes unseen by accident.
template <class T = void> class [[nodiscard]] PendingWrite {
public:
    using Result = WriteResult<T>;
    using Callback = std::function<void(const Result&)>;

    PendingWrite(const PendingWrite&) = delete;
    PendingWrite& operator=(const PendingWrite&) = delete;
    PendingWrite(PendingWrite&&) noexcept = default;
    PendingWrite& operator=(PendingWrite&&) noexcept = default;
    ~PendingWrite() = default;

    // Runs `callback` with the answer on the GUI thread, unless `context` (never null) has gone
    // by then. An answer that came already runs it at once.
    void then(const QObject* context, Callback callback) && {
        Slot& slot = *slot_;
        slot.context = context;
        slot.callback = std::move(callback);
        slot.attached = true;
        if (slot.result)
            deliver(slot_);
    }
    // The write still marks the board and tells the account; only its answer is let go.
    void ignoreResult() && {}

    // A handle answered already, for a caller with nothing to write.
    static PendingWrite answered(Result result) {
        auto slot = std::make_shared<Slot>();
        slot->result.emplace(std::move(result));
        return PendingWrite(slot);
    }

    // For the facade: a handle and the function that answers it on the GUI thread.
    static std::pair<PendingWrite, std::function<void(Result)>> make() {
        auto slot = std::make_shared<Slot>();
        return {PendingWrite(slot), [slot](Result result) {
                    slot->result.emplace(std::move(result));
                    if (slot->attached)
                        deliver(slot);
                }};
    }

private:
    struct Slot {
        std::optional<Result> result;
        QPointer<const QObject> context;
        Callback callback;
        bool attached = false;
    };

    explicit PendingWrite(std::shared_ptr<Slot> slot)
        : slot_(std::move(slot)) {}

    static void deliver(const std::shared_ptr<Slot>& slot) {
        Callback callback = std::move(slot->callback);
        slot->callback = nullptr;
        if (callback && slot->context)
            callback(*slot->result);
    }

    std::shared_ptr<Slot> slot_;
};

} // namespace tavro
