#pragma once

#include "common/Prompter.h"

#include <QList>
#include <QString>
#include <functional>

namespace korvelan::test {

// Records every message and answers questions from a script (default: the box's default).
class ScriptedPrompter final : public Prompter
{
public:
    struct Shown
    {
        QString kind; // "inform", "yesno", "retrycancel", "choice"
        PromptIcon icon;
        QString title;
        QString text;
        PromptAnswer defaultAnswer = PromptAnswer::Ok;
        QStringList answers; // a choice's answers, and the one Enter gives
        int defaultChoice = -1;
    };

    void inform(PromptIcon icon, const QString& title, const QString& text) override;
    PromptAnswer askYesNo(PromptIcon icon, const QString& title, const QString& text,
                          PromptAnswer defaultAnswer) override;
    PromptAnswer askRetryCancel(PromptIcon icon, const QString& title,
                                const QString& text) override;
    int askChoice(PromptIcon icon, const QString& title, const QString& text,
                  const QStringList& answers, int defaultIndex, int escapeIndex) override;
    void beep() override { ++beeps; }

    void answerNext(PromptAnswer answer) { m_answers.append(answer); }
    // The answer, by its text, to the next choice (default: the choice's default).
    void chooseNext(const QString& answer) { m_choices.append(answer); }
    [[nodiscard]] QStringList texts() const;
    [[nodiscard]] bool saw(const QString& text) const { return texts().contains(text); }

    QList<Shown> shown;
    int beeps = 0;
    // Runs while a Retry/Cancel question is on screen: what another program does meanwhile.
    std::function<void()> whileAsking;

private:
    PromptAnswer next(PromptAnswer fallback);
    QList<PromptAnswer> m_answers;
    QStringList m_choices;
};

} // namespace korvelan::test
