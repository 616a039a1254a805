// Renders the main window, page by page, filled from the emulated logger, into PNG files.
// Usage: korvelan-screenshots OUTPUT_DIR
#include "../main/MainRig.h"
#include "windows/main/FileArea.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>

using namespace korvelan;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    test::MainRig rig;
    rig.window.fileArea()->setFolder(QDir::homePath());
    for (const auto& read : rig.window.connectionReads())
        read.action();
    rig.window.applyModel(0);
    rig.window.resize(rig.window.sizeHint().expandedTo(QSize(900, 560)));
    rig.window.show();
    auto* tabs = rig.window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const QString name = tabs->tabText(i).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        rig.window.grab().save(QDir(out).filePath(QStringLiteral("main-%1.png").arg(name)));
    }
    return 0;
}
