#pragma once
// Work for the user-interface thread. Widgets live on that thread only, so a worker hands it
// closures: post() queues one and returns, call() queues one and blocks the worker until it
// has run and returns its result (or rethrows what it threw). On the user-interface thread
// itself call() runs the closure at once, so it can never wait for itself.
//
// Everything posted or called runs in the order it was queued, through one queue. Two rules
// for the user-interface thread keep it free of deadlocks: it never blocks on a worker that
// may call() (it cancels and lets the event loop run until the worker says it is done), and
// workers are finished before the application object is destroyed (calls still queued then
// are dropped and their callers get std::future_error).
#include "platform/Prompt.h"

#include <functional>
#include <future>
#include <memory>
#include <type_traits>

class UiThread {
public:
    // The thread of the application object; without one, every thread counts as it, since
    // there is no event loop to hand work to (a command-line run without an application).
    static bool isCurrent();

    static void post(std::function<void()> work);

    template <class F>
    static auto call(F f) -> decltype(f())
    {
        using R = decltype(f());
        if (isCurrent())
            return f();
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(f));
        std::future<R> result = task->get_future();
        // A refused task is destroyed unrun, which breaks the promise and get() throws.
        enqueue([task] { (*task)(); });
        task.reset();
        return result.get();
    }

    // While one of these lives (on the user-interface thread), queued work waits: a nested
    // event loop that must only repaint, such as the wait for the external editor, does not
    // run a worker's question in the middle of an operation.
    class DeferCalls {
    public:
        DeferCalls();
        ~DeferCalls();
        DeferCalls(const DeferCalls&) = delete;
        DeferCalls& operator=(const DeferCalls&) = delete;
    };

private:
    // False when the work could not be queued (the application is gone); it is dropped.
    static bool enqueue(std::function<void()> work);
};

// The answer that acts on nothing: what a question gets when nobody can answer it any more.
Answer NoActionAnswer(Buttons buttons);

// A worker's prompt: each question is asked by the user-interface thread's prompt, and the
// worker waits for the answer. If the application goes away first, the answer is the one
// that acts on nothing (No or Cancel).
class UiThreadPrompt : public Prompt {
public:
    explicit UiThreadPrompt(Prompt& uiPrompt) : m_ui(uiPrompt) {}
    Answer ask(Msg id, Buttons buttons, Icon icon, const std::string& text = {}) override;

private:
    Prompt& m_ui;
};
