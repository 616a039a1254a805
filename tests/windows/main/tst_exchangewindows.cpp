// The sensor window and the alert and warning window against the emulated logger, each
// opened from the main window in its place: the records they read, the sensor banks with
// their jumper warning, a close during a read. Their writes and the checks made before them
// are rows of the settings groups' write table.
#include "MainRig.h"
#include "support/Typing.h"
#include "ui/FieldEdit.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/sensors/SensorWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::MainRig;

namespace {

const QString kJumperWarning =
    QStringLiteral("Checkbox value needs to correspond to physical jumper settings on datalogger "
                   "board.\r\n\r\nProceed?");

// The window opened from the main window, with the channel counts given for MUX0, MUX1, ...
template <typename Window> Window& open(MainRig& rig, const QStringList& counts)
{
    for (int m = 0; m < counts.size(); ++m)
        rig.window.channels().MUX(m)->setText(counts[m]);
    rig.window.show();
    if constexpr (std::is_same_v<Window, SensorWindow>) {
        rig.click(QStringLiteral("Leggi_poprietà"));
        return rig.window.sensors();
    } else {
        rig.click(QStringLiteral("Leggi_Allarmi"));
        return rig.window.alarms();
    }
}

void press(QWidget& w, const QString& name)
{
    w.findChild<QPushButton*>(name)->click();
}

// The reads of `n` channels from `first`: two commands each.
QStringList reads(const char* record, const char* flag, int first, int n)
{
    QStringList out;
    for (int c = first; c < first + n; ++c)
        out << QStringLiteral("%1 %2,").arg(QLatin1String(record)).arg(c)
            << QStringLiteral("%1 %2,").arg(QLatin1String(flag)).arg(c);
    return out;
}

QStringList row(const SensorWindow& w, int i)
{
    QStringList out{w.NomeCanali(i)->text()};
    for (int c = 0; c < 4; ++c)
        out << w.value(i, c)->text();
    return out;
}

QStringList rowTexts(const AlarmWindow& w, int row)
{
    QStringList out;
    for (int c = 0; c < 5; ++c)
        out << w.box(row, c)->text();
    return out;
}

} // namespace

class ExchangeWindowsTest : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void bankWarning_data();
    void bankWarning();
    void closingDuringAReadEndsIt();
    void rowsOfAMultiplexer();
    void rowsOfAVirtualMultiplexer();
};

void ExchangeWindowsTest::read_data()
{
    QTest::addColumn<int>("mux");
    QTest::addColumn<QString>("count"); // as the main window's box holds it
    QTest::addColumn<QStringList>("firstRow");
    // The demo logger: four vibrating-wire channels on MUX0's first bank, analog on MUX1.
    QTest::newRow("MUX0, vibrating wire") << 0 << "4" << QStringList{"CH0", "0", "2.5", "0", "100"};
    QTest::newRow("MUX1") << 1 << " 3" << QStringList{"LEVEL-01", "0", "2.5", "0", "350"};
    const QStringList unread{"Disabled", "Da Leggere", "Da Leggere", "Da Leggere", "Da Leggere"};
    QTest::newRow("no channel") << 1 << "0" << unread;
}

void ExchangeWindowsTest::read()
{
    QFETCH(int, mux);
    QFETCH(QString, count);
    QFETCH(QStringList, firstRow);
    MainRig rig;
    const int n = count.trimmed().toInt();
    const bool bank0 = mux == 0 && n > 0;
    auto& w = open<SensorWindow>(rig, mux == 0 ? QStringList{count, "0"} : QStringList{"0", count});
    QVERIFY(!rig.window.isVisible() && w.isVisible());
    QCOMPARE(row(w, 5), (QStringList(5, "Da Leggere")));
    QVERIFY(!w.writeButton(0)->isEnabled() && !w.writeButton(1)->isEnabled());

    w.readButton(mux)->click();
    QCOMPARE(rig.sent(), reads("R", "]", 16 * mux, n));
    QCOMPARE(row(w, 0), firstRow);
    for (int i = 0; i < SensorWindow::kRows; ++i) {
        QCOMPARE(w.NomeCanali(i)->isEnabled(), i < n);
        if (i >= n)
            QCOMPARE(w.NomeCanali(i)->text(), QStringLiteral("Disabled"));
        // Through the bank box, every row of a vibrating-wire bank, read or not.
        QCOMPARE(w.chkSghembo(i)->isChecked(), i < 8 && bank0);
    }
    QCOMPARE(w.chkBanco(0)->isChecked(), bank0);
    QVERIFY(rig.prompter.shown.isEmpty() && !w.bankMarked(0));
    // Only the multiplexer on screen can be written.
    QVERIFY(w.writeButton(mux)->isEnabled() && !w.writeButton(1 - mux)->isEnabled());
}

void ExchangeWindowsTest::bankWarning_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void ExchangeWindowsTest::bankWarning()
{
    QFETCH(bool, yes);
    MainRig rig;
    auto& w = open<SensorWindow>(rig, {"0", "2"});
    w.readButton(1)->click();
    rig.prompter.answerNext(yes ? PromptAnswer::Yes : PromptAnswer::No);
    test::pressBox(w.chkBanco(0));
    QCOMPARE(rig.prompter.texts(), QStringList{kJumperWarning});
    // No leaves the bank as it was, box included.
    QCOMPARE(w.chkBanco(0)->isChecked(), yes);
    QCOMPARE(w.bankMarked(0), yes);
    for (int i = 0; i < SensorWindow::kRows; ++i)
        QCOMPARE(w.chkSghembo(i)->isChecked(), yes && i < 8);

    const auto before = rig.sent().size();
    w.writeButton(1)->click();
    QCOMPARE(rig.sent()[before + 1], yes ? QStringLiteral("[ 16,1,") : QStringLiteral("[ 16,0,"));
    // The read-back shows the bank as written, no longer marked, without asking.
    QVERIFY(w.chkBanco(0)->isChecked() == yes && !w.bankMarked(0));
    QCOMPARE(rig.prompter.shown.size(), 1);
}

void ExchangeWindowsTest::closingDuringAReadEndsIt()
{
    MainRig rig;
    auto& w = open<SensorWindow>(rig, {"4", "0"});
    rig.logger.setSilentFrom(1);
    const auto start = rig.clock.now();
    bool buttonsOff = true;
    rig.clock.setOnWaitStep([&] {
        for (auto* b : {w.readButton(0), w.readButton(1), w.writeButton(0)})
            buttonsOff &= !b->isEnabled();
        buttonsOff &= !w.chkBanco(1)->isEnabled();
        // The operator closes the window while the first record is awaited.
        if (w.isVisible() && rig.logger.commands().size() == 1)
            w.close();
    });
    w.readButton(0)->click();
    rig.clock.setOnWaitStep({});
    QVERIFY(buttonsOff);
    QVERIFY(rig.clock.now() - start < seconds(10));
    QTRY_VERIFY(!w.isVisible() && rig.window.isVisible());
    QCOMPARE(rig.sent(), QStringList{"R 0,"});
    // Opened again, it is as new.
    rig.click(QStringLiteral("Leggi_poprietà"));
    QCOMPARE(row(w, 0), (QStringList(5, "Da Leggere")));
}

void ExchangeWindowsTest::rowsOfAMultiplexer()
{
    MainRig rig;
    rig.logger.settings().alerts[17] = {1, 9.5, -2};
    auto& w = open<AlarmWindow>(rig, {"4", "5"});
    QVERIFY(!rig.window.isVisible() && w.isVisible());
    press(w, "Leggi_all1");
    QCOMPARE(rig.sent(), reads("J", ")", 16, 5));
    QCOMPARE(rowTexts(w, 1), (QStringList{" 1", "9.5", "-2", "0", "0"}));
    for (int i = 0; i < AlarmWindow::kRows; ++i) {
        QCOMPARE(w.Numero_Canali(i)->text(), QString::number(16 + i));
        QCOMPARE(w.box(i, 1)->isEnabled(), i < 5);
        // Rows beyond the count say so.
        QCOMPARE(w.box(i, 0)->text() == "Non Attivo", i >= 5);
    }
    QVERIFY(w.findChild<QPushButton*>("ScriviAll1")->isEnabled());
    QVERIFY(!w.findChild<QPushButton*>("ScriviAll0")->isEnabled());

    // The operator's edits are marked, the filter boxes' too.
    w.box(2, 1)->setText(QStringLiteral("7"));
    w.chkFiltro(2)->setChecked(true);
    QCOMPARE(background(w.box(2, 1)), kEdited);
    QCOMPARE(background(w.chkFiltro(2)), kEdited);
    // Reading the SMS texts leaves no real multiplexer to write.
    press(w, "MESSAGGIO_PERSONALE_LEGGI");
    QVERIFY(!w.findChild<QPushButton*>("ScriviAll1")->isEnabled());

    w.close();
    QVERIFY(rig.window.isVisible());
}

void ExchangeWindowsTest::rowsOfAVirtualMultiplexer()
{
    MainRig rig;
    rig.logger.settings().virtualInUse[1] = false;
    rig.logger.settings().alerts[33] = {1, 4, 1};
    auto& w = open<AlarmWindow>(rig, {"4", "0", "2"});
    press(w, "Leggi_all2");
    QCOMPARE(rig.sent(), (QStringList{"/ 0,", "J 32,", ") 32,", "/ 1,", "J 33,", ") 33,"}));
    // Not in use: shown, not editable.
    QVERIFY(w.box(0, 1)->isEnabled() && !w.box(1, 1)->isEnabled());
    QCOMPARE(w.box(1, 1)->text(), QStringLiteral("4"));
    QVERIFY(w.findChild<QPushButton*>("ScriviAll2")->isEnabled());
    QVERIFY(!w.findChild<QPushButton*>("ScriviAll3")->isEnabled());
}

QTEST_MAIN(ExchangeWindowsTest)
#include "tst_exchangewindows.moc"
