#include "collect/ConsolePrompter.h"

namespace korvelan {

namespace {

QString oneLine(const QString& text)
{
    QString line = text.trimmed();
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    return line.simplified();
}

QString answerText(PromptAnswer answer)
{
    switch (answer) {
    case PromptAnswer::Ok:
        return QStringLiteral("OK");
    case PromptAnswer::Yes:
        return QStringLiteral("Yes");
    case PromptAnswer::No:
        return QStringLiteral("No");
    case PromptAnswer::Retry:
        return QStringLiteral("Retry");
    case PromptAnswer::Cancel:
        return QStringLiteral("Cancel");
    }
    return QString();
}

} // namespace

void ConsolePrompter::say(const QString& title, const QString& text, const QString& answer)
{
    m_last = oneLine(text);
    QString line = title.trimmed().isEmpty() ? QString() : oneLine(title) + QStringLiteral(": ");
    line += m_last;
    if (!answer.isEmpty())
        line += QStringLiteral(" [answered: %1]").arg(answer);
    if (m_print)
        m_print(line);
}

void ConsolePrompter::inform(PromptIcon, const QString& title, const QString& text)
{
    say(title, text);
}

PromptAnswer ConsolePrompter::askYesNo(PromptIcon, const QString& title, const QString& text,
                                       PromptAnswer defaultAnswer)
{
    say(title, text, answerText(defaultAnswer));
    return defaultAnswer;
}

PromptAnswer ConsolePrompter::askRetryCancel(PromptIcon, const QString& title, const QString& text)
{
    say(title, text, answerText(PromptAnswer::Cancel));
    return PromptAnswer::Cancel;
}

int ConsolePrompter::askChoice(PromptIcon, const QString& title, const QString& text,
                               const QStringList& answers, int defaultIndex, int)
{
    say(title, text, answers.value(defaultIndex));
    return defaultIndex;
}

} // namespace korvelan
