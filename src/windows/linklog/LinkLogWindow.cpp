#include "windows/linklog/LinkLogWindow.h"

#include "common/Prompter.h"
#include "link/LinkLog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvelan {

LinkLogWindow::LinkLogWindow(LinkLog& log, Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log), m_prompter(prompter)
{
    setObjectName(QStringLiteral("LinkLog"));
    setWindowTitle(QStringLiteral("Link log"));
    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("txtLog"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(LinkLog::kKeptLines);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_view->setAccessibleName(QStringLiteral("Link log"));

    auto* save = new QPushButton(QStringLiteral("Save…"), this);
    save->setObjectName(QStringLiteral("cmdSalvaLog"));
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("cmdPulisciLog"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    resize(760, 420);

    m_choose = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save the link log"),
                                            QStringLiteral("link-log.txt"),
                                            QStringLiteral("Text files (*.txt)"));
    };
    connect(save, &QPushButton::clicked, this, &LinkLogWindow::save);
    connect(clear, &QPushButton::clicked, &m_log, &LinkLog::clear);
    connect(&m_log, &LinkLog::lineAdded, this, &LinkLogWindow::append);
    connect(&m_log, &LinkLog::cleared, m_view, &QPlainTextEdit::clear);
}

void LinkLogWindow::showEvent(QShowEvent* event)
{
    // Hidden, the window does not follow the log; shown, it holds all the log keeps.
    m_view->setPlainText(text());
    m_view->moveCursor(QTextCursor::End);
    QWidget::showEvent(event);
}

QString LinkLogWindow::text() const
{
    QString out;
    for (const auto& line : m_log.lines())
        out += line + QLatin1Char('\n');
    out.chop(1);
    return out;
}

void LinkLogWindow::append(const QString& line)
{
    if (isVisible())
        m_view->appendPlainText(line);
}

void LinkLogWindow::save()
{
    const QString path = m_choose();
    if (path.isEmpty())
        return;
    QFile file(path);
    QByteArray content;
    for (const auto& line : m_log.lines())
        content += line.toUtf8() + "\r\n";
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size() || !file.flush())
        m_prompter.inform(PromptIcon::Warning, QStringLiteral("Link log"),
                          QStringLiteral("The link log could not be saved to %1:\n%2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace korvelan
