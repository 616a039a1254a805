#pragma once

// The main window and its continuous reading on the emulated logger, with the program folder
// in a temporary folder, a fixed time of day and a measurement file chosen without a dialog.
#include "support/Files.h"
#include "windows/main/MainRig.h"
#include "windows/main/ReadNowGroup.h"
#include "windows/measurement/MisCont.h"

#include <QTemporaryDir>

namespace korvelan::test {

struct MeasureRig : MainRig
{
    QTemporaryDir dir;
    QString chosen = dir.filePath(QStringLiteral("run.txt"));
    QString proposed;

    // Channels on multiplexers 0 and 1; channels 0 and 16 are vibrating-wire ones.
    explicit MeasureRig(int count0 = 2, int count1 = 1)
    {
        logger.setChannelCount(0, count0);
        logger.setChannelCount(1, count1);
        auto& vw = logger.settings().vibratingWire;
        vw.fill(false);
        vw[0] = vw[16] = true;
        window.setProgramFolder(dir.path());
    }

    MisCont& open()
    {
        click(QStringLiteral("cmdApriMisuraContinua"));
        MisCont* w = window.readNow().misCont();
        w->setWallClock([] { return QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9)); });
        w->setFileChooser([this](QWidget*, const QString& folder, const QString& name) {
            proposed = QDir(folder).filePath(name);
            return chosen;
        });
        return *w;
    }
    [[nodiscard]] QStringList fileLines() const
    {
        return QString::fromLatin1(readBytes(chosen))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
};

} // namespace korvelan::test
