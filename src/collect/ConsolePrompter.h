#pragma once

#include "common/Prompter.h"

#include <QString>
#include <functional>
#include <utility>

namespace korvelan {

// The message boxes of a run without a screen: every message is handed on as one line (to
// standard error), and every question takes its default answer (Cancel where a box would
// offer Retry, so nothing waits for a person who is not there). The last message is kept for
// the run's summary.
class ConsolePrompter final : public Prompter
{
public:
    using Print = std::function<void(const QString& line)>;
    explicit ConsolePrompter(Print print) : m_print(std::move(print)) {}

    void inform(PromptIcon icon, const QString& title, const QString& text) override;
    PromptAnswer askYesNo(PromptIcon icon, const QString& title, const QString& text,
                          PromptAnswer defaultAnswer) override;
    PromptAnswer askRetryCancel(PromptIcon icon, const QString& title,
                                const QString& text) override;
    int askChoice(PromptIcon icon, const QString& title, const QString& text,
                  const QStringList& answers, int defaultIndex, int escapeIndex) override;
    void beep() override {}

    // The text of the last message or question, on one line; empty when there was none since
    // the last call.
    QString takeLast() { return std::exchange(m_last, {}); }

private:
    void say(const QString& title, const QString& text, const QString& answer = {});

    Print m_print;
    QString m_last;
};

} // namespace korvelan
