#include "weather/CurlPageFetcher.h"

#include "platform/Module.h"

#include <cstdlib>

CurlPageFetcher::CurlPageFetcher()
{
    if (const char* ca = std::getenv("KELTO_CA_FILE"))
        m_caFile = ca;
}

FetchResult CurlPageFetcher::fetch(const std::string& url, int timeoutSeconds, const FetchCancel& cancel)
{
    std::string error;
    auto entry = reinterpret_cast<KeltoNetApiFunction>(ModuleSymbol("net", "kelto_net_api", &error));
    const KeltoNetApi* api = entry ? entry() : nullptr;
    if (api && api->version == kKeltoNetApiVersion)
        return api->fetch(url, timeoutSeconds, m_caFile, cancel);
    FetchResult r;
    r.finalUrl = url;
    r.error = "the network module cannot be loaded: " + (error.empty() ? ModulePath("net") : error);
    r.failure = FetchFailure::Other;
    return r;
}
