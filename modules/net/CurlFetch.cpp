// The network module: the page fetch over libcurl. The program loads it on the first fetch,
// so libcurl and its TLS, proxy and name libraries stay out of every other start.
#include "weather/CurlPageFetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace {
struct Transfer {
    std::string headers;
    std::string body;
    bool tooLarge = false;
};

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (t->body.size() + n > CurlPageFetcher::kMaxBody) {
        t->tooLarge = true;
        return 0;  // ends the transfer
    }
    t->body.append(data, n);
    return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    // Each response of a redirect chain starts with its status line: keep only the last one's.
    if (n >= 5 && std::string_view(data, 5) == "HTTP/") {
        t->headers.clear();
        t->body.clear();
    }
    if (t->headers.size() + n <= 64 * 1024)
        t->headers.append(data, n);
    return n;
}

// libcurl's progress hook: a non-zero answer ends the transfer (CURLE_ABORTED_BY_CALLBACK).
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* cancel = static_cast<const FetchCancel*>(user);
    return (*cancel && (*cancel)()) ? 1 : 0;
}

// The transfer on a loop of our own: libcurl's own loop sleeps up to a second between calls of
// the progress hook while a site stays silent, ours wakes every kCancelPollMs.
CURLcode perform(CURL* c, const FetchCancel& cancel)
{
    if (!cancel)
        return curl_easy_perform(c);
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(), &curl_multi_cleanup);
    if (!multi || curl_multi_add_handle(multi.get(), c) != CURLM_OK)
        return curl_easy_perform(c);
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (CURLMsg* m = curl_multi_info_read(multi.get(), &queued))
                if (m->msg == CURLMSG_DONE && m->easy_handle == c)
                    result = m->data.result;
            break;
        }
        if (cancel()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi.get(), nullptr, 0, CurlPageFetcher::kCancelPollMs, nullptr);
    }
    curl_multi_remove_handle(multi.get(), c);
    return result;
}

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

FetchResult curlFetch(const std::string& url, int timeoutSeconds, const std::string& caFile,
                      const FetchCancel& cancel)
{
    globalInit();
    using Limits = CurlPageFetcher;
    FetchResult r;
    r.finalUrl = url;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        r.error = "the HTTP client could not start";
        r.failure = FetchFailure::Other;
        return r;
    }
    Transfer t;
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, static_cast<long>(Limits::kMaxRedirects));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // time-outs without signals: safe on any thread
    long total = std::max(1, timeoutSeconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, total);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, std::min<long>(total, Limits::kConnectTimeoutSeconds));
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Kelto/1.0 (school plant notebook)");
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // whatever the library can decode
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    if (!caFile.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile.c_str());
    if (cancel) {
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<FetchCancel*>(&cancel));
    }

    CURLcode code = perform(c, cancel);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    char* effective = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        r.finalUrl = effective;
    r.status = static_cast<int>(status);
    r.headers = std::move(t.headers);
    r.body = std::move(t.body);
    if (t.tooLarge) {
        r.error = "the page is larger than any page of the weather site";
        r.failure = FetchFailure::Other;
    } else if (code != CURLE_OK) {
        r.error = errorText[0] ? errorText : curl_easy_strerror(code);
        switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            r.failure = FetchFailure::Resolve;
            break;
        case CURLE_COULDNT_CONNECT:
            r.failure = FetchFailure::Connect;
            break;
        case CURLE_OPERATION_TIMEDOUT: {
            // Timed out before a connection stood: the site is out of reach.
            curl_off_t connected = 0;
            curl_easy_getinfo(c, CURLINFO_CONNECT_TIME_T, &connected);
            r.failure = connected == 0 ? FetchFailure::Connect : FetchFailure::TimedOut;
            break;
        }
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            r.failure = FetchFailure::Dropped;
            break;
        case CURLE_ABORTED_BY_CALLBACK:
            r.failure = FetchFailure::Cancelled;
            r.error = "stopped";
            break;
        default:
            r.failure = FetchFailure::Other;
            break;
        }
    }
    return r;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const KeltoNetApi* kelto_net_api(void)
{
    static const KeltoNetApi api{kKeltoNetApiVersion, curlFetch};
    return &api;
}
