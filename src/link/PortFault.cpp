#include "link/PortFault.h"

namespace korvelan {

QString portErrorText(int port, const QString& device, PortFault fault, const QString& systemText)
{
    const QString where = QStringLiteral("COM %1 (%2)").arg(port).arg(device);
    switch (fault) {
    case PortFault::Missing:
        return where + QStringLiteral(" does not exist — is the adapter plugged in?");
    case PortFault::Denied:
        return where +
               QStringLiteral(": permission denied — add your user to the dialout group and log in "
                              "again");
    case PortFault::Busy:
        return where + QStringLiteral(" is used by another program — close it and try again");
    case PortFault::None:
    case PortFault::Other:
        break;
    }
    return where + QStringLiteral(" cannot be opened: ") + systemText;
}

} // namespace korvelan
