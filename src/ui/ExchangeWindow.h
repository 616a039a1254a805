#pragma once

#include "ui/CommandLock.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

class QAbstractButton;

namespace korvelan {

class Prompter;
class Transport;

// A window of its own that talks to the logger and takes the main window's place while it
// is open: opening it hides the main window, closing it shows the main window again.
//
// Its exchanges run as actions with its own buttons off meanwhile. Closing it during one
// ends the exchange first, and the window goes once the exchange has unwound.
class ExchangeWindow : public QWidget
{
    Q_OBJECT
public:
    // `channelCount(m)`: the active channels of multiplexer m, as the main window shows them.
    ExchangeWindow(Transport& transport, Prompter& prompter, std::function<int(int)> channelCount,
                   QWidget* parent = nullptr);

    // Hides `main` and shows this window in its place, as it is when opened.
    void openInPlaceOf(QWidget* main);
    // An exchange of this window is under way.
    [[nodiscard]] bool busy() const { return m_lock.locked(); }

    // Takes part in the window's lock: off during every exchange.
    void addLocked(QAbstractButton* button);
    // Runs `body` as an action, the window's buttons off until the outermost one ends; then
    // the buttons are set as the window's state says (updateButtons).
    template <typename Body> void exchange(Body&& body)
    {
        m_lock.exchange(std::forward<Body>(body));
        if (!m_lock.locked())
            updateButtons();
    }

protected:
    // A channel as a parameter: its number with the leading blank, then the comma.
    [[nodiscard]] static QString channelParameter(int channel);
    // Sets the buttons that are not always usable once no exchange runs.
    virtual void updateButtons() {}
    // Puts the window back as it is when opened.
    virtual void prepareForOpening() {}

    void closeEvent(QCloseEvent* event) override;

    Transport& m_transport;
    Prompter& m_prompter;
    std::function<int(int)> m_channelCount;

private:
    CommandLock m_lock;
    QPointer<QWidget> m_main;
    bool m_closeRequested = false;
};

} // namespace korvelan
