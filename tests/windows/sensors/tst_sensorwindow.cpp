// The sensor window against the emulated logger, opened from the main window: the records
// it reads and writes per multiplexer, the bank boxes with their jumper warning, and the
// window's life in the main window's place.
#include "../main/MainRig.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/FieldEdit.h"
#include "windows/sensors/SensorWindow.h"

#include <QCheckBox>
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

SensorWindow& open(MainRig& rig, const QString& mux0, const QString& mux1)
{
    rig.window.channels().MUX(0)->setText(mux0);
    rig.window.channels().MUX(1)->setText(mux1);
    rig.window.show();
    rig.click(QStringLiteral("Leggi_poprietà"));
    return rig.window.sensors();
}

QStringList row(const SensorWindow& w, int i)
{
    QStringList out{w.NomeCanali(i)->text()};
    for (int c = 0; c < 4; ++c)
        out << w.value(i, c)->text();
    return out;
}

QStringList reads(int first, int n)
{
    QStringList out;
    for (int c = first; c < first + n; ++c)
        out << QStringLiteral("R %1,").arg(c) << QStringLiteral("] %1,").arg(c);
    return out;
}

} // namespace

class SensorWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void writeSendsEveryRecordThenReadsBack();
    void bankWarning_data();
    void bankWarning();
    void closingDuringAReadEndsIt();
};

void SensorWindowTest::read_data()
{
    QTest::addColumn<int>("mux");
    QTest::addColumn<QString>("count"); // as the main window's box holds it
    QTest::addColumn<QStringList>("firstRow");
    // The demo logger: four vibrating-wire channels on MUX0's first bank, analog on MUX1.
    QTest::newRow("MUX0, vibrating wire") << 0 << "4" << QStringList{"CH0", "0", "2.5", "0", "100"};
    QTest::newRow("MUX1") << 1 << " 3" << QStringList{"LEVEL-01", "0", "2.5", "0", "350"};
    const QStringList unread{"Disabled", "Da Leggere", "Da Leggere", "Da Leggere", "Da Leggere"};
    QTest::newRow("no channel") << 1 << "0" << unread;
    QTest::newRow("no count yet") << 0 << "" << unread;
    QTest::newRow("count never answered") << 0 << "%%" << unread;
}

void SensorWindowTest::read()
{
    QFETCH(int, mux);
    QFETCH(QString, count);
    QFETCH(QStringList, firstRow);
    MainRig rig;
    const int n = count.trimmed().toInt(); // "%%" and "" count as 0
    const bool bank0 = mux == 0 && n > 0;
    auto& w = mux == 0 ? open(rig, count, "0") : open(rig, "0", count);
    QVERIFY(!rig.window.isVisible() && w.isVisible());
    QCOMPARE(row(w, 5), (QStringList(5, "Da Leggere")));
    QVERIFY(!w.writeButton(0)->isEnabled() && !w.writeButton(1)->isEnabled());

    w.readButton(mux)->click();
    QCOMPARE(rig.sent(), reads(16 * mux, n));
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
    // A logger that does not answer gives "%%" records and no vibrating wire.
    rig.logger.setSilentFrom(rig.logger.commands().size() + 1);
    w.readButton(mux)->click();
    if (n > 0) {
        QCOMPARE(w.NomeCanali(0)->text(), QStringLiteral("%%"));
        QVERIFY(!w.chkSghembo(0)->isChecked());
    }
}

void SensorWindowTest::writeSendsEveryRecordThenReadsBack()
{
    MainRig rig;
    auto& w = open(rig, "4", "2");
    w.readButton(1)->click();
    w.NomeCanali(0)->setText(QStringLiteral("  NEW "));
    w.value(0, 3)->setText(QStringLiteral(" 1.5 "));
    QTest::keyClicks(w.NomeCanali(1), QStringLiteral("LONGER THAN TEN"));
    QCOMPARE(w.NomeCanali(1)->text(), QStringLiteral("CH17LONGER"));
    const auto before = rig.sent().size();
    w.writeButton(1)->click();
    QCOMPARE(rig.sent().mid(before), (QStringList{"r 16,NEW,0,2.5,0,1.5,", "[ 16,0,",
                                                  "r 17,CH17LONGER,0,2.5,0,100,", "[ 17,0,"} +
                                      reads(16, 2)));
    QCOMPARE(row(w, 0), (QStringList{"NEW", "0", "2.5", "0", "1.5"}));

    // A comma in any record, or a record that never got an answer, sends nothing.
    for (const QString& bad : {QStringLiteral("1,5"), QStringLiteral("%%")}) {
        w.value(1, 0)->setText(bad);
        const auto sent = rig.sent().size();
        w.writeButton(1)->click();
        QCOMPARE(rig.sent().size(), sent);
    }
    QCOMPARE(rig.prompter.shown.size(), 2);
}

void SensorWindowTest::bankWarning_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void SensorWindowTest::bankWarning()
{
    QFETCH(bool, yes);
    MainRig rig;
    auto& w = open(rig, "0", "2");
    w.readButton(1)->click();
    rig.prompter.answerNext(yes ? PromptAnswer::Yes : PromptAnswer::No);
    QTest::mouseClick(w.chkBanco(0), Qt::LeftButton, {}, QPoint(8, w.chkBanco(0)->height() / 2));
    QCOMPARE(rig.prompter.texts(), QStringList{kJumperWarning});
    QCOMPARE(rig.prompter.shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(rig.prompter.shown[0].icon, PromptIcon::None);
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

void SensorWindowTest::closingDuringAReadEndsIt()
{
    MainRig rig;
    auto& w = open(rig, "4", "0");
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

QTEST_MAIN(SensorWindowTest)
#include "tst_sensorwindow.moc"
