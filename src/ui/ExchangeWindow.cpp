#include "ui/ExchangeWindow.h"

#include "link/NumberForms.h"
#include "link/Transport.h"

#include <QAbstractButton>
#include <QCloseEvent>

namespace korvelan {

ExchangeWindow::ExchangeWindow(Transport& transport, Prompter& prompter,
                               std::function<int(int)> channelCount, QWidget* parent)
    : QWidget(parent, Qt::Window), m_transport(transport), m_prompter(prompter),
      m_channelCount(std::move(channelCount)), m_lock(transport)
{}

void ExchangeWindow::addLocked(QAbstractButton* button)
{
    m_lock.add(button);
}

QString ExchangeWindow::channelParameter(int channel)
{
    return numbers::leadingBlank(qint64(channel)) + QLatin1Char(',');
}

void ExchangeWindow::openInPlaceOf(QWidget* main)
{
    m_main = main;
    m_closeRequested = false;
    prepareForOpening();
    updateButtons();
    if (main)
        main->hide();
    show();
    raise();
    activateWindow();
}

void ExchangeWindow::closeEvent(QCloseEvent* event)
{
    if (m_transport.inAction() || m_transport.isWaiting()) {
        // An exchange of this window is on the stack below: end it, and go once it has
        // unwound.
        event->ignore();
        if (!m_closeRequested) {
            m_closeRequested = true;
            m_transport.cancelExchange();
            m_transport.whenIdle([this] { close(); });
        }
        return;
    }
    event->accept();
    m_closeRequested = false;
    if (m_main)
        m_main->show();
}

} // namespace korvelan
