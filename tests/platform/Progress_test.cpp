#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <sstream>
#include <thread>

TEST(Progress, CancelFromAnotherThreadStopsTheWorker)
{
    std::ostringstream out;
    ConsoleProgress progress(out, false);
    std::promise<void> started;
    int steps = 0;
    std::thread worker([&] {
        started.set_value();
        // The worker polls between steps, as the bulk jobs do.
        while (!progress.cancelled())
            ++steps;
    });
    started.get_future().wait();
    progress.cancel();
    worker.join();
    EXPECT_TRUE(progress.cancelled());

    // A kept progress serves the next job uncancelled.
    progress.reset();
    EXPECT_FALSE(progress.cancelled());
}

TEST(Progress, ConsoleLogWritesOneLinePerPercent)
{
    std::ostringstream out;
    ConsoleProgress progress(out, false);
    progress.setText("写真を読み込み中");
    progress.setRange(400);
    for (int i = 0; i <= 8; ++i)
        progress.setValue(i);
    progress.setText("20130420.jpg");
    progress.setValue(900);  // beyond the range: shown as complete
    EXPECT_EQ(out.str(), "写真を読み込み中\n"
                         "写真を読み込み中  0/400 (0%)\n"
                         "写真を読み込み中  4/400 (1%)\n"
                         "写真を読み込み中  8/400 (2%)\n"
                         "20130420.jpg  8/400 (2%)\n"
                         "20130420.jpg  400/400 (100%)\n");
}

TEST(Progress, ConsoleTerminalRewritesOneLineAndEndsIt)
{
    std::ostringstream out;
    {
        ConsoleProgress progress(out, true);
        progress.setRange(2);
        progress.setValue(1);
        progress.setValue(2);
    }
    EXPECT_EQ(out.str(), "\r0/2 (0%)\x1b[K\r1/2 (50%)\x1b[K\r2/2 (100%)\x1b[K\n");
}

TEST(Progress, InterruptCancelsWhileInstalled)
{
    std::ostringstream out;
    auto previous = std::signal(SIGINT, SIG_IGN);
    {
        ConsoleProgress progress(out, false);
        progress.cancelOnInterrupt();
        std::raise(SIGINT);
        EXPECT_TRUE(progress.cancelled());
    }
    // The handler before it is back: ignoring, so this raise does nothing.
    std::raise(SIGINT);
    EXPECT_EQ(std::signal(SIGINT, previous), SIG_IGN);
}
