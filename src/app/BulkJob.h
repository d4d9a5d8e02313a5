#pragma once
// One bulk job of the controller (the weather of every day, a folder of photos, a video) on a
// worker thread behind the progress dialog.
//
// Ownership: the BulkJob owns its worker thread and joins it; the controller owns the BulkJob.
// The worker never sees the controller: it gets values and one JobLink, through which it
// writes a day, asks the user and reports progress. What the link does for it runs on the
// user-interface thread, through closures the controller hands the link when the job starts.
// Stopping closes the link on the user-interface thread: the closures are dropped, a worker
// waiting for an answer gets the one that acts on nothing at once, and every later request
// gets it without waiting. So stop() joins the worker without running the event loop.
#include "app/ViewHost.h"
#include "platform/Progress.h"
#include "platform/Prompt.h"
#include "platform/UiThread.h"
#include "res/Strings.h"
#include "store/DayRecord.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// What a worker may have done on the user-interface thread. Each is optional; a job uses
// only what it needs.
struct JobDesk {
    std::function<Result(const DayRecord& day)> writeDay;
    std::function<bool(const QDate& date, const DayWeather& weather)> writeWeather;
    std::function<RotateAnswer(const RotateRequest& request)> askRotation;
    Prompt* prompt = nullptr;
};

// The worker's side of a job. Every request made after the job was stopped, or that the
// user-interface thread could not take any more, gets the answer that acts on nothing.
class JobLink : public std::enable_shared_from_this<JobLink> {
public:
    JobLink(JobDesk desk, Progress& progress) : m_desk(std::move(desk)), m_progress(progress) {}

    Progress& progress() { return m_progress; }
    // The job was stopped without asking (shutdown, or the user quit): end at once.
    bool stopping() const { return m_stopping.load(); }

    // Nothing when the day was not written because the job was stopped.
    std::optional<Result> writeDay(const DayRecord& day)
    {
        return onUi<Result>([day](JobDesk& d) { return d.writeDay(day); });
    }
    bool writeWeather(const QDate& date, const DayWeather& weather)
    {
        return onUi<bool>([date, weather](JobDesk& d) { return d.writeWeather(date, weather); })
            .value_or(false);
    }
    RotateAnswer askRotation(const RotateRequest& request)
    {
        return onUi<RotateAnswer>([request](JobDesk& d) { return d.askRotation(request); })
            .value_or(RotateAnswer{});
    }
    Answer ask(Msg id, Buttons buttons, Icon icon, const std::string& text = {})
    {
        return onUi<Answer>([=](JobDesk& d) { return d.prompt->ask(id, buttons, icon, text); })
            .value_or(NoActionAnswer(buttons));
    }

    // On the user-interface thread: no request is served any more, and a worker waiting for
    // one gets its answer now.
    void close()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            m_closed = true;
            m_desk = {};
        }
        m_progress.cancel();
        m_answered.notify_all();
    }

private:
    // Runs `f` on the user-interface thread and waits for it; nothing when the link was closed
    // before it ran or the work could not be queued.
    template <class R, class F>
    std::optional<R> onUi(F f)
    {
        if (stopping())
            return std::nullopt;
        if (UiThread::isCurrent())
            return f(m_desk);
        // The slot is shared with the queued work: it reports back even when the work is
        // dropped unrun (its destructor), so the worker never waits for something that cannot come.
        struct Slot {
            std::weak_ptr<JobLink> link;
            std::optional<R> value;
            bool done = false;
            void finish(std::optional<R> v)
            {
                auto l = link.lock();
                if (!l)
                    return;
                {
                    std::lock_guard lock(l->m_mutex);
                    if (done)
                        return;
                    value = std::move(v);
                    done = true;
                }
                l->m_answered.notify_all();
            }
        };
        struct Reply {
            std::shared_ptr<Slot> slot;
            ~Reply()
            {
                if (slot)
                    slot->finish(std::nullopt);
            }
        };
        auto slot = std::make_shared<Slot>();
        slot->link = weak_from_this();
        auto reply = std::make_shared<Reply>();
        reply->slot = slot;
        UiThread::post([reply, f] {
            auto l = reply->slot->link.lock();
            if (!l || l->m_closed)
                return;                // the reply's destructor answers
            JobDesk desk = l->m_desk;  // a copy: the work may close the link meanwhile
            reply->slot->finish(f(desk));
        });
        reply.reset();
        std::unique_lock lock(m_mutex);
        m_answered.wait(lock, [&] { return slot->done || m_closed; });
        return slot->done ? std::move(slot->value) : std::nullopt;
    }

    JobDesk m_desk;
    Progress& m_progress;
    std::atomic<bool> m_stopping{false};
    bool m_closed = false;  // under m_mutex, or read on the user-interface thread
    std::mutex m_mutex;
    std::condition_variable m_answered;
};

template <class Report>
class BulkJob {
public:
    ~BulkJob() { stop(nullptr); }

    bool running() const { return m_state->running; }
    Report lastReport() const
    {
        std::lock_guard lock(m_state->reportMutex);
        return m_state->lastReport;
    }

    // Shows the progress dialog (a silent progress without a window) and runs `work` on the
    // worker with a link to `desk`; `finish` gets its report on the user-interface thread,
    // after `end` was called. `finish` is not called for a job that was stopped.
    void start(ViewHost* host, Msg caption, JobDesk desk, std::function<Report(JobLink&)> work,
               std::function<void(const Report&)> finish)
    {
        State& s = *m_state;
        if (s.worker.joinable())
            s.worker.join();
        Progress* shown = host ? host->ShowProgressDialog(LoadString(caption)) : nullptr;
        Progress& progress = shown ? *shown : s.silent;
        progress.reset();
        s.running = true;
        s.link = std::make_shared<JobLink>(std::move(desk), progress);
        std::weak_ptr<State> weak = m_state;
        s.worker = std::thread([weak, link = s.link, work = std::move(work), finish = std::move(finish)] {
            Report report = work(*link);
            if (auto st = weak.lock()) {
                std::lock_guard lock(st->reportMutex);
                st->lastReport = report;
            }
            UiThread::post([weak, link, finish, report] {
                if (weak.lock() && !link->stopping())
                    finish(report);
            });
        });
    }

    // The worker has ended by itself (on the user-interface thread, before the job's own end).
    void end(ViewHost* host)
    {
        State& s = *m_state;
        if (s.worker.joinable())
            s.worker.join();
        s.link.reset();
        s.running = false;
        if (host)
            host->HideProgressDialog();
    }

    // Ends a running job without asking (shutdown); returns once the worker has finished.
    void stop(ViewHost* host)
    {
        State& s = *m_state;
        if (!s.worker.joinable())
            return;
        if (s.link)
            s.link->close();
        end(host);
    }

private:
    struct State {
        std::thread worker;
        std::atomic<bool> running{false};
        std::shared_ptr<JobLink> link;  // of the job running now
        SilentProgress silent;
        mutable std::mutex reportMutex;
        Report lastReport;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};
