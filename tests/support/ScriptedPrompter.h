#pragma once

#include "common/Prompter.h"

#include <QList>
#include <QString>

namespace korvelan::test {

// Records every message and answers questions from a script (default: the box's default).
class ScriptedPrompter final : public Prompter
{
public:
    struct Shown
    {
        QString kind; // "inform", "yesno", "retrycancel"
        PromptIcon icon;
        QString title;
        QString text;
        PromptAnswer defaultAnswer = PromptAnswer::Ok;
    };

    void inform(PromptIcon icon, const QString& title, const QString& text) override;
    PromptAnswer askYesNo(PromptIcon icon, const QString& title, const QString& text,
                          PromptAnswer defaultAnswer) override;
    PromptAnswer askRetryCancel(PromptIcon icon, const QString& title,
                                const QString& text) override;
    void beep() override { ++beeps; }

    void answerNext(PromptAnswer answer) { m_answers.append(answer); }
    [[nodiscard]] QStringList texts() const;
    [[nodiscard]] bool saw(const QString& text) const { return texts().contains(text); }

    QList<Shown> shown;
    int beeps = 0;

private:
    PromptAnswer next(PromptAnswer fallback);
    QList<PromptAnswer> m_answers;
};

} // namespace korvelan::test
