#pragma once
// A progress that keeps the range and the value a bulk run reported, readable from any thread.
#include "platform/Progress.h"

#include <atomic>
#include <string>

class CountingProgress : public Progress {
public:
    void setRange(int m) override { maximum = m; }
    void setValue(int v) override { value = v; }
    void setText(const std::string&) override {}
    std::atomic<int> maximum{0}, value{0};
};
