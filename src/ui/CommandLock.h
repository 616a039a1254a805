#pragma once

#include "link/Transport.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace korvelan {

// The main window's logger controls, disabled together while a handler talks to the logger.
//
// A handler that runs another (a write that reads back, the reset's reads) keeps the window
// locked until the outermost handler ends, so no control flickers back on between the inner
// exchanges. After the operator's RESTORE the action is over: inner handlers do not start.
class CommandLock
{
public:
    explicit CommandLock(Transport& transport) : m_transport(transport) {}

    void add(QWidget* control) { m_controls.append(control); }
    [[nodiscard]] const QList<QPointer<QWidget>>& controls() const { return m_controls; }

    // False while another exchange waits (a click delivered from inside that wait must not
    // start a second exchange on the same link), or when the action was cancelled.
    [[nodiscard]] bool mayStart() const { return m_transport.mayStartAction(); }

    void Disabilita_Comandi() { setEnabled(false); }
    void Abilita_Comandi() { setEnabled(true); }

    // Runs a handler's exchange as an action: nothing when it may not start; otherwise
    // locked while it runs and unlocked when the outermost handler ends, whichever way.
    template <typename Body> void exchange(Body&& body)
    {
        m_transport.action([&] {
            if (m_depth++ == 0)
                Disabilita_Comandi();
            body();
            if (--m_depth == 0)
                Abilita_Comandi();
        });
    }
    [[nodiscard]] bool locked() const { return m_locked; }

private:
    void setEnabled(bool on);

    Transport& m_transport;
    QList<QPointer<QWidget>> m_controls;
    int m_depth = 0;
    bool m_locked = false;
};

} // namespace korvelan
