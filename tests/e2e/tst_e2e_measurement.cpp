// A continuous reading over a pseudo-terminal with korvelan-sim, in real time: the program's
// serial port, clock and windows, a few cycles.
#include "measurement/MeasurementText.h"
#include "support/SimulatorLink.h"
#include "ui/FieldEdit.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/MainWindow.h"
#include "windows/main/ReadNowGroup.h"
#include "windows/measurement/MisCont.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvelan;

class TestEndToEndMeasurement : public QObject
{
    Q_OBJECT
private slots:
    void readsAndRunsAgainstTheEmulator();
};

void TestEndToEndMeasurement::readsAndRunsAgainstTheEmulator()
{
    test::SimulatorLink link;
    QString error;
    QVERIFY2(link.start(QStringLiteral(KORVELAN_SIM_PROGRAM), {}, &error), qPrintable(error));
    QTemporaryDir dir;
    auto& prompter = link.prompter;
    MainWindow main(link.transport, prompter, link.session);
    main.setProgramFolder(dir.path());

    // "Read Mux 1" after the channels are known: two analog values.
    main.channels().leggicanali();
    QCOMPARE(main.channels().MUX(1)->text(), QStringLiteral(" 2"));
    main.readNow().MISCONTINUA(1);
    QVERIFY(main.readNow().value(0)->text().toDouble() > 0);
    QVERIFY(main.readNow().value(1)->text().toDouble() > 0);
    QCOMPARE(main.readNow().value(2)->text(), QStringLiteral("N.R."));

    // Three cycles of the continuous reading into a file.
    main.readNow().cmdApriMisuraContinua();
    MisCont& w = *main.readNow().misCont();
    const QString path = dir.filePath(QStringLiteral("e2e.txt"));
    w.setFileChooser([&path](QWidget*, const QString&, const QString&) { return path; });
    connect(&w, &MisCont::cycleCompleted, &w, [&w](qint64 n) {
        if (n == 3)
            w.cmdStop();
    });
    QElapsedTimer took;
    took.start();
    w.cmdStart();
    qInfo("probe and three cycles: %lld ms", static_cast<long long>(took.elapsed()));

    QVERIFY2(prompter.shown.isEmpty(), qPrintable(prompter.texts().join(u'|')));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 7); // six lines and the empty text after the last line end
    QCOMPARE(lines.at(0), measurement::kFileStart);
    QCOMPARE(lines.at(1), QStringLiteral("Date,0CH 0,0CH 1,0CH 2,0CH 3,1CH 0,1CH 1"));
    QCOMPARE(lines.at(4).count(u','), 6); // the readings' form is asserted on the emulator
    QCOMPARE(lines.at(5), measurement::kFileEnd);
    QVERIFY(took.elapsed() < 20000);
    link.transport.Chiudi_Seriale();
}

QTEST_MAIN(TestEndToEndMeasurement)
#include "tst_e2e_measurement.moc"
