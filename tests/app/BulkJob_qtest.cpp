// A job's worker and the user-interface thread: what the worker asks is done there while the
// job runs; a stop ends the worker, even one waiting for an answer, without running the event loop.
#include "app/BulkJob.h"
#include "platform/Prompt.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

namespace {
struct Report {
    Answer answer = Answer::Cancel;
    std::optional<Result> written;
    bool weather = true;
    bool stillRunning = false;
};

const QDate kDay(2024, 5, 3);
}  // namespace

class BulkJobTest : public QObject {
    Q_OBJECT
private slots:
    void requestsRunOnTheUserInterfaceThread();
    void stopAnswersAWaitingWorkerAndRefusesLaterRequests_data();
    void stopAnswersAWaitingWorkerAndRefusesLaterRequests();
};

void BulkJobTest::requestsRunOnTheUserInterfaceThread()
{
    ScriptedPrompt prompt;
    prompt.queue(Answer::Yes);
    std::vector<QDate> written;
    QThread* uiThread = QThread::currentThread();
    bool writesOnUi = true;
    JobDesk desk;
    desk.prompt = &prompt;
    desk.writeDay = [&](const DayRecord& d) {
        writesOnUi = writesOnUi && QThread::currentThread() == uiThread;
        written.push_back(d.date);
        return Result{};
    };
    desk.writeWeather = [&](const QDate& date, const DayWeather&) {
        written.push_back(date);
        return true;
    };
    BulkJob<Report> job;
    std::optional<Report> finished;
    job.start(
        nullptr, Msg::BulkImportRunning, desk,
        [](JobLink& link) {
            Report r;
            r.answer = link.ask(Msg::ConfirmCancelBulkImport, Buttons::YesNo, Icon::Question);
            DayRecord d;
            d.date = kDay;
            r.written = link.writeDay(d);
            r.weather = link.writeWeather(kDay.addDays(1), DayWeather{});
            return r;
        },
        [&](const Report& r) {
            job.end(nullptr);
            finished = r;
        });
    QTRY_VERIFY(finished.has_value());
    QCOMPARE(finished->answer, Answer::Yes);
    QVERIFY(finished->written && finished->written->ok());
    QVERIFY(finished->weather);
    QCOMPARE(written, (std::vector<QDate>{kDay, kDay.addDays(1)}));
    QVERIFY(writesOnUi);
    QCOMPARE(prompt.asked(), std::vector<int>{int(Msg::ConfirmCancelBulkImport)});
    QVERIFY(!job.running());
}

// Each question a worker asks, once it is stopped: the answer that acts on nothing.
void BulkJobTest::stopAnswersAWaitingWorkerAndRefusesLaterRequests_data()
{
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<Answer>("expected");
    QTest::newRow("yes or no") << Buttons::YesNo << Answer::No;
    QTest::newRow("yes, no or cancel") << Buttons::YesNoCancel << Answer::Cancel;
    QTest::newRow("ok") << Buttons::Ok << Answer::Ok;
}

void BulkJobTest::stopAnswersAWaitingWorkerAndRefusesLaterRequests()
{
    QFETCH(Buttons, buttons);
    QFETCH(Answer, expected);
    ScriptedPrompt prompt;
    bool wrote = false;
    JobDesk desk;
    desk.prompt = &prompt;
    desk.writeDay = [&](const DayRecord&) {
        wrote = true;
        return Result{};
    };
    std::atomic<bool> asking{false};
    std::optional<Report> finished;
    BulkJob<Report> job;
    job.start(
        nullptr, Msg::BulkImportRunning, desk,
        [&asking, buttons](JobLink& link) {
            Report r;
            asking = true;
            r.answer = link.ask(Msg::ConfirmCancelBulkImport, buttons, Icon::Question);
            DayRecord d;
            d.date = kDay;
            r.written = link.writeDay(d);
            r.stillRunning = !link.stopping();
            return r;
        },
        [&](const Report& r) { finished = r; });
    // The worker asks its question, which this thread does not take: it runs no events.
    while (!asking)
        std::this_thread::yield();
    job.stop(nullptr);
    QVERIFY(!job.running());
    const Report r = job.lastReport();
    QCOMPARE(r.answer, expected);
    QVERIFY(!r.written);  // not written, and not a failure either: the job was stopped
    QVERIFY(!r.stillRunning);
    // What was queued for this thread before the stop does nothing when it comes now.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QVERIFY(prompt.asked().empty());
    QVERIFY(!wrote);
    QVERIFY(!finished);
}

QTEST_GUILESS_MAIN(BulkJobTest)
#include "BulkJob_qtest.moc"
