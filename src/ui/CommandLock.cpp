#include "ui/CommandLock.h"

namespace korvelan {

void CommandLock::setEnabled(bool on)
{
    m_locked = !on;
    for (const auto& control : m_controls) {
        if (control)
            control->setEnabled(on);
    }
}

} // namespace korvelan
