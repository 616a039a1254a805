// The settings groups of the main window against the emulated logger: what goes on the
// wire, what the fields show, and every check made before writing.
#include "MainRig.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/FieldEdit.h"
#include "windows/main/MemoryGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"
#include "windows/main/SwitchBox.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::MainRig;

namespace {

const QString kCheckValues = QStringLiteral("Please check inserted values! ");
const QString kTimerMessage = QStringLiteral(
    "Please check timer ( hours<=23, minutes and seconds <=59 and timer value > 1 min (NO "
    "GSM/GPRS). Timer value > 10 minutes (GSM/GPRS)! ");

void type(FieldEdit* field, const QString& text)
{
    field->setText(text);
}

QStringList texts(const QList<FieldEdit*>& fields)
{
    QStringList out;
    for (auto* f : fields)
        out << f->text();
    return out;
}

} // namespace

class SettingsGroupsTest : public QObject
{
    Q_OBJECT
private slots:
    void identification();
    void identificationWithCommaIsRefused();
    void clockWrite_data();
    void clockWrite();
    void clockReadShowsTheLoggersAnswer();
    void clockDriftAndSetToPcTime_data();
    void clockDriftAndSetToPcTime();
    void editingTurnsAFieldRed();
    void timerWrite_data();
    void timerWrite();
    void preheating_data();
    void preheating();
    void startDateAndAcquireNow();
    void acquisitionSwitchShowsTheLoggersAnswer();
    void channelCountRange();
    void channelCountWrite();
    void memoryState();
    void eraseAndReset();
};

void SettingsGroupsTest::identification()
{
    MainRig rig;
    auto& group = rig.window.nameClock();
    type(group.Nome_Centralina(), QStringLiteral("  PIEZO-03 "));
    rig.click("imposta_nome");
    QCOMPARE(rig.sent(), QStringList{"qPIEZO-03,"});
    QCOMPARE(group.Nome_Centralina()->text(), QStringLiteral("PIEZO-03"));
    QCOMPARE(background(group.Nome_Centralina()), kInStep);
    QCOMPARE(rig.logger.name(), QStringLiteral("PIEZO-03"));

    // A name read back with blanks around it is shown trimmed.
    rig.logger.setName(QStringLiteral("  ABC  "));
    rig.click("leggi_nome");
    QCOMPARE(group.Nome_Centralina()->text(), QStringLiteral("ABC"));

    // An empty name goes out as a lone comma.
    type(group.Nome_Centralina(), QString());
    rig.click("imposta_nome");
    QCOMPARE(rig.sent().last(), QStringLiteral("q,"));
}

void SettingsGroupsTest::identificationWithCommaIsRefused()
{
    MainRig rig;
    type(rig.window.Nome_Centralina(), QStringLiteral("A,B"));
    rig.click("imposta_nome");
    QCOMPARE(rig.sent(), QStringList());
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.prompter.shown.first().text.contains(QLatin1String("comma")));
    QVERIFY(!rig.window.lock().locked());
}

void SettingsGroupsTest::clockWrite_data()
{
    QTest::addColumn<QStringList>("typed"); // day, month, year, hours, minutes
    QTest::addColumn<QString>("wire");      // or, when refused, what the message says
    QTest::newRow("as typed") << QStringList{"7", "3", "2025", "14", "05"} << "g7,3, 125,14,05,";
    QTest::newRow("last minute of the day")
        << QStringList{"31", "12", "2024", "23", "59"} << "g31,12, 124,23,59,";
    QTest::newRow("year 2000") << QStringList{"1", "1", "2000", "0", "0"} << "g1,1, 100,0,0,";
    QTest::newRow("year 1999") << QStringList{"1", "1", "1999", "0", "0"} << "g1,1, 99,0,0,";
    QTest::newRow("blanks around a value")
        << QStringList{" 1", "1 ", "2026", "0", "0"} << "g1,1, 126,0,0,";
    QTest::newRow("hours 24") << QStringList{"1", "1", "2025", "24", "0"} << kCheckValues;
    QTest::newRow("minutes 60") << QStringList{"1", "1", "2025", "0", "60"} << kCheckValues;
    QTest::newRow("negative hours") << QStringList{"1", "1", "2025", "-1", "0"} << kCheckValues;
    QTest::newRow("empty year") << QStringList{"1", "1", "", "0", "0"}
                                << "Year must be a whole number";
    QTest::newRow("empty hours") << QStringList{"1", "1", "2025", "", "30"}
                                 << "Hours must be a whole number";
    QTest::newRow("letters in the day")
        << QStringList{"1a", "1", "2025", "0", "0"} << "Day must be a whole number";
    QTest::newRow("comma in the day")
        << QStringList{"1,2", "1", "2025", "0", "0"} << "Day must be a whole number";
    QTest::newRow("two-digit year") << QStringList{"6", "12", "26", "10", "46"} << "four digits";
    QTest::newRow("31 February") << QStringList{"31", "2", "2026", "0", "0"}
                                 << "The date 31/2/2026 does not exist";
}

void SettingsGroupsTest::clockWrite()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, wire);
    MainRig rig;
    auto& group = rig.window.nameClock();
    for (int i = 0; i < 5; ++i) {
        group.data(i)->markEdited();
        type(group.data(i), typed[i]);
    }
    rig.click("impostadata");
    QVERIFY(!rig.window.lock().locked());
    if (!wire.startsWith(QLatin1Char('g'))) {
        QCOMPARE(rig.sent(), QStringList());
        QCOMPARE(rig.prompter.shown.size(), 1);
        QVERIFY2(rig.prompter.shown.first().text.contains(wire),
                 qPrintable(rig.prompter.shown.first().text));
        QCOMPARE(background(group.data(0)), kEdited);
        return;
    }
    QCOMPARE(rig.sent(), (QStringList{wire, "G,"}));
    QCOMPARE(rig.prompter.shown.size(), 0);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(background(group.data(i)), kInStep);
}

void SettingsGroupsTest::clockReadShowsTheLoggersAnswer()
{
    MainRig rig;
    rig.logger.setClock(QDateTime(QDate(2025, 7, 5), QTime(9, 3)), rig.clock.now());
    rig.click("leggidata");
    auto& group = rig.window.nameClock();
    QCOMPARE(texts({group.data(0), group.data(1), group.data(2), group.data(3), group.data(4)}),
             (QStringList{"5", "7", "2025", "09", "03"}));

    // The hours check comes with its message, title, icon and a beep.
    type(group.data(3), QStringLiteral("24"));
    rig.click("impostadata");
    QCOMPARE(rig.prompter.shown.size(), 1);
    QCOMPARE(rig.prompter.shown.first().text, kCheckValues);
    QCOMPARE(rig.prompter.shown.first().title, QStringLiteral("Warning!!"));
    QCOMPARE(rig.prompter.shown.first().icon, PromptIcon::Information);
    QCOMPARE(rig.prompter.beeps, 1);

    // Silence: the fields show what the conversions make of the marker, not in step, and
    // the window says that the logger does not answer, once, in one time limit.
    rig.logger.setSilentFrom(rig.logger.commands().size() + 1);
    const auto start = rig.clock.now();
    rig.click("leggidata");
    QVERIFY(rig.clock.now() - start < Transport::kFieldTimeLimit + seconds(1));
    QCOMPARE(texts({group.data(0), group.data(1), group.data(2), group.data(3), group.data(4)}),
             (QStringList{"0", "0", "0", "%%", "%%"}));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(background(group.data(i)), kNoAnswer);
    QCOMPARE(rig.window.statusBar()->currentMessage(),
             QStringLiteral("No answer from the logger on COM 1"));
    rig.logger.setSilentFrom(1000);
    rig.click("leggi_nome");
    QCOMPARE(rig.window.statusBar()->currentMessage(), QString());
}

void SettingsGroupsTest::clockDriftAndSetToPcTime_data()
{
    QTest::addColumn<int>("pcAhead"); // seconds this computer is ahead of the logger's clock
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("warned");
    // The logger's clock reads 14:07 (14:07:09 in truth).
    QTest::newRow("same minute") << 0 << "Logger clock is in step with this computer" << false;
    QTest::newRow("behind, under a minute")
        << 72 << "Logger clock is 51 s behind this computer" << false;
    QTest::newRow("behind by minutes")
        << 200 << "Logger clock is 2 min 59 s behind this computer" << true;
    QTest::newRow("ahead by minutes")
        << -185 << "Logger clock is 3 min 26 s ahead of this computer" << true;
}

void SettingsGroupsTest::clockDriftAndSetToPcTime()
{
    QFETCH(int, pcAhead);
    QFETCH(QString, shown);
    QFETCH(bool, warned);
    MainRig rig;
    auto& group = rig.window.nameClock();
    const auto start = rig.clock.now();
    group.setWallClock([&] {
        const QDateTime wall(test::rigWallClock().date(), test::rigWallClock().time());
        return wall.addMSecs(duration_cast<milliseconds>(rig.clock.now() - start).count())
            .addSecs(pcAhead);
    });
    rig.click("leggidata");
    QCOMPARE(group.driftLabel()->text(), shown);
    QCOMPARE(group.driftLabel()->palette().color(QPalette::WindowText) == kWarningText, warned);

    // One press writes this computer's time as "Write Clock" does, and reads it back.
    rig.click("setPcTime");
    const QTime pc = test::rigWallClock().time().addSecs(pcAhead);
    QCOMPARE(rig.sent().mid(1), (QStringList{QStringLiteral("g5,12, 126,%1,%2,")
                                                 .arg(pc.hour(), 2, 10, QLatin1Char('0'))
                                                 .arg(pc.minute(), 2, 10, QLatin1Char('0')),
                                             "G,"}));
    QCOMPARE(group.driftLabel()->text(),
             QStringLiteral("Logger clock is in step with this computer"));
    QVERIFY(group.driftLabel()->palette().color(QPalette::WindowText) != kWarningText);
}

void SettingsGroupsTest::editingTurnsAFieldRed()
{
    MainRig rig;
    auto* day = rig.window.nameClock().data(0);
    QCOMPARE(background(day), kDesign);
    QTest::keyClick(day, Qt::Key_Left);
    QCOMPARE(background(day), kDesign);
    QTest::keyClick(day, '4');
    QCOMPARE(background(day), kEdited);
    rig.click("leggidata");
    QCOMPARE(background(day), kInStep);

    // The longest input limits typing, never what the logger sent.
    auto* name = rig.window.Nome_Centralina();
    name->setText(QStringLiteral("BOREHOLE-12-B"));
    QCOMPARE(name->text(), QStringLiteral("BOREHOLE-12-B"));
    QTest::keyClick(name, Qt::Key_Backspace);
    QCOMPARE(name->text(), QStringLiteral("BOREHOLE-12-"));
    QTest::keyClick(name, 'C');
    QCOMPARE(name->text(), QStringLiteral("BOREHOLE-12-"));
    name->clear();
    QTest::keyClicks(name, QStringLiteral("PIEZOMETER-7"));
    QCOMPARE(name->text(), QStringLiteral("PIEZOMETER"));
}

void SettingsGroupsTest::timerWrite_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("wire"); // or, when refused, the message
    QTest::newRow("one minute") << QStringList{"0", "1", "0"} << QStringList{"000", "001", "000"}
                                << "c000,001,000,";
    QTest::newRow("hour and a half")
        << QStringList{"1", "30", "0"} << QStringList{"001", "030", "000"} << "c001,030,000,";
    QTest::newRow("59 seconds, re-formatted then refused")
        << QStringList{"0", "0", "59"} << QStringList{"000", "000", "059"} << kTimerMessage;
    QTest::newRow("hours 24, refused before re-formatting")
        << QStringList{"24", "0", "0"} << QStringList{"24", "0", "0"} << kTimerMessage;
    QTest::newRow("seconds 60") << QStringList{"0", "5", "60"} << QStringList{"0", "5", "60"}
                                << kTimerMessage;
    QTest::newRow("letters") << QStringList{"cab", "30", "0"} << QStringList{"cab", "30", "0"}
                             << "Timer hours (Hh) must be a whole number";
    QTest::newRow("empty") << QStringList{"1", "", "0"} << QStringList{"1", "", "0"}
                           << "Timer minutes (Mm) must be a whole number";
}

void SettingsGroupsTest::timerWrite()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, shown);
    QFETCH(QString, wire);
    MainRig rig;
    auto& s = rig.window.schedule();
    for (int i = 0; i < 3; ++i)
        type(s.conversione(i), typed[i]);
    rig.click("Command1");
    QCOMPARE(texts({s.conversione(0), s.conversione(1), s.conversione(2)}), shown);
    QVERIFY(!rig.window.lock().locked());
    if (!wire.startsWith(QLatin1Char('c'))) {
        QCOMPARE(rig.sent(), QStringList());
        QCOMPARE(rig.prompter.shown.size(), 1);
        QVERIFY(rig.prompter.shown.first().text.startsWith(wire));
        QCOMPARE(rig.prompter.beeps, wire == kTimerMessage ? 1 : 0);
        return;
    }
    QCOMPARE(rig.sent(), QStringList{wire});
    // The logger keeps it: a read shows the same interval.
    rig.click("Command2");
    QCOMPARE(rig.numberOf(s.conversione(0)) * 3600 + rig.numberOf(s.conversione(1)) * 60 +
                 rig.numberOf(s.conversione(2)),
             typed[0].toInt() * 3600 + typed[1].toInt() * 60 + typed[2].toInt());
}

void SettingsGroupsTest::preheating_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("wire");
    QTest::newRow("longest") << "30000"
                             << "30000"
                             << "e30000,";
    QTest::newRow("short") << "7"
                           << "00007"
                           << "e00007,";
    QTest::newRow("too long") << "30001"
                              << "0"
                              << "";
    QTest::newRow("letters") << "2a0"
                             << "2a0"
                             << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void SettingsGroupsTest::preheating()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, wire);
    MainRig rig;
    auto* field = rig.window.schedule().preaccensione();
    type(field, typed);
    rig.click("impostapreacc");
    QCOMPARE(field->text(), shown);
    if (wire.isEmpty()) {
        QCOMPARE(rig.sent(), QStringList());
        QCOMPARE(rig.prompter.shown.first().text,
                 typed == "30001"
                     ? QStringLiteral("Pre-heating time too long ")
                     : QStringLiteral("Pre-heating time must be a whole number (digits only); it "
                                      "holds \"%1\". Nothing was sent: please correct it.")
                           .arg(typed));
        QCOMPARE(rig.prompter.shown.first().title, QStringLiteral("Warning"));
        QCOMPARE(rig.prompter.beeps, 0);
        return;
    }
    QCOMPARE(rig.sent(), QStringList{wire});
    rig.click("preacc");
    QCOMPARE(rig.numberOf(field), typed.toInt());
}

void SettingsGroupsTest::startDateAndAcquireNow()
{
    MainRig rig;
    auto& s = rig.window.schedule();
    const QStringList typed{"9", "10", "2026", "08", "15"};
    for (int i = 0; i < 5; ++i)
        type(s.data_allarme(i), typed[i]);
    rig.click("ScriviDataAllarme");
    QCOMPARE(rig.sent(), (QStringList{"y9,10, 126,08,15,", "Y,"}));
    QCOMPARE(texts({s.data_allarme(0), s.data_allarme(1), s.data_allarme(2), s.data_allarme(3),
                    s.data_allarme(4)}),
             (QStringList{"9", "10", "2026", "08", "15"}));

    // "Acquire Now" checks only the typed time, then sets a start in the past.
    type(s.data_allarme(3), QStringLiteral("25"));
    rig.click("Subito");
    QCOMPARE(rig.prompter.texts(), QStringList{kCheckValues});
    QCOMPARE(rig.sent().size(), 2);
    type(s.data_allarme(3), QStringLiteral("10"));
    type(s.data_allarme(0), QStringLiteral("garbage"));
    rig.click("Subito");
    QCOMPARE(rig.sent().mid(2), (QStringList{"y1,1,100,00,00,", "Y,"}));
    QCOMPARE(texts({s.data_allarme(0), s.data_allarme(1), s.data_allarme(2), s.data_allarme(3),
                    s.data_allarme(4)}),
             (QStringList{"1", "1", "2000", "00", "00"}));
}

void SettingsGroupsTest::acquisitionSwitchShowsTheLoggersAnswer()
{
    MainRig rig;
    auto* box = rig.window.schedule().data_logging();
    rig.click("ReadSt");
    QVERIFY(box->isChecked());
    QCOMPARE(rig.sent(), QStringList{"O"});

    // A press on the ticked box switches the logger off; the box shows its answer.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QCOMPARE(rig.sent().mid(1), (QStringList{"o0,", "O"}));
    QVERIFY(!rig.logger.acquiring());
    QVERIFY(!box->isChecked());

    // The space bar and an assistive tool's toggle ask the logger the same way.
    QTest::keyClick(box, Qt::Key_Space);
    QCOMPARE(rig.sent().mid(3), (QStringList{"o1,", "O"}));
    QVERIFY(box->isChecked());
    QAccessible::queryAccessibleInterface(box)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    QCOMPARE(rig.sent().mid(5), (QStringList{"o0,", "O"}));
    QVERIFY(!box->isChecked());

    // If the logger does not take the change, the box keeps showing the logger's state.
    rig.logger.setSilentFrom(rig.logger.commands().size() + 2); // "o" is taken, "O" silent
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QVERIFY(!box->isChecked());
}

void SettingsGroupsTest::channelCountRange()
{
    MainRig rig;
    auto* mux = rig.window.channels().MUX(0);
    mux->markInStep();
    QTest::keyClicks(mux, QStringLiteral("17"));
    QCOMPARE(mux->text(), QStringLiteral("0"));
    QCOMPARE(background(mux), kEdited);
    type(mux, QStringLiteral("-1"));
    QCOMPARE(mux->text(), QStringLiteral("0"));
    type(mux, QStringLiteral("16"));
    QCOMPARE(mux->text(), QStringLiteral("16"));
}

void SettingsGroupsTest::channelCountWrite()
{
    MainRig rig;
    auto& ch = rig.window.channels();
    type(ch.MUX(0), QStringLiteral("8"));
    type(ch.MUX(1), QStringLiteral("0"));

    rig.prompter.answerNext(PromptAnswer::No);
    rig.click("Scrivicanali");
    QCOMPARE(rig.sent(), QStringList());
    QCOMPARE(
        rig.prompter.shown.first().text,
        QStringLiteral(
            "This operation requires memory to be erased.\r\nAcquisition data will be deleted."));
    QCOMPARE(rig.prompter.shown.first().defaultAnswer, PromptAnswer::No);
    QCOMPARE(rig.prompter.shown.first().icon, PromptIcon::Critical);
    QVERIFY(!rig.window.lock().locked());

    rig.logger.fillMemory(50);
    rig.prompter.answerNext(PromptAnswer::Yes);
    rig.click("Scrivicanali");
    QCOMPARE(rig.sent(),
             (QStringList{"b,", "h0, 8,", "h1, 0,", "H 0,", "H 1,", "H 2,", "H 3,", "H0,", "M,"}));
    QCOMPARE(rig.logger.channelCount(0), 8);
    QCOMPARE(rig.logger.channelCount(1), 0);
    QCOMPARE(ch.MUX(0)->text().trimmed(), QStringLiteral("8"));
    QCOMPARE(background(ch.MUX(0)), kInStep);
    QVERIFY(!rig.window.lock().locked());

    // A count the logger did not give is never written back, not even as 0.
    rig.logger.setSilentFrom(rig.logger.commands().size() + 1);
    rig.click("leggicanali");
    QCOMPARE(ch.MUX(1)->text(), QStringLiteral("%%"));
    rig.logger.setSilentFrom(1000);
    const auto before = rig.sent().size();
    rig.prompter.shown.clear();
    rig.click("Scrivicanali");
    QCOMPARE(rig.sent().size(), before);
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.prompter.shown.first().text.startsWith(QLatin1String("CH MUX0 must be")));
}

void SettingsGroupsTest::memoryState()
{
    MainRig rig;
    rig.click("Aggiorna_acq");
    QCOMPARE(rig.sent(), (QStringList{"H0,", "M,"}));
    auto* total = rig.window.memory().Acq_possibili();
    auto* free = rig.window.memory().acq_disponibili();
    QCOMPARE(rig.numberOf(total), rig.logger.memoryCapacity());

    // No channel on multiplexer 0: no memory state, and the boxes keep their text.
    rig.logger.setChannelCount(0, 0);
    total->setText(QStringLiteral("old"));
    rig.click("Aggiorna_acq");
    QCOMPARE(rig.prompter.texts(), QStringList{"No active channels on MUX 0!"});
    QCOMPARE(total->text(), QStringLiteral("old"));
    QCOMPARE(rig.sent().size(), 3);
    (void)free;
}

void SettingsGroupsTest::eraseAndReset()
{
    MainRig rig;
    rig.logger.fillMemory(100);
    rig.prompter.answerNext(PromptAnswer::No);
    rig.click("Azzera_memoria");
    QCOMPARE(rig.sent(), QStringList());

    rig.prompter.answerNext(PromptAnswer::Yes);
    rig.click("Azzera_memoria");
    QCOMPARE(rig.sent(), (QStringList{"b", "H0,", "M,"}));
    QCOMPARE(rig.prompter.shown.last().text,
             QStringLiteral(
                 "Are you sure you want to erase memory?\r\nAll acquisitions will be erased."));
    QCOMPARE(rig.numberOf(rig.window.memory().acq_disponibili()),
             rig.numberOf(rig.window.memory().Acq_possibili()));

    rig.prompter.answerNext(PromptAnswer::No);
    rig.click("Resetta");
    QCOMPARE(rig.sent().size(), 3);

    rig.prompter.answerNext(PromptAnswer::Yes);
    rig.window.Nome_Centralina()->setText(QStringLiteral("before"));
    rig.click("Resetta");
    QCOMPARE(rig.sent().mid(3),
             (QStringList{"z", "H0,", "M,", "H 0,", "H 1,", "H 2,", "H 3,", "C,", "Q", "O"}));
    QCOMPARE(rig.window.Nome_Centralina()->text(), rig.logger.name());
    QVERIFY(!rig.window.lock().locked());
}

QTEST_MAIN(SettingsGroupsTest)
#include "tst_settingsgroups.moc"
