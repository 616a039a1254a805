#include "windows/about/AboutBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace korvelan {

QString AboutBox::systemInfoTool()
{
    // msinfo32 on Windows; on Linux desktops the common information tools, if installed.
    static const char* const candidates[] = {"msinfo32", "hardinfo2", "hardinfo", "kinfocenter",
                                             "gnome-system-monitor"};
    for (const char* name : candidates) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About KORVELAN"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("<h2>KORVELAN</h2>"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(KORVELAN_VERSION)), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* description =
        new QLabel(QStringLiteral("Configuration and data download for field data loggers."), this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(description);

    auto* buttons = new QDialogButtonBox(this);
    m_sysInfo = buttons->addButton(QStringLiteral("&System Info..."), QDialogButtonBox::ActionRole);
    m_sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    auto* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("cmdOK"));
    layout->addWidget(buttons);

    const QString tool = systemInfoTool();
    if (tool.isEmpty()) {
        m_sysInfo->setEnabled(false);
        m_sysInfo->setToolTip(
            QStringLiteral("No system information tool is installed on this computer."));
    } else {
        connect(m_sysInfo, &QPushButton::clicked, this,
                [tool] { QProcess::startDetached(tool, {}); });
    }
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace korvelan
