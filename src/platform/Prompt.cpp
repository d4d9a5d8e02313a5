#include "platform/Prompt.h"

#include "res/Strings.h"

Answer ScriptedPrompt::ask(Msg id, Buttons buttons, Icon, const std::string& text)
{
    std::lock_guard lock(m_mutex);
    m_asked.push_back(MsgId(id));
    m_texts.push_back(text.empty() ? std::string(LoadString(id)) : text);
    if (!m_answers.empty()) {
        Answer a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    // With an empty queue the default button is pressed.
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::YesNoDefaultNo:
        return Answer::No;
    default:
        return Answer::Ok;
    }
}
