#include "ScriptedPrompter.h"

namespace korvelan::test {

PromptAnswer ScriptedPrompter::next(PromptAnswer fallback)
{
    return m_answers.isEmpty() ? fallback : m_answers.takeFirst();
}

void ScriptedPrompter::inform(PromptIcon icon, const QString& title, const QString& text)
{
    shown.append({QStringLiteral("inform"), icon, title, text, PromptAnswer::Ok});
}

PromptAnswer ScriptedPrompter::askYesNo(PromptIcon icon, const QString& title, const QString& text,
                                        PromptAnswer defaultAnswer)
{
    shown.append({QStringLiteral("yesno"), icon, title, text, defaultAnswer});
    return next(defaultAnswer);
}

PromptAnswer ScriptedPrompter::askRetryCancel(PromptIcon icon, const QString& title,
                                              const QString& text)
{
    shown.append({QStringLiteral("retrycancel"), icon, title, text, PromptAnswer::Retry});
    return next(PromptAnswer::Cancel);
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const auto& s : shown)
        out << s.text;
    return out;
}

} // namespace korvelan::test
