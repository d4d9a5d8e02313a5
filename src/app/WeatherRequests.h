#pragma once
// The weather requests of the controller: each runs on a worker of its own and hands its
// answer to the user-interface thread, unless it was cancelled by then. The state owns the
// workers and joins them; the controller stops them all before it goes.
#include "app/BulkJob.h"
#include "platform/UiThread.h"
#include "weather/BulkWeatherFetch.h"
#include "weather/CurlPageFetcher.h"
#include "weather/WeatherMonths.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using RequestFlag = std::shared_ptr<std::atomic<bool>>;
inline RequestFlag NewRequestFlag()
{
    return std::make_shared<std::atomic<bool>>(false);
}

// A fetch on a worker whose answer the user-interface thread takes when it comes, unless the
// request was cancelled by then.
struct WeatherRequest {
    RequestFlag cancelled = NewRequestFlag();
    RequestFlag finished = NewRequestFlag();
    std::thread thread;
    int year = 0, month = 0;  // the graph's month, for the graph's request
};

// The handle of a day fetch: dropping it ends the request.
struct CancelOnDrop {
    RequestFlag flag;
    CancelOnDrop() = default;
    CancelOnDrop(const CancelOnDrop&) = delete;
    CancelOnDrop& operator=(const CancelOnDrop&) = delete;
    ~CancelOnDrop()
    {
        if (flag)
            *flag = true;
    }
};

struct WeatherState {
    CurlPageFetcher curl;
    PageFetcher* fetcher = nullptr;  // set by tests; else `curl`
    BulkJob<BulkWeatherReport> job;
    std::shared_ptr<WeatherMonths> months = std::make_shared<WeatherMonths>();
    std::vector<std::unique_ptr<WeatherRequest>> requests;
    WeatherRequest* graphRequest = nullptr;  // one of `requests`
    bool toldDrawFailure = false;            // a draw without a window said the site failed

    using Delivery = std::function<void()>;
    // Runs `work` on a worker; what it returns runs on the user-interface thread afterwards.
    WeatherRequest& start(std::function<Delivery(const FetchCancel&)> work)
    {
        reap();
        auto r = std::make_unique<WeatherRequest>();
        r->thread = std::thread([cancelled = r->cancelled, finished = r->finished, work = std::move(work)] {
            Delivery deliver = work([cancelled] { return cancelled->load(); });
            if (deliver && !*cancelled)
                UiThread::post([cancelled, deliver] {
                    if (!*cancelled)
                        deliver();
                });
            *finished = true;
        });
        requests.push_back(std::move(r));
        return *requests.back();
    }
    // Joins the workers that are done (each ends right after it set `finished`).
    void reap()
    {
        for (auto it = requests.begin(); it != requests.end();) {
            if (!*(*it)->finished) {
                ++it;
                continue;
            }
            (*it)->thread.join();
            if (graphRequest == it->get())
                graphRequest = nullptr;
            it = requests.erase(it);
        }
    }
    void stopAll()
    {
        for (auto& r : requests)
            *r->cancelled = true;
        for (auto& r : requests)
            r->thread.join();
        requests.clear();
        graphRequest = nullptr;
    }
    ~WeatherState() { stopAll(); }
};
