#pragma once
// The main of a bench whose pages draw text: an offscreen Gui application around the benchmarks,
// then `after` (a summary line), and the clock set back to the real day.
#include "platform/Clock.h"

#include <QDate>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>

inline int RunGuiBenchmarks(int argc, char** argv, const std::function<void()>& after = {})
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (after)
        after();
    Clock::SetToday(QDate());
    return 0;
}
