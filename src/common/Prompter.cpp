#include "common/Prompter.h"

#include <QApplication>
#include <QMessageBox>

namespace korvelan {

namespace {

QMessageBox::Icon toQt(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

int run(PromptIcon icon, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(toQt(icon), title, text, buttons, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

void MessageBoxPrompter::inform(PromptIcon icon, const QString& title, const QString& text)
{
    run(icon, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

PromptAnswer MessageBoxPrompter::askYesNo(PromptIcon icon, const QString& title,
                                          const QString& text, PromptAnswer defaultAnswer)
{
    const auto def = defaultAnswer == PromptAnswer::Yes ? QMessageBox::Yes : QMessageBox::No;
    return run(icon, title, text, QMessageBox::Yes | QMessageBox::No, def) == QMessageBox::Yes
               ? PromptAnswer::Yes
               : PromptAnswer::No;
}

PromptAnswer MessageBoxPrompter::askRetryCancel(PromptIcon icon, const QString& title,
                                                const QString& text)
{
    return run(icon, title, text, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry) ==
                   QMessageBox::Retry
               ? PromptAnswer::Retry
               : PromptAnswer::Cancel;
}

bool confirmDestructive(Prompter& prompter, const QString& text)
{
    return prompter.askYesNo(PromptIcon::Critical, QStringLiteral("Warning"), text,
                             PromptAnswer::No) == PromptAnswer::Yes;
}

void MessageBoxPrompter::beep()
{
    QApplication::beep();
}

} // namespace korvelan
