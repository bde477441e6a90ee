#include "sync/HttpTransport.h"

#include "sync/WebOrigin.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>

namespace tavro {

namespace {

using Clock = std::chrono::steady_clock;

// Replies larger than this are refused rather than held in memory.
constexpr size_t maxBody = size_t(512) << 20;
// What is kept of the body of a stream that did not open.
constexpr size_t maxRefusedStreamBody = size_t(1) << 20;

void initialiseOnce() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

struct HandleDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using Handle = std::unique_ptr<CURL, HandleDeleter>;

struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using Multi = std::unique_ptr<CURLM, MultiDeleter>;

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

// The handles of this thread, kept for the connections they hold open. A request made while
// they are busy (from inside a stream's callback) takes handles of its own.
struct ThreadHandle {
    Handle handle;
    Multi multi;
    bool busy = false;
};

thread_local ThreadHandle threadHandle;

class Lease {
public:
    Lease() {
        if (!threadHandle.busy) {
            if (!threadHandle.handle)
                threadHandle.handle.reset(curl_easy_init());
            else
                curl_easy_reset(threadHandle.handle.get());
            if (!threadHandle.multi)
                threadHandle.multi.reset(curl_multi_init());
            threadHandle.busy = true;
            shared_ = true;
            handle_ = threadHandle.handle.get();
            multi_ = threadHandle.multi.get();
        } else {
            own_.reset(curl_easy_init());
            ownMulti_.reset(curl_multi_init());
            handle_ = own_.get();
            multi_ = ownMulti_.get();
        }
        if (!handle_ || !multi_)
            throw TransportError(TransportError::Kind::failed, "The HTTP library failed to start.");
    }
    ~Lease() {
        if (shared_)
            threadHandle.busy = false;
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    CURL* get() const { return handle_; }
    CURLM* multi() const { return multi_; }

private:
    Handle own_;
    Multi ownMulti_;
    CURL* handle_ = nullptr;
    CURLM* multi_ = nullptr;
    bool shared_ = false;
};

bool equalsCaseless(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The state a transfer's callbacks share.
struct Transfer {
    CURL* handle = nullptr;
    std::stop_token stop;
    std::chrono::milliseconds idle{};
    Clock::time_point lastMovement = Clock::now();
    curl_off_t moved = 0;
    bool timedOut = false;
    bool stopped = false;
    bool tooLarge = false;
    size_t bodyLimit = maxBody;

    const std::function<void(std::string_view)>* onBody = nullptr; // a stream
    std::optional<bool> streaming;                                 // known once data arrive
    std::string body;

    // The origin redirects must stay in, when they must.
    std::optional<std::string> origin;
    // Where a redirect out of it would have led: its origin.
    std::optional<std::string> refusedRedirect;
};

bool startsWithCaseless(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsCaseless(text.substr(0, prefix.size()), prefix);
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Ends the transfer at a redirect out of the request's origin, before libcurl follows it: the
// reply's headers arrive here before anything is sent on.
size_t onHeader(char* data, size_t size, size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const size_t length = size * count;
    constexpr std::string_view location = "location:";
    const std::string_view line(data, length);
    if (!transfer.origin || !startsWithCaseless(line, location))
        return length;
    long status = 0;
    curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
    const std::string_view target = trimmed(line.substr(location.size()));
    if (status < 300 || status > 399 || target.empty())
        return length;
    const char* current = nullptr;
    curl_easy_getinfo(transfer.handle, CURLINFO_EFFECTIVE_URL, &current);
    const auto next = WebOrigin::resolved(current ? current : "", target);
    const auto nextOrigin = next ? WebOrigin::of(*next) : std::nullopt;
    if (nextOrigin == transfer.origin)
        return length;
    transfer.refusedRedirect = nextOrigin.value_or("an address that is not a URL");
    return 0;
}

size_t onWrite(char* data, size_t size, size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const size_t length = size * count;
    if (transfer.onBody) {
        if (!transfer.streaming) {
            long status = 0;
            curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
            transfer.streaming = status >= 200 && status <= 299;
        }
        if (*transfer.streaming) {
            if (transfer.stop.stop_requested()) {
                transfer.stopped = true;
                return 0;
            }
            (*transfer.onBody)(std::string_view(data, length));
            return length;
        }
        transfer.body.append(
            data, std::min(length, maxRefusedStreamBody -
                                       std::min(maxRefusedStreamBody, transfer.body.size())));
        return length;
    }
    if (transfer.body.empty()) {
        curl_off_t announced = -1;
        curl_easy_getinfo(transfer.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0 && size_t(announced) > transfer.bodyLimit) {
            transfer.tooLarge = true;
            return 0;
        }
        // Read into one piece of its final size: growing by doubling would hold the old piece
        // and the new, twice as large, at each step. Pages a short body never fills are never
        // touched.
        if (announced > 0)
            transfer.body.reserve(size_t(announced));
    }
    if (transfer.body.size() + length > transfer.bodyLimit) {
        transfer.tooLarge = true;
        return 0;
    }
    transfer.body.append(data, length);
    return length;
}

int onProgress(void* context, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
    auto& transfer = *static_cast<Transfer*>(context);
    if (transfer.stop.stop_requested()) {
        transfer.stopped = true;
        return 1;
    }
    const auto now = Clock::now();
    if (downloaded + uploaded != transfer.moved) {
        transfer.moved = downloaded + uploaded;
        transfer.lastMovement = now;
    } else if (now - transfer.lastMovement > transfer.idle) {
        transfer.timedOut = true;
        return 1;
    }
    return 0;
}

HeaderList headerList(const HttpRequest& request) {
    curl_slist* list = nullptr;
    auto add = [&](const std::string& line) {
        if (curl_slist* grown = curl_slist_append(list, line.c_str()))
            list = grown;
    };
    for (const auto& [name, value] : request.headers) {
        if (name.empty() || holdsLineBreak(name) || holdsLineBreak(value) ||
            name.find(':') != std::string::npos)
            throw TransportError(TransportError::Kind::failed, "A request header is malformed.");
        // "Name:" would remove the header; "Name;" sends it empty.
        add(value.empty() ? name + ";" : name + ": " + value);
    }
    // libcurl adds these on its own; a request carries only the headers it names.
    for (const char* name : {"Accept", "Content-Type", "Expect"}) {
        const bool named =
            std::any_of(request.headers.begin(), request.headers.end(),
                        [&](const auto& header) { return equalsCaseless(header.first, name); });
        if (!named)
            add(std::string(name) + ":");
    }
    return HeaderList(list);
}

void configure(CURL* handle, const HttpRequest& request, Transfer& transfer, char* errorText,
               curl_slist* headers) {
    curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    // Credentials go to the request's own host only, never along a redirect elsewhere.
    curl_easy_setopt(handle, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);

    if (request.bearer) {
        curl_easy_setopt(handle, CURLOPT_HTTPAUTH, CURLAUTH_BEARER);
        curl_easy_setopt(handle, CURLOPT_XOAUTH2_BEARER, request.bearer->c_str());
    }

    if (request.body) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body->size()));
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body->data());
        if (request.method != "POST")
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    } else if (request.method == "GET") {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }

    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long(request.idleTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                     request.transferLimit ? long(request.transferLimit->count()) : 0L);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    // Large replies arrive in fewer, larger pieces than libcurl's default 16 KiB.
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 256L << 10);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, onWrite);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    if (transfer.origin) {
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
    }
    if (!request.transferLimit)
        curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
}

// Runs the transfer on its own multi handle, whose wait a stop request wakes at once: a request
// held by a server that sends nothing ends as soon as it is stopped.
CURLcode run(CURLM* multi, CURL* handle, Transfer& transfer) {
    if (curl_multi_add_handle(multi, handle) != CURLM_OK)
        return CURLE_FAILED_INIT;
    std::stop_callback wake(transfer.stop, [multi] { curl_multi_wakeup(multi); });
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left))
                if (message->msg == CURLMSG_DONE && message->easy_handle == handle)
                    result = message->data.result;
            break;
        }
        if (transfer.stop.stop_requested()) {
            transfer.stopped = true;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    curl_multi_remove_handle(multi, handle);
    return result;
}

HttpResponse perform(const HttpRequest& request, std::stop_token stop,
                     const std::function<void(std::string_view)>* onBody) {
    initialiseOnce();
    if (holdsLineBreak(request.url) || holdsLineBreak(request.method) ||
        (request.bearer && holdsLineBreak(*request.bearer)))
        throw TransportError(TransportError::Kind::failed, "The request is malformed.");
    if (stop.stop_requested())
        throw TransportError(TransportError::Kind::stopped, "The request was cancelled.");
    Lease lease;
    CURL* handle = lease.get();
    Transfer transfer;
    transfer.handle = handle;
    transfer.stop = stop;
    transfer.idle = request.idleTimeout;
    transfer.onBody = onBody;
    if (request.maxBody)
        transfer.bodyLimit = std::min(*request.maxBody, maxBody);
    if (request.redirects == HttpRequest::Redirects::sameOrigin) {
        transfer.origin = WebOrigin::of(request.url);
        if (!transfer.origin)
            throw TransportError(TransportError::Kind::failed, "The request is malformed.");
    }
    char errorText[CURL_ERROR_SIZE] = {};
    HeaderList headers = headerList(request);
    configure(handle, request, transfer, errorText, headers.get());

    const CURLcode result = run(lease.multi(), handle, transfer);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    // Nothing of this request may linger on the reused handle.
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);

    if (transfer.refusedRedirect)
        return {status, {}, std::move(transfer.refusedRedirect)};
    if (result == CURLE_OK || (onBody && transfer.stopped && transfer.streaming.value_or(false)))
        return {status, std::move(transfer.body)};
    if (transfer.stopped)
        throw TransportError(TransportError::Kind::stopped, "The request was cancelled.");
    if (transfer.timedOut || result == CURLE_OPERATION_TIMEDOUT)
        throw TransportError(TransportError::Kind::timedOut, "The request timed out.");
    if (transfer.tooLarge)
        throw TransportError(TransportError::Kind::tooLarge, "The reply is too large.");
    throw TransportError(TransportError::Kind::failed,
                         errorText[0] ? errorText : curl_easy_strerror(result));
}

class CurlTransport final : public HttpTransport {
public:
    HttpResponse send(const HttpRequest& request, std::stop_token stop) override {
        return perform(request, stop, nullptr);
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        return perform(request, stop, &onBody);
    }
};

} // namespace

std::shared_ptr<HttpTransport> makeCurlTransport() {
    return std::make_shared<CurlTransport>();
}

} // namespace tavro
