#include "ScriptedPrompter.h"

namespace korvelan::test {

PromptAnswer ScriptedPrompter::next(PromptAnswer fallback)
{
    return m_answers.isEmpty() ? fallback : m_answers.takeFirst();
}

void ScriptedPrompter::inform(PromptIcon icon, const QString& title, const QString& text)
{
    shown.append({QStringLiteral("inform"), icon, title, text, PromptAnswer::Ok, {}, -1});
}

PromptAnswer ScriptedPrompter::askYesNo(PromptIcon icon, const QString& title, const QString& text,
                                        PromptAnswer defaultAnswer)
{
    shown.append({QStringLiteral("yesno"), icon, title, text, defaultAnswer, {}, -1});
    return next(defaultAnswer);
}

PromptAnswer ScriptedPrompter::askRetryCancel(PromptIcon icon, const QString& title,
                                              const QString& text)
{
    shown.append({QStringLiteral("retrycancel"), icon, title, text, PromptAnswer::Retry, {}, -1});
    if (whileAsking)
        whileAsking();
    return next(PromptAnswer::Cancel);
}

int ScriptedPrompter::askChoice(PromptIcon icon, const QString& title, const QString& text,
                                const QStringList& answers, int defaultIndex, int)
{
    shown.append(
        {QStringLiteral("choice"), icon, title, text, PromptAnswer::Ok, answers, defaultIndex});
    if (m_choices.isEmpty())
        return defaultIndex;
    return static_cast<int>(answers.indexOf(m_choices.takeFirst()));
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const auto& s : shown)
        out << s.text;
    return out;
}

} // namespace korvelan::test
