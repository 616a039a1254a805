#include "ui/MessageBoxPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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

int MessageBoxPrompter::askChoice(PromptIcon icon, const QString& title, const QString& text,
                                  const QStringList& answers, int defaultIndex, int escapeIndex)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    QList<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < answers.size(); ++i)
        buttons << box.addButton(answers[i], i == escapeIndex ? QMessageBox::RejectRole
                                                              : QMessageBox::AcceptRole);
    if (defaultIndex >= 0 && defaultIndex < buttons.size())
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons[defaultIndex]));
    if (escapeIndex >= 0 && escapeIndex < buttons.size())
        box.setEscapeButton(buttons[escapeIndex]);
    box.exec();
    const auto chosen = buttons.indexOf(box.clickedButton());
    return chosen >= 0 ? static_cast<int>(chosen) : escapeIndex;
}

void MessageBoxPrompter::beep()
{
    QApplication::beep();
}

} // namespace korvelan
