// Handing work to the user-interface thread: a worker's call runs there and its answer (or
// exception) comes back; a call made on that thread runs at once; everything queued runs in
// order; a deferral holds queued work until it ends.
#include "platform/UiThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Runs `worker` on its own thread while this thread's event loop serves it, until the worker
// posts that it is done. False when that did not happen within ten seconds.
bool RunWorker(const std::function<void()>& worker)
{
    QEventLoop loop;
    bool finished = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(10000);
    std::thread t([&] {
        worker();
        UiThread::post([&] {
            finished = true;
            loop.quit();
        });
    });
    loop.exec();
    if (!finished) {
        // The worker may still wait for this thread; serve it so the join below returns.
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    t.join();
    return guard.isActive();
}

// Records the thread each question is asked on and answers from a list.
class ThreadRecordingPrompt : public Prompt {
public:
    Answer ask(Msg id, Buttons, Icon, const std::string& text) override
    {
        threads.push_back(QThread::currentThread());
        ids.push_back(MsgId(id));
        texts.push_back(text);
        return answers.at(ids.size() - 1);
    }
    std::vector<Answer> answers;
    std::vector<QThread*> threads;
    std::vector<int> ids;
    std::vector<std::string> texts;
};

}  // namespace

class UiThreadTest : public QObject {
    Q_OBJECT
private slots:
    void workerCallRunsOnTheUiThreadAndReturns();
    void callOnTheUiThreadRunsAtOnce();
    void queuedWorkRunsInOrder();
    void deferralHoldsQueuedWork();
    void workerPromptAsksTheUiPrompt();
};

void UiThreadTest::workerCallRunsOnTheUiThreadAndReturns()
{
    QThread* ui = QThread::currentThread();
    QThread* ranOn = nullptr;
    int answer = 0;
    std::string thrown;
    bool workerSawUi = true;
    QVERIFY(RunWorker([&] {
        workerSawUi = UiThread::isCurrent();
        answer = UiThread::call([&] {
            ranOn = QThread::currentThread();
            return 42;
        });
        try {
            UiThread::call([]() -> int { throw std::runtime_error("no such day"); });
        } catch (const std::runtime_error& e) {
            thrown = e.what();
        }
        // A void call waits too: its effect is visible once it returns.
        UiThread::call([&] { answer += 1; });
    }));
    QVERIFY(!workerSawUi);
    QCOMPARE(ranOn, ui);
    QCOMPARE(answer, 43);
    QCOMPARE(thrown, std::string("no such day"));
}

void UiThreadTest::callOnTheUiThreadRunsAtOnce()
{
    QVERIFY(UiThread::isCurrent());
    // No event loop runs here: were the call queued, it would never return.
    QCOMPARE(UiThread::call([] { return 7; }), 7);
    UiThread::DeferCalls defer;
    QCOMPARE(UiThread::call([] { return std::string("held"); }), std::string("held"));
}

void UiThreadTest::queuedWorkRunsInOrder()
{
    std::vector<int> seen;
    // Posting from the user-interface thread queues too: nothing runs before the loop does.
    UiThread::post([&] { seen.push_back(-1); });
    QVERIFY(seen.empty());
    QVERIFY(RunWorker([&] {
        for (int i = 0; i < 200; ++i) {
            if (i % 50 == 49)
                UiThread::call([&, i] { seen.push_back(i); });
            else
                UiThread::post([&, i] { seen.push_back(i); });
        }
    }));
    std::vector<int> expected{-1};
    for (int i = 0; i < 200; ++i)
        expected.push_back(i);
    QCOMPARE(seen, expected);
}

void UiThreadTest::deferralHoldsQueuedWork()
{
    std::vector<int> seen;
    {
        UiThread::DeferCalls outer;
        UiThread::post([&] { seen.push_back(1); });
        {
            UiThread::DeferCalls inner;
            UiThread::post([&] { seen.push_back(2); });
        }
        QCoreApplication::processEvents();
        QVERIFY(seen.empty());
    }
    // The end of the deferral queues the held work again by itself.
    QCoreApplication::processEvents();
    QCOMPARE(seen, (std::vector<int>{1, 2}));
}

void UiThreadTest::workerPromptAsksTheUiPrompt()
{
    ThreadRecordingPrompt ui;
    ui.answers = {Answer::No, Answer::Ok};
    UiThreadPrompt forward(ui);
    Answer first = Answer::Yes;
    QVERIFY(RunWorker([&] {
        first = forward.ask(Msg::ConfirmDeleteDay, Buttons::YesNo, Icon::Question);
        forward.tell(Msg::InternetConnectFailed, Icon::Stop, "20130420");
    }));
    QCOMPARE(first, Answer::No);
    QCOMPARE(ui.ids, (std::vector<int>{141, 150}));
    QCOMPARE(ui.texts.back(), std::string("20130420"));
    QCOMPARE(ui.threads, (std::vector<QThread*>{QThread::currentThread(), QThread::currentThread()}));
}

int main(int argc, char** argv)
{
    // A hung wait fails the test instead of holding the run.
    if (qEnvironmentVariableIsEmpty("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "60000");
    QCoreApplication app(argc, argv);
    UiThreadTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "UiThread_qtest.moc"
