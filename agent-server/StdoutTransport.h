#pragma once

#include "JSONRPC.h"

#include <mutex>

namespace tavro {

// The only writer of the protocol stream. Each message goes out whole, as one line, under the
// lock, so two messages never interleave.
class StdoutTransport {
public:
    explicit StdoutTransport(int fd);
    StdoutTransport(const StdoutTransport&) = delete;
    StdoutTransport& operator=(const StdoutTransport&) = delete;

    // Never fails to its caller: a message that cannot be serialised or written is dropped with
    // one line on standard error.
    void send(const JSON& message);

    // True once the client has stopped reading: a reply failed with a broken pipe, or the
    // stream says that no one reads it any more. Nothing the server does then reaches anyone.
    bool readerGone();

private:
    std::mutex lock_;
    int fd_;
    bool brokenPipe_ = false;
};

// Takes the process's standard output for the protocol and returns the descriptor to write
// messages to. Descriptor 1 then points at standard error, so a stray print from any library
// can never corrupt the protocol stream. Also ignores SIGPIPE: a client that closed its end
// costs a reply, not the process.
int claimStandardOutput();

} // namespace tavro
