#include "library/LibraryReader.h"

#include "desktop/FreeMemory.h"
#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"

#include <exception>
#include <thread>

namespace tavro {

LibraryReader::LibraryReader(std::filesystem::path file)
    : file_(std::move(file)) {}

LibraryReader::~LibraryReader() = default;

CaptureStore& LibraryReader::store() {
    if (!store_) {
        // A reader never announces anything: it writes nothing.
        store_ = std::make_unique<CaptureStore>(file_, std::make_shared<NullStoreChangeNotifier>());
        store_->db().confineTo(std::this_thread::get_id());
    }
    return *store_;
}

LibraryReader::Outcome LibraryReader::read(const std::shared_ptr<const LibraryState>& previous,
                                           Reading reading) {
    Outcome outcome;
    try {
        CaptureStore& store = this->store();
        // What the newest captures leave out is read whole, as the change log cannot say it.
        const bool afresh = !previous || !previous->complete || reading == Reading::whole ||
                            reading == Reading::newest;
        std::optional<LibraryState> state;
        if (!afresh) {
            if (store.changeCounter() == previous->changeCounter) {
                if (reading == Reading::always) {
                    outcome.state = withAccountRecords(previous, outcome.changed);
                    outcome.movedCaptures.emplace();
                }
                return outcome;
            }
            std::vector<std::string> moved;
            state = LibraryState::update(*previous, store, &moved);
            if (state)
                outcome.movedCaptures = std::move(moved);
        }
        if (!state)
            state = reading == Reading::newest ? LibraryState::readNewest(store, firstScreenful)
                                               : LibraryState::read(store);
        state->account =
            afresh ? readAccountRecords(store) : readAccountRecords(store, *previous, *state);
        if (previous)
            outcome.changed = differences(*previous, *state);
        else
            outcome.changed = {LibraryProperty::captures,      LibraryProperty::groups,
                               LibraryProperty::counts,        LibraryProperty::tagsByCapture,
                               LibraryProperty::commentCounts, LibraryProperty::allTags,
                               LibraryProperty::imageCounts,   LibraryProperty::people,
                               LibraryProperty::workspaces,    LibraryProperty::currentUserID,
                               LibraryProperty::account};
        outcome.state = std::make_shared<const LibraryState>(std::move(*state));
    } catch (const std::exception& error) {
        // The facade publishes it as its load error.
        outcome.error = error.what();
    }
    return outcome;
}

std::shared_ptr<const LibraryState>
LibraryReader::withAccountRecords(const std::shared_ptr<const LibraryState>& previous,
                                  std::vector<LibraryProperty>& changed) {
    // The sync log moves without the change counter.
    AccountRecords account = readAccountRecords(*store_, *previous, *previous);
    if (account == previous->account)
        return previous;
    auto state = std::make_shared<LibraryState>(*previous);
    state->account = std::move(account);
    changed = {LibraryProperty::account};
    return state;
}

void LibraryReader::start(std::shared_ptr<const LibraryState> previous, Reading reading,
                          Done done) {
    thread_.post([this, previous = std::move(previous), reading, done = std::move(done)]() mutable {
        retired_.reset();
        Outcome outcome = read(previous, reading);
        // The caller lets go of the state it replaces once it publishes the new one; this
        // thread holds it until then, so that freeing it costs the caller nothing.
        if (outcome.state && outcome.state != previous)
            retired_ = std::move(previous);
        previous.reset();
        done(std::move(outcome));
    });
}

void LibraryReader::post(Job job) {
    thread_.post(
        [this, job = std::move(job)] { job([this]() -> CaptureStore& { return store(); }); });
}

void LibraryReader::releaseMemory() {
    thread_.post([this] {
        retired_.reset();
        returnFreeMemory();
    });
}

} // namespace tavro
