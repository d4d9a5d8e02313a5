#pragma once
// One bulk job of the controller (the weather of every day, a folder of photos) on a worker
// thread behind the progress dialog. The worker gets values and reports through a Progress; its
// report is kept, and the job's end runs on the user-interface thread unless the job was
// stopped. The state is shared with the worker, so a worker that outlives its controller sees
// that it is gone.
#include "app/ViewHost.h"
#include "platform/Progress.h"
#include "platform/UiThread.h"
#include "res/Strings.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

template <class Report>
class BulkJob {
public:
    // Whether the job should end without asking: shutdown stopped it, or the controller is gone.
    using Stopping = std::function<bool()>;

    bool running() const { return m_state->running; }
    Report lastReport() const
    {
        std::lock_guard lock(m_state->reportMutex);
        return m_state->lastReport;
    }

    // Shows the progress dialog (a silent progress without a window) and runs `work` on the
    // worker; `finish` gets its report on the user-interface thread, after `end` was called.
    void start(ViewHost* host, Msg caption, std::function<Report(Progress&, const Stopping&)> work,
               std::function<void(const Report&)> finish)
    {
        State& s = *m_state;
        if (s.worker.joinable())
            s.worker.join();
        Progress* shown = host ? host->ShowProgressDialog(LoadString(caption)) : nullptr;
        s.progress = shown ? shown : &s.silent;
        s.progress->reset();
        s.stopping = false;
        s.running = true;
        s.workerDone = false;
        std::weak_ptr<State> weak = m_state;
        s.worker =
            std::thread([weak, progress = s.progress, work = std::move(work), finish = std::move(finish)] {
                Stopping stopping = [weak] {
                    auto st = weak.lock();
                    return !st || st->stopping;
                };
                Report report = work(*progress, stopping);
                if (auto st = weak.lock()) {
                    std::lock_guard lock(st->reportMutex);
                    st->lastReport = report;
                }
                UiThread::post([weak, finish, report] {
                    auto st = weak.lock();
                    if (st && !st->stopping)
                        finish(report);
                });
                if (auto st = weak.lock())
                    st->workerDone = true;
            });
    }

    // The worker has ended by itself (on the user-interface thread, before the job's own end).
    void end(ViewHost* host)
    {
        State& s = *m_state;
        if (s.worker.joinable())
            s.worker.join();
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
        s.stopping = true;
        if (s.progress)
            s.progress->cancel();
        // The worker may be waiting for this thread to write a day: keep serving it until it
        // ends, taking no input meanwhile (a click could start another job or close again).
        if (QCoreApplication::instance() && UiThread::isCurrent())
            while (!s.workerDone)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        end(host);
    }

private:
    struct State {
        std::thread worker;
        std::atomic<bool> running{false};
        std::atomic<bool> stopping{false};   // shutdown: the worker stops without asking
        std::atomic<bool> workerDone{true};  // the worker has nothing left to ask of this thread
        Progress* progress = nullptr;
        SilentProgress silent;
        mutable std::mutex reportMutex;
        Report lastReport;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};
