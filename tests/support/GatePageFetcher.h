#pragma once
// Holds every fetch until opened (or until the fetch's own cancel says stop, as the real client
// does), so a test decides what happens while a worker waits for the site.
#include "platform/PageFetcher.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

class GatePageFetcher : public PageFetcher {
public:
    explicit GatePageFetcher(PageFetcher& inner) : m_inner(inner) {}
    using PageFetcher::fetch;
    FetchResult fetch(const std::string& url, int timeout, const FetchCancel& cancel) override
    {
        {
            std::unique_lock lock(m_mutex);
            ++m_waiting;
            while (!m_open) {
                if (cancel && cancel()) {
                    --m_waiting;
                    ++m_cancelled;
                    FetchResult r;
                    r.finalUrl = url;
                    r.error = "stopped";
                    r.failure = FetchFailure::Cancelled;
                    return r;
                }
                m_cv.wait_for(lock, std::chrono::milliseconds(10));
            }
            --m_waiting;
        }
        return m_inner.fetch(url, timeout, cancel);
    }
    void open(bool open = true)
    {
        std::lock_guard lock(m_mutex);
        m_open = open;
        m_cv.notify_all();
    }
    int waiting()
    {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }
    // Fetches that ended by their cancel while held.
    int cancelled()
    {
        std::lock_guard lock(m_mutex);
        return m_cancelled;
    }

private:
    PageFetcher& m_inner;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
    int m_waiting = 0;
    int m_cancelled = 0;
};
