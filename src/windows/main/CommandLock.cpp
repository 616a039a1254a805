#include "windows/main/CommandLock.h"

#include "link/Transport.h"

namespace korvelan {

bool CommandLock::mayStart() const
{
    return m_transport.mayStartExchange();
}

void CommandLock::Disabilita_Comandi()
{
    m_transport.beginExchange();
    setEnabled(false);
}

void CommandLock::Abilita_Comandi()
{
    setEnabled(true);
}

void CommandLock::setEnabled(bool on)
{
    m_locked = !on;
    for (const auto& control : m_controls) {
        if (control)
            control->setEnabled(on);
    }
}

} // namespace korvelan
