#pragma once
// Message boxes behind one interface: the program shows numbered strings (res/Strings)
// and acts on the answer; tests inject a scripted prompt that records ids and answers
// from a queue.
#include "res/Strings.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

// YesNoDefaultNo: Yes and No with No as the default button, for questions where Enter must not agree.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class Icon { None, Stop, Exclamation, Question, Information };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows message `id` (or `text` when it is not empty, e.g. a formatted string) and waits.
    virtual Answer ask(Msg id, Buttons buttons, Icon icon, const std::string& text = {}) = 0;
    void tell(Msg id, Icon icon = Icon::Exclamation, const std::string& text = {})
    {
        ask(id, Buttons::Ok, icon, text);
    }
};

// Answers from a queue (default: the first button) and records the number of every message
// asked; thread-safe
// because the bulk workers ask from their own threads.
class ScriptedPrompt : public Prompt {
public:
    Answer ask(Msg id, Buttons buttons, Icon icon, const std::string& text = {}) override;
    void queue(Answer a)
    {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(a);
    }
    std::vector<int> asked() const
    {
        std::lock_guard lock(m_mutex);
        return m_asked;
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_asked.clear();
        m_texts.clear();
        m_answers.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::deque<Answer> m_answers;
    std::vector<int> m_asked;
    std::vector<std::string> m_texts;
};
