#pragma once
// The page fetch over libcurl: http and https (certificates checked against the system's
// store), redirects followed up to a bound on both, proxies from the environment
// (http_proxy, https_proxy, no_proxy), connect and total time-outs, a bounded body. The client
// lives in the network module (libkelto_net.so beside the program), loaded on the first fetch;
// without it every fetch fails, naming the module. A fetch with a cancel check runs on its own
// small loop that asks the check every few hundredths of a second, so a stop ends even a fetch
// the site never answers at once.
#include "platform/PageFetcher.h"

#include <cstddef>
#include <string>

class CurlPageFetcher : public PageFetcher {
public:
    // KELTO_CA_FILE, when set, replaces the system's certificate store: tests use it to trust
    // their own local server.
    CurlPageFetcher();
    using PageFetcher::fetch;
    FetchResult fetch(const std::string& url, int timeoutSeconds, const FetchCancel& cancel) override;

    static constexpr size_t kMaxBody = 4 * 1024 * 1024;  // far above a month's table
    static constexpr int kMaxRedirects = 5;
    static constexpr int kConnectTimeoutSeconds = 10;
    static constexpr int kCancelPollMs = 50;  // the longest a stop waits to be seen

private:
    std::string m_caFile;
};

// The network module's table. Module and program are built together from these headers, so the
// fetch passes the program's own types; a table of another version is not used.
enum { kKeltoNetApiVersion = 2 };
struct KeltoNetApi {
    int version;
    FetchResult (*fetch)(const std::string& url, int timeoutSeconds, const std::string& caFile,
                         const FetchCancel& cancel);
};
extern "C" {
typedef const KeltoNetApi* (*KeltoNetApiFunction)(void);
}
