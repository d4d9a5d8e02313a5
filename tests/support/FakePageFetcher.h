#pragma once
// Pages from a table instead of the network: each url answers with the result put for it,
// any other url with a connection error. Records every url asked, from any thread.
#include "platform/PageFetcher.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

class FakePageFetcher : public PageFetcher {
public:
    void put(const std::string& url, FetchResult result)
    {
        std::lock_guard lock(m_mutex);
        if (result.finalUrl.empty())
            result.finalUrl = url;
        m_pages[url] = std::move(result);
    }
    static constexpr const char* kHtmlHeaders =
        "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n";

    // A plain 200 answer with a body.
    void putPage(const std::string& url, const std::string& body, const std::string& headers = kHtmlHeaders)
    {
        FetchResult r;
        r.status = 200;
        r.headers = headers;
        r.body = body;
        put(url, std::move(r));
    }

    using PageFetcher::fetch;
    FetchResult fetch(const std::string& url, int timeoutSeconds, const FetchCancel&) override
    {
        std::lock_guard lock(m_mutex);
        m_requested.push_back(url);
        m_timeouts.push_back(timeoutSeconds);
        auto it = m_pages.find(url);
        if (it != m_pages.end())
            return it->second;
        FetchResult missing;
        missing.finalUrl = url;
        missing.error = "connection refused";
        return missing;
    }

    std::vector<std::string> requested() const
    {
        std::lock_guard lock(m_mutex);
        return m_requested;
    }
    std::vector<int> timeouts() const
    {
        std::lock_guard lock(m_mutex);
        return m_timeouts;
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::string, FetchResult> m_pages;
    std::vector<std::string> m_requested;
    std::vector<int> m_timeouts;
};
