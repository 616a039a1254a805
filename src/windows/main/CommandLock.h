#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace korvelan {

class Transport;

// The main window's logger controls, disabled together while a handler talks to the logger.
// Nesting is not counted: an inner handler's unlock unlocks, as the operator expects from a
// handler that runs another.
class CommandLock
{
public:
    explicit CommandLock(Transport& transport) : m_transport(transport) {}

    void add(QWidget* control) { m_controls.append(control); }
    [[nodiscard]] const QList<QPointer<QWidget>>& controls() const { return m_controls; }

    // False while another exchange waits: a click delivered from inside that wait must not
    // start a second exchange on the same link.
    [[nodiscard]] bool mayStart() const;

    void Disabilita_Comandi();
    void Abilita_Comandi();

    // Runs a handler's exchange: nothing when another one waits; otherwise locked while it
    // runs and unlocked when it ends, whichever way it ends.
    template <typename Body> void exchange(Body&& body)
    {
        if (!mayStart())
            return;
        Disabilita_Comandi();
        body();
        Abilita_Comandi();
    }
    [[nodiscard]] bool locked() const { return m_locked; }

private:
    void setEnabled(bool on);

    Transport& m_transport;
    QList<QPointer<QWidget>> m_controls;
    bool m_locked = false;
};

} // namespace korvelan
