#include "platform/Progress.h"

#include <algorithm>
#include <csignal>
#include <iostream>
#include <unistd.h>

namespace {

// Written by the handler, so only lock-free atomics on this side.
std::atomic<Progress*> g_interruptTarget{nullptr};
struct sigaction g_previousInterrupt;

void onInterrupt(int)
{
    if (Progress* p = g_interruptTarget.load())
        p->cancel();
}

}  // namespace

ConsoleProgress::ConsoleProgress() : ConsoleProgress(std::cerr, isatty(STDERR_FILENO) == 1) {}

ConsoleProgress::ConsoleProgress(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}

ConsoleProgress::~ConsoleProgress()
{
    if (m_interruptInstalled) {
        sigaction(SIGINT, &g_previousInterrupt, nullptr);
        g_interruptTarget.store(nullptr);
    }
    std::lock_guard lock(m_mutex);
    if (m_lineOpen)
        m_out << '\n' << std::flush;
}

void ConsoleProgress::setRange(int maximum)
{
    std::lock_guard lock(m_mutex);
    m_maximum = std::max(maximum, 0);
    show(false);
}

void ConsoleProgress::setValue(int value)
{
    std::lock_guard lock(m_mutex);
    m_value = value;
    show(false);
}

void ConsoleProgress::setText(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    if (text == m_text)
        return;
    m_text = text;
    show(true);
}

void ConsoleProgress::show(bool force)
{
    int value = std::clamp(m_value, 0, m_maximum);
    int percent = m_maximum > 0 ? int(int64_t(value) * 100 / m_maximum) : -1;
    // A log gets a line per whole percent at most; a terminal line is cheap to rewrite.
    if (!force && !m_terminal && percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    std::string line = m_text;
    if (m_maximum > 0) {
        if (!line.empty())
            line += "  ";
        line +=
            std::to_string(value) + "/" + std::to_string(m_maximum) + " (" + std::to_string(percent) + "%)";
    }
    if (m_terminal) {
        // Back to the line's start and clear what a longer line left behind.
        m_out << '\r' << line << "\x1b[K" << std::flush;
        m_lineOpen = true;
    } else {
        m_out << line << '\n' << std::flush;
    }
}

void ConsoleProgress::cancelOnInterrupt()
{
    if (m_interruptInstalled)
        return;
    struct sigaction action = {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    g_interruptTarget.store(this);
    sigaction(SIGINT, &action, &g_previousInterrupt);
    m_interruptInstalled = true;
}
