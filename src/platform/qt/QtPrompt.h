#pragma once
// Message boxes: the numbered string, the application title as caption.
#include "platform/Prompt.h"

class QWidget;

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    Answer ask(Msg id, Buttons buttons, Icon icon, const std::string& text = {}) override;

private:
    QWidget* m_parent;
};
