#pragma once
// How a long job reports how far it is and learns that the user wants it stopped. The job
// (usually a worker thread) calls the setters and polls cancelled() between steps; the
// user-interface thread or a signal handler calls cancel(). A window implementation forwards
// the setters to the user-interface thread; the console one writes to a stream.
#include <atomic>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>

class Progress {
public:
    virtual ~Progress() = default;
    // Steps run from 0 to `maximum`.
    virtual void setRange(int maximum) = 0;
    virtual void setValue(int value) = 0;
    virtual void setText(const std::string& text) = 0;

    bool cancelled() const { return m_cancelled.load(std::memory_order_acquire); }
    void cancel() { m_cancelled.store(true, std::memory_order_release); }
    // Before a kept progress (a dialog made once) serves the next job.
    void reset() { m_cancelled.store(false, std::memory_order_release); }
    // Between steps of a job: true when the user asked to stop and `confirm` (none: stop at
    // once) agrees. A stop the user takes back is forgotten, so the job goes on.
    bool StopConfirmed(const std::function<bool()>& confirm)
    {
        if (!cancelled())
            return false;
        if (!confirm || confirm())
            return true;
        reset();
        return false;
    }

private:
    std::atomic<bool> m_cancelled{false};
};

// A progress for a run without a window: nothing shown, only the stop flag.
class SilentProgress : public Progress {
public:
    void setRange(int) override {}
    void setValue(int) override {}
    void setText(const std::string&) override {}
};

// "text  value/maximum (percent%)" on a stream. On a terminal one line is rewritten in place;
// elsewhere (a log) a line is written when the text or the whole percent changes.
class ConsoleProgress : public Progress {
public:
    // Standard error, rewritten in place when it is a terminal.
    ConsoleProgress();
    ConsoleProgress(std::ostream& out, bool terminal);
    // Ends a line left open on a terminal.
    ~ConsoleProgress() override;

    void setRange(int maximum) override;
    void setValue(int value) override;
    void setText(const std::string& text) override;

    // While this object lives, Ctrl+C cancels it instead of ending the program; the previous
    // handler returns afterwards. For one progress at a time.
    void cancelOnInterrupt();

private:
    void show(bool force);  // with m_mutex held

    std::mutex m_mutex;
    std::ostream& m_out;
    bool m_terminal;
    int m_maximum = 0;
    int m_value = 0;
    int m_shownPercent = -1;
    std::string m_text;
    bool m_lineOpen = false;
    bool m_interruptInstalled = false;
};
