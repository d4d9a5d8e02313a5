#pragma once
// Fetching one web page, behind an interface: the program plugs in an HTTP client, tests a
// local server or a fake. A fetch blocks its thread, so the weather workers call it from
// their own threads; an implementation must allow calls from any thread.
#include <functional>
#include <string>

// Why no response arrived, as far as the user can act on it.
enum class FetchFailure {
    None,
    Resolve,    // the host name is unknown: no internet, or no name service
    Connect,    // nobody answers at the site's address
    TimedOut,   // connected, but the answer did not come in time
    Dropped,    // the site closed the connection before the answer was whole
    Cancelled,  // the caller's stop ended the fetch
    Other,
};

struct FetchResult {
    int status = 0;       // HTTP status of the final response; 0 when none arrived
    std::string headers;  // of the final response, as received
    std::string body;
    std::string finalUrl;                       // after redirects
    std::string error;                          // why no usable response arrived (time-out, refused, TLS ...)
    FetchFailure failure = FetchFailure::None;  // set with `error`

    // Scrapers read a page only when it came back whole and successful.
    bool ok() const { return error.empty() && status >= 200 && status < 300; }
};

// Asked again and again while a fetch runs; true ends the fetch at once (FetchFailure::Cancelled).
using FetchCancel = std::function<bool()>;

class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    // Gives up after `timeoutSeconds` for the whole fetch, so no fetch can hang its thread, and
    // as soon as `cancel` says so.
    virtual FetchResult fetch(const std::string& url, int timeoutSeconds, const FetchCancel& cancel) = 0;
    FetchResult fetch(const std::string& url, int timeoutSeconds) { return fetch(url, timeoutSeconds, {}); }
};
