#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// Announces to other processes that the library changed. The notification carries no detail.
class StoreChangeNotifier {
public:
    virtual ~StoreChangeNotifier() = default;
    virtual void post() = 0;
};

// Does nothing: for processes that must stay silent.
class NullStoreChangeNotifier final : public StoreChangeNotifier {
public:
    void post() override {}
};

// "dev.tavro.store.didChange" as the D-Bus signal "didChange" of interface "dev.tavro.store" on
// "/dev/tavro/store". Connects lazily, and only to an existing session bus: with none, posting
// does nothing (a bus is never autolaunched, which could hang a process without a session).
// post() never waits for the bus: the signal leaves from a thread of its own, and is dropped
// while a bus does not answer.
class DBusStoreChangeNotifier final : public StoreChangeNotifier {
public:
    static constexpr std::string_view objectPath = "/dev/tavro/store";
    static constexpr std::string_view interfaceName = "dev.tavro.store";
    static constexpr std::string_view signalName = "didChange";

    void post() override;
    // The bus's name for the connection this process's signals leave from, once the first has
    // gone: what a listener in the same process compares a signal's sender with to know its own.
    static std::optional<std::string> senderName();
};

// The process-wide notifier the store uses unless it is given another.
std::shared_ptr<StoreChangeNotifier> defaultStoreChangeNotifier();

} // namespace tavro
