#include "platform/UiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <deque>
#include <mutex>

namespace {

struct Queue {
    std::mutex mutex;
    std::deque<std::function<void()>> work;
    int deferDepth = 0;
    bool drainPosted = false;
    QCoreApplication* watchedApp = nullptr;  // the application whose end drops the queue
};

Queue& queue()
{
    static Queue q;
    return q;
}

void drain();

// Called with the mutex held.
void postDrain(Queue& q, QCoreApplication* app)
{
    if (q.drainPosted)
        return;
    q.drainPosted = true;
    QMetaObject::invokeMethod(app, &drain, Qt::QueuedConnection);
}

void drain()
{
    Queue& q = queue();
    {
        std::lock_guard lock(q.mutex);
        q.drainPosted = false;
    }
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(q.mutex);
            if (q.deferDepth > 0 || q.work.empty())
                return;
            work = std::move(q.work.front());
            q.work.pop_front();
        }
        // Run outside the lock: the work may open a message box whose event loop drains again.
        work();
    }
}

// Runs while the application object is destroyed: what is still queued can never run, and
// dropping it releases the workers waiting in call().
void dropQueue()
{
    std::deque<std::function<void()>> dropped;
    {
        Queue& q = queue();
        std::lock_guard lock(q.mutex);
        dropped.swap(q.work);
        q.watchedApp = nullptr;
        q.drainPosted = false;
    }
}

}  // namespace

bool UiThread::isCurrent()
{
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void UiThread::post(std::function<void()> work)
{
    // Without an application no event loop would ever run it later.
    if (!QCoreApplication::instance()) {
        work();
        return;
    }
    enqueue(std::move(work));
}

bool UiThread::enqueue(std::function<void()> work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    if (q.watchedApp != app) {
        qAddPostRoutine(&dropQueue);
        q.watchedApp = app;
    }
    q.work.push_back(std::move(work));
    if (q.deferDepth == 0)
        postDrain(q, app);
    return true;
}

UiThread::DeferCalls::DeferCalls()
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    ++q.deferDepth;
}

UiThread::DeferCalls::~DeferCalls()
{
    Queue& q = queue();
    std::lock_guard lock(q.mutex);
    if (--q.deferDepth == 0 && !q.work.empty())
        if (QCoreApplication* app = QCoreApplication::instance())
            postDrain(q, app);
}

Answer UiThreadPrompt::ask(Msg id, Buttons buttons, Icon icon, const std::string& text)
{
    try {
        return UiThread::call([&] { return m_ui.ask(id, buttons, icon, text); });
    } catch (const std::future_error&) {
        return NoActionAnswer(buttons);
    }
}

Answer NoActionAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    default:
        return Answer::No;
    }
}
