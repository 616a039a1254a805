// The settings groups of the main window against the emulated logger: what goes on the
// wire, what the fields and switches show, and every check made before writing.
#include "MainRig.h"
#include "support/Rows.h"
#include "support/Typing.h"
#include "ui/FieldEdit.h"
#include "ui/SwitchBox.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/EventsCounterGroup.h"
#include "windows/main/MemoryGroup.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/NameClockGroup.h"
#include "windows/main/ScheduleGroup.h"
#include "windows/sensors/SensorWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <functional>

using namespace korvelan;
using namespace std::chrono;
using test::MainRig;

namespace {

const QString kCheckValues = QStringLiteral("Please check inserted values! ");
const QString kTimerMessage = QStringLiteral(
    "Please check timer ( hours<=23, minutes and seconds <=59 and timer value > 1 min (NO "
    "GSM/GPRS). Timer value > 10 minutes (GSM/GPRS)! ");

// Fields typed ("name=text"), buttons pressed, then either the commands that go out and what
// the fields show ("name=text"), or the start of the message that refuses (and its title,
// where given). `read`: buttons pressed before the typing, so the other fields of the record
// hold the logger's values; "Leggi_Allarmi" and "Leggi_poprietà" open the alert and the sensor
// window, whose fields are typed.
// `given`: what the logger holds that no one can type.
struct Write
{
    QStringList typed;
    QString button;
    QStringList wire;
    QStringList shown;
    QString refused;
    QString read = {};
    QString title = {};
    std::function<void(sim::LoggerSettings&)> given = {};
};

QStringList fields(const QString& name, const QStringList& texts)
{
    QStringList out;
    for (int i = 0; i < texts.size(); ++i)
        out << QStringLiteral("%1%2=%3").arg(name).arg(i).arg(texts[i]);
    return out;
}

QStringList clock(const QStringList& texts)
{
    return fields(QStringLiteral("data"), texts);
}

QStringList timer(const QStringList& texts)
{
    return fields(QStringLiteral("conversione"), texts);
}

// The switches wait half a second before reading back.
bool pausedBefore(const MainRig& rig, char letter)
{
    const auto& c = rig.logger.commands();
    for (auto i = c.size() - 1; i > 0; --i) {
        if (c[i].letter == letter)
            return c[i].started - c[i - 1].completed >= milliseconds(500);
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Write)

class SettingsGroupsTest : public QObject
{
    Q_OBJECT
private slots:
    void writes_data();
    void writes();
    void clockReadShowsTheLoggersAnswer();
    void clockDriftAndSetToPcTime_data();
    void clockDriftAndSetToPcTime();
    void typingMarksAndIsLimited();
    void acquisitionSwitchShowsTheLoggersAnswer();
    void channelCountWrite();
    void memoryEraseAndReset();
    void smsSwitches();
    void gprsAndEventsCounter();
};

void SettingsGroupsTest::writes_data()
{
    const QString comma = QStringLiteral(" contains a comma");
    const QString preheat = QStringLiteral("Pre-heating time must be a whole number (digits "
                                           "only); it holds \"2a0\". Nothing was sent");
    const QStringList start = fields("data_allarme", {"9", "10", "2026", "08", "15"});
    const QString g = "impostadata", c = "Command1", e = "impostapreacc", t = kTimerMessage;
    const QString a = "Leggi_Allarmi", sms = "MESSAGGIO_PERSONALE_SCRIVI", f = "cmdScriviFiltro";
    const QString p = "leggicanali Leggi_poprietà Leggi_prop1";
    const QString r = "chkContemp cmdContempScrivi", long25 = "A LINE OF 25 CHARACTERS!";
    const auto filter = [](const QStringList& t) {
        return QStringList{"txtMaxRipetizioni=" + t[0], "txtFiltroSoglia=" + t[1]};
    };
    const auto rule = [](const QStringList& t) {
        return QStringList{"txtContempPreallarmi=" + t[0], "txtContempAllarmi=" + t[1],
                           "txtDurataSirena=" + t[2]};
    };
    const QString reps = "Specificare un valido numero massimo di ripetizioni";
    const QString warn = " of sensors over Warning threashold to raise a Warning.";
    const QString alert = " of sensors over Alert threashold to raise an Alert.";
    const QString duration = " duration of local Alert/Warning [sec]";
    // clang-format off
    test::addRows<Write>({
        {"name", {{"Nome_Centralina=  PIEZO-03 "}, "imposta_nome", {"qPIEZO-03,"},
                  {"Nome_Centralina=PIEZO-03"}, {}}},
        {"empty name", {{"Nome_Centralina="}, "imposta_nome", {"q,"}, {}, {}}},
        {"name with a comma", {{"Nome_Centralina=A,B"}, "imposta_nome", {}, {}, "\"A,B\"" + comma}},
        {"clock", {clock({"7", "3", "2025", "14", "05"}), g, {"g7,3, 125,14,05,", "G,"}, {}, {}}},
        {"blanks", {clock({" 1", "1 ", "2026", "0", "0"}), g, {"g1,1, 126,0,0,", "G,"}, {}, {}}},
        {"clock, hours 24", {clock({"1", "1", "2025", "24", "0"}), g, {}, {}, kCheckValues}},
        {"clock, empty hours", {clock({"1", "1", "2025", "", "30"}), g, {}, {}, "Hours must be"}},
        {"clock, letters", {clock({"1a", "1", "2025", "0", "0"}), g, {}, {}, "Day must be"}},
        {"clock, two-digit year", {clock({"6", "12", "26", "10", "46"}), g, {}, {},
                                   "The year must have four digits"}},
        {"clock, 31 February", {clock({"31", "2", "2026", "0", "0"}), g, {}, {},
                                "The date 31/2/2026 does not exist"}},
        // The timer is re-formatted, then checked, then kept by the logger.
        {"timer", {timer({"1", "30", "0"}), c, {"c001,030,000,"},
                   timer({"001", "030", "000"}), {}}},
        {"timer read back", {timer({"0", "1", "0"}), c + " Command2", {"c000,001,000,", "C,"},
                             timer({"000", "001", "000"}), {}}},
        {"timer of 59 s", {timer({"0", "0", "59"}), c, {}, timer({"000", "000", "059"}), t}},
        {"timer, hours 24", {timer({"24", "0", "0"}), c, {}, timer({"24", "0", "0"}), t}},
        {"timer, letters", {timer({"cab", "30", "0"}), c, {}, {}, "Timer hours (Hh) must be"}},
        {"timer, empty", {timer({"1", "", "0"}), c, {}, {}, "Timer minutes (Mm) must be"}},
        {"pre-heating", {{"preaccensione=7"}, e + " preacc", {"e00007,", "E,"},
                         {"preaccensione=00007"}, {}}},
        {"pre-heating, longest", {{"preaccensione=30000"}, e, {"e30000,"}, {}, {}}},
        {"pre-heating too long", {{"preaccensione=30001"}, e, {}, {"preaccensione=0"},
                                  "Pre-heating time too long "}},
        {"pre-heating, letters", {{"preaccensione=2a0"}, e, {}, {}, preheat}},
        {"start date", {start, "ScriviDataAllarme", {"y9,10, 126,08,15,", "Y,"}, start, {}}},
        // "Acquire Now" checks only the typed time, then sets a start in the past.
        {"acquire now", {{"data_allarme0=garbage"}, "Subito", {"y1,1,100,00,00,", "Y,"},
                         fields("data_allarme", {"1", "1", "2000", "00", "00"}), {}}},
        {"acquire now, hours 25", {{"data_allarme3=25"}, "Subito", {}, {}, kCheckValues}},
        // Values with a comma would shift the fields that follow.
        {"SMS number", {{"NUMERO_ALLARME_SMS3=12,3"}, "SCRIVI_GSM", {}, {}, "\"12,3\"" + comma,
                        "LEGGI_GSM"}},
        {"GPRS value", {{"GPRS6=/a,b"}, "ScriviGPRS", {}, {}, "\"/a,b\"" + comma, "LeggiGPRS"}},
        {"pulses", {{"mmpioggia= 0.25 "}, "mmpioggiatastoscrivi", {">0.25,", "<"},
                    {"mmpioggia=0.25"}, {}}},
        {"pulses, comma", {{"mmpioggia=0,2"}, "mmpioggiatastoscrivi", {}, {}, "\"0,2\"" + comma}},
        // The SMS recipients: the count, the flags and the telephone alarm are the logger's,
        // the telephone alarm written back unchanged with every write.
        {"SMS numbers", {{"NUMERO_ALLARME_SMS0= A ", "NUMERO_ALLARME_SMS1=B"}, "SCRIVI_GSM",
                         {"iA,B,,,,,,,,,2, 1, 0,", "f+393331234567, 1,", "I", "F"},
                         {"NUMERO_ALLARME_SMS0=A", "NUMERO_ALLARME_TELEFONO=+393331234567"}, {},
                         "LEGGI_GSM", {}, [](auto& s) {
                             s.sms.count = QStringLiteral("2");
                             s.phoneAlarm.enable = 1;
                         }}},
        // The sensor window writes every record of the multiplexer, then reads them back.
        {"sensors", {{"NomeCanali0=  NEW ", "CD0= 1.5 "}, "ScriviProp1",
                     {"r 16,NEW,0,2.5,0,1.5,", "[ 16,0,", "r 17,CH17,0,2.5,0,100,", "[ 17,0,",
                      "R 16,", "] 16,", "R 17,", "] 17,"},
                     {"NomeCanali0=NEW", "CD0=1.5"}, {}, p}},
        {"sensors, comma", {{"CA1=1,5"}, "ScriviProp1", {}, {}, "\"1,5\"" + comma, p}},
        // The alert window: a row of a multiplexer, the SMS texts, the filter and the rule.
        {"alert rows", {{"AllarmeAttivo2=1", "CA2= 12.5 ", "CB2=3", "PRECB2=-4"}, "ScriviAll0",
                        {"j 0,1,3100,2100,", "( 0,3000,2200,", "j 1,0,0,0,", "( 1,0,0,",
                         "j 2,1,12.5,3,", "( 2,0,-4,", "j 3,0,0,0,", "( 3,0,0,", "J 0,", ") 0,",
                         "J 1,", ") 1,", "J 2,", ") 2,", "J 3,", ") 3,"},
                        {"AllarmeAttivo2= 1", "CA2=12.5", "CB2=3", "PRECA2=0", "PRECB2=-4"}, {},
                        "leggicanali Leggi_Allarmi Leggi_all0"}},
        {"SMS texts", {fields("PRESMS_PERSONALIZZATO", {"W1", "", "W3", "W4", "W5"}) +
                       fields("SMS_PERSONALIZZATO", {"A1", "A2", "A3", "A4", long25}),
                       sms, {"xW1,,W3,W4,W5,A1,A2,A3,A4," + long25 + ",", "X", "X"},
                       {"SMS_PERSONALIZZATO4=" + long25}, {}, a}},
        {"SMS text too long", {{}, sms, {}, {}, "Row 3 of Alert SMS text is too long.",
                               a + " MESSAGGIO_PERSONALE_LEGGI", "Operation Cancelled",
                               [](auto& s) { s.smsTexts[8] = QString(26, u'x'); }}},
        {"SMS warning too long", {{}, sms, {}, {}, "Row 0 of Warning SMS text is too long.",
                                  a + " MESSAGGIO_PERSONALE_LEGGI", {},
                                  [](auto& s) { s.smsTexts[0] = QString(26, u'x'); }}},
        {"SMS text, comma", {{"SMS_PERSONALIZZATO3=A,B"}, sms, {}, {}, "\"A,B\"" + comma,
                             a + " MESSAGGIO_PERSONALE_LEGGI"}},
        {"filter", {filter({" 3 ", "25"}), f, {"[3,25,", "]"}, {"txtMaxRipetizioni= 3"}, {}, a}},
        {"filter, no repetitions", {filter({"", "5"}), f, {}, {},
                                    "Specificare il numero massimo di ripetizioni.", a,
                                    "Azione annullata"}},
        {"filter, letters", {filter({"x", "5"}), f, {}, {}, reps + ".", a}},
        {"filter, 9 repetitions", {filter({"9", "5"}), f, {}, {}, reps + " (1-8).", a}},
        {"filter, no threshold", {filter({"8", ""}), f, {}, {},
                                  "Specificare la soglia del filtro.", a}},
        {"filter, threshold -1", {filter({"1", "-1"}), f, {}, {},
                                  "Specificare una soglia valida per il filtro.", a}},
        {"rule", {rule({"2", "3", "28800"}), r, {"<2,3,1,28800,", ">"},
                  {"txtContempPreallarmi= 2"}, {}, a}},
        {"rule, no warnings", {rule({"", "3", "0"}), r, {}, {}, "Insert minimum #" + warn, a,
                               "Operation Cancelled"}},
        {"rule, warnings -1", {rule({"-1", "3", "0"}), r, {}, {}, "Insert a valid #" + warn, a}},
        {"rule, no alerts", {rule({"1", "", "0"}), r, {}, {}, "Insert minimum #" + alert, a}},
        {"rule, alerts letters", {rule({"1", "a", "0"}), r, {}, {}, "Insert a valid #" + alert, a}},
        {"rule, no duration", {rule({"1", "1", ""}), r, {}, {}, "Insert" + duration + ".", a}},
        {"rule, duration 1h", {rule({"1", "1", "1h"}), r, {}, {},
                               "Insert a valid" + duration + ".", a}},
        {"rule, duration too long", {rule({"1", "1", "28801"}), r, {}, {},
                                     "Insert a valid" + duration + " (0-28800).", a}},
    });
    // clang-format on
}

void SettingsGroupsTest::writes()
{
    QFETCH(Write, row);
    MainRig rig;
    if (row.given)
        row.given(rig.logger.settings());
    QWidget& in = row.read.contains(QLatin1String("Leggi_Allarmi"))
                      ? static_cast<QWidget&>(rig.window.alarms())
                  : row.read.contains(QStringLiteral("Leggi_poprietà"))
                      ? static_cast<QWidget&>(rig.window.sensors())
                      : static_cast<QWidget&>(rig.window);
    for (const QString& name : row.read.split(u' ', Qt::SkipEmptyParts)) {
        auto* button = rig.find<QAbstractButton>(name);
        button = button ? button : in.findChild<QAbstractButton*>(name);
        QVERIFY2(button, qPrintable(name));
        button->click();
    }
    const auto before = rig.sent().size();
    QList<QLineEdit*> typed;
    for (const QString& field : row.typed) {
        auto* box = in.findChild<QLineEdit*>(field.section(u'=', 0, 0));
        QVERIFY2(box, qPrintable(field));
        test::type(box, field.section(u'=', 1));
        typed << box;
    }
    for (const QString& name : row.button.split(u' ')) {
        auto* button = in.findChild<QAbstractButton*>(name);
        QVERIFY2(button, qPrintable(name));
        button->click();
    }
    QCOMPARE(rig.sent().mid(before), row.wire);
    for (const QString& field : row.shown)
        QCOMPARE(in.findChild<QLineEdit*>(field.section(u'=', 0, 0))->text(),
                 field.section(u'=', 1));
    QVERIFY(!rig.window.lock().locked());
    if (row.refused.isEmpty()) {
        QVERIFY2(rig.prompter.shown.isEmpty(), qPrintable(rig.prompter.texts().join(u'|')));
        // Read back, the fields hold the logger's values: no longer marked as typed.
        if (!row.wire.isEmpty() && row.wire.last().at(0).isUpper())
            for (auto* box : typed)
                QVERIFY2(background(box) != kEdited, qPrintable(box->objectName()));
        return;
    }
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY2(rig.prompter.shown[0].text.startsWith(row.refused),
             qPrintable(rig.prompter.shown[0].text));
    if (!row.title.isEmpty())
        QCOMPARE(rig.prompter.shown[0].title, row.title);
    // The checks of the clock and the timer beep with their message; the main window's field
    // stays red.
    QCOMPARE(rig.prompter.beeps, row.refused == kCheckValues || row.refused == kTimerMessage);
    if (&in == &rig.window)
        QCOMPARE(background(typed.first()), kEdited);
}

void SettingsGroupsTest::clockReadShowsTheLoggersAnswer()
{
    MainRig rig;
    auto& group = rig.window.nameClock();
    const auto shown = [&] {
        QStringList out;
        for (int i = 0; i < 5; ++i)
            out << group.data(i)->text();
        return out;
    };
    rig.logger.setClock(QDateTime(QDate(2025, 7, 5), QTime(9, 3)), rig.clock.now());
    rig.click("leggidata");
    QCOMPARE(shown(), (QStringList{"5", "7", "2025", "09", "03"}));
    QCOMPARE(background(group.data(0)), kInStep);

    // Silence: the fields show what the conversions make of the marker, not in step nor
    // the logger's, and the window says that the logger does not answer, once, in one time
    // limit.
    rig.logger.setSilentFrom(rig.logger.commands().size() + 1);
    const auto start = rig.clock.now();
    rig.click("leggidata");
    QVERIFY(rig.clock.now() - start < Transport::kFieldTimeLimit + seconds(1));
    QCOMPARE(shown(), (QStringList{"0", "0", "0", "%%", "%%"}));
    QCOMPARE(background(group.data(4)), kNoAnswer);
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
    // clang-format off
    QTest::newRow("behind, under a minute") << 72 << "Logger clock is 51 s behind this computer" << false;
    QTest::newRow("ahead by minutes") << -185 << "Logger clock is 3 min 26 s ahead of this computer" << true;
    // clang-format on
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

void SettingsGroupsTest::typingMarksAndIsLimited()
{
    MainRig rig;
    auto* day = rig.window.nameClock().data(0);
    QCOMPARE(background(day), kDesign);
    QTest::keyClick(day, Qt::Key_Left);
    QCOMPARE(background(day), kDesign);
    QTest::keyClick(day, '4');
    QCOMPARE(background(day), kEdited);

    // The longest input limits typing, never what the logger sent.
    auto* name = rig.window.Nome_Centralina();
    name->setText(QStringLiteral("BOREHOLE-12-B"));
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClick(name, 'C');
    QCOMPARE(name->text(), QStringLiteral("BOREHOLE-12-"));

    // A channel count out of range becomes 0, and is marked as typed.
    auto* mux = rig.window.channels().MUX(0);
    mux->markInStep();
    QTest::keyClicks(mux, QStringLiteral("17"));
    QCOMPARE(mux->text(), QStringLiteral("0"));
    QCOMPARE(background(mux), kEdited);
    mux->setText(QStringLiteral("-1"));
    QCOMPARE(mux->text(), QStringLiteral("0"));
    mux->setText(QStringLiteral("16"));
    QCOMPARE(mux->text(), QStringLiteral("16"));
}

void SettingsGroupsTest::acquisitionSwitchShowsTheLoggersAnswer()
{
    MainRig rig;
    auto* box = rig.window.schedule().data_logging();
    rig.click("ReadSt");
    QVERIFY(box->isChecked());

    // A press on the ticked box switches the logger off; the box shows its answer. The space
    // bar and an assistive tool's toggle ask the logger the same way.
    test::pressBox(box);
    QCOMPARE(rig.sent(), (QStringList{"O", "o0,", "O"}));
    QVERIFY(!rig.logger.acquiring() && !box->isChecked());
    QTest::keyClick(box, Qt::Key_Space);
    QCOMPARE(rig.sent().mid(3), (QStringList{"o1,", "O"}));
    QVERIFY(box->isChecked());
    QAccessible::queryAccessibleInterface(box)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    QCOMPARE(rig.sent().mid(5), (QStringList{"o0,", "O"}));
    QVERIFY(!box->isChecked());

    // A read-back that gets no answer leaves the state unknown, not off; a press then cannot
    // say which way it goes: it writes nothing, reads the switch and says so.
    rig.logger.setSilentFrom(rig.logger.commands().size() + 2); // "o" is taken, "O" silent
    test::pressBox(box);
    QCOMPARE(box->checkState(), Qt::PartiallyChecked);
    QVERIFY(box->toolTip().contains(QLatin1String("unknown")));
    rig.logger.setSilentFrom(1000);
    const auto before = rig.sent().size();
    test::pressBox(box);
    QCOMPARE(rig.sent().mid(before), QStringList{"O"});
    QCOMPARE(rig.prompter.texts(),
             QStringList{"Enable Acquisitions got no answer from the logger. Nothing was sent: "
                         "the switch is read from the logger now; press it again once it shows "
                         "the logger's state."});
    QVERIFY(box->checkState() == Qt::Checked && rig.logger.acquiring());
    QVERIFY(!rig.window.lock().locked());
}

void SettingsGroupsTest::channelCountWrite()
{
    MainRig rig;
    auto& ch = rig.window.channels();
    test::type(ch.MUX(0), QStringLiteral("8"));
    test::type(ch.MUX(1), QStringLiteral("0"));

    rig.prompter.answerNext(PromptAnswer::No);
    rig.click("Scrivicanali");
    QCOMPARE(rig.sent(), QStringList());
    QCOMPARE(
        rig.prompter.shown.first().text,
        QStringLiteral(
            "This operation requires memory to be erased.\r\nAcquisition data will be deleted."));
    QCOMPARE(rig.prompter.shown.first().defaultAnswer, PromptAnswer::No);

    rig.prompter.answerNext(PromptAnswer::Yes);
    rig.click("Scrivicanali");
    QCOMPARE(rig.sent(),
             (QStringList{"b,", "h0, 8,", "h1, 0,", "H 0,", "H 1,", "H 2,", "H 3,", "H0,", "M,"}));
    QCOMPARE(rig.logger.channelCount(0), 8);
    QCOMPARE(ch.MUX(0)->text().trimmed(), QStringLiteral("8"));
    QCOMPARE(background(ch.MUX(0)), kInStep);

    // Typed, a count is checked as a whole number of channels.
    test::type(ch.MUX(0), QStringLiteral("2.5"));
    test::type(ch.MUX(1), QStringLiteral("0"));
    const auto before = rig.sent().size();
    rig.click("Scrivicanali");
    QCOMPARE(rig.sent().size(), before);
    QVERIFY(rig.prompter.texts().last().startsWith(QLatin1String("CH MUX0 must be")));
}

void SettingsGroupsTest::memoryEraseAndReset()
{
    MainRig rig;
    rig.logger.fillMemory(100);
    auto* total = rig.window.memory().Acq_possibili();
    auto* free = rig.window.memory().acq_disponibili();
    rig.prompter.answerNext(PromptAnswer::No);
    rig.click("Azzera_memoria");
    QCOMPARE(rig.sent(), QStringList());

    rig.prompter.answerNext(PromptAnswer::Yes);
    rig.click("Azzera_memoria");
    QCOMPARE(rig.sent(), (QStringList{"b", "H0,", "M,"}));
    QCOMPARE(rig.prompter.texts().last(),
             QStringLiteral(
                 "Are you sure you want to erase memory?\r\nAll acquisitions will be erased."));
    QCOMPARE(rig.numberOf(total), rig.logger.memoryCapacity());
    QCOMPARE(rig.numberOf(free), rig.logger.memoryCapacity());

    rig.prompter.answerNext(PromptAnswer::No);
    rig.click("Resetta");
    QCOMPARE(rig.sent().size(), 3);
    rig.prompter.answerNext(PromptAnswer::Yes);
    rig.window.Nome_Centralina()->setText(QStringLiteral("before"));
    rig.click("Resetta");
    QCOMPARE(rig.sent().mid(3),
             (QStringList{"z", "H0,", "M,", "H 0,", "H 1,", "H 2,", "H 3,", "C,", "Q", "O"}));
    QCOMPARE(rig.window.Nome_Centralina()->text(), rig.logger.name());

    // No channel on multiplexer 0: no memory state, and the boxes keep their text.
    rig.logger.setChannelCount(0, 0);
    total->setText(QStringLiteral("old"));
    rig.click("Aggiorna_acq");
    QCOMPARE(rig.prompter.texts().last(), QStringLiteral("No active channels on MUX 0!"));
    QCOMPARE(total->text(), QStringLiteral("old"));
    QCOMPARE(rig.sent().last(), QStringLiteral("H0,"));
}

void SettingsGroupsTest::smsSwitches()
{
    MainRig rig;
    auto& g = rig.window.messaging();
    rig.logger.settings().sms = {{"+393331234567"}, "1", 0, 1};
    rig.click("LEGGI_GSM");
    // A press on the clear alert box writes both flags plain, the other one as shown.
    test::pressBox(g.Abilita_SMS());
    const QString numbers = "i+393331234567,,,,,,,,,,1,";
    QCOMPARE(rig.sent().mid(2), (QStringList{numbers + "1,1,", "f+393331234567, 0,", "I", "F"}));
    QVERIFY(pausedBefore(rig, 'I'));
    QVERIFY(g.Abilita_SMS()->isChecked());
    // The space bar asks as well: the ticked warning box is cleared, the alert one kept.
    QTest::keyClick(g.PREABILITA_SMS(), Qt::Key_Space);
    QCOMPARE(rig.sent().mid(6, 2), (QStringList{numbers + "1,0,", "f+393331234567, 0,"}));
    QVERIFY(!g.PREABILITA_SMS()->isChecked());

    // A recipient with a comma is refused by the switch as by "Write".
    rig.click("LEGGI_GSM");
    test::type(g.NUMERO_ALLARME_SMS(0), QStringLiteral("1,2"));
    const auto before = rig.sent().size();
    test::pressBox(g.Abilita_SMS());
    QCOMPARE(rig.sent().size(), before);
    QVERIFY(rig.prompter.texts().last().startsWith("\"1,2\" contains a comma"));
    QVERIFY(!rig.window.lock().locked());
}

void SettingsGroupsTest::gprsAndEventsCounter()
{
    MainRig rig;
    auto& g = rig.window.messaging();
    rig.click("LeggiGPRS");
    QCOMPARE(g.GPRS(2)->text(), QStringLiteral("internet.apn"));
    QCOMPARE(background(g.GPRS(9)), kInStep);
    test::type(g.GPRS(0), QStringLiteral(" newuser "));
    rig.click("ScriviGPRS");
    QCOMPARE(rig.sent(), (QStringList{"K", "knewuser,pass,internet.apn,ftp.example.org,site1,"
                                           "secret,/upload,21,10,0,"}));
    QCOMPARE(g.GPRS(0)->text(), QStringLiteral("newuser"));
    QCOMPARE(rig.logger.settings().gprs[0], QStringLiteral("newuser"));

    // Never read (only the connection reads it): the first press reads the switch, the next
    // one switches it.
    auto& e = rig.window.eventsCounter();
    test::pressBox(e.PLUVIOMETRO());
    QCOMPARE(rig.sent().mid(2), QStringList{"U,"});
    QCOMPARE(e.PLUVIOMETRO()->checkState(), Qt::Unchecked);
    test::pressBox(e.PLUVIOMETRO());
    QCOMPARE(rig.sent().mid(3), (QStringList{"u1,", "U,"}));
    QVERIFY(pausedBefore(rig, 'U'));
    QVERIFY(e.PLUVIOMETRO()->isChecked() && rig.logger.settings().eventsCounter);
    // No answer to the read-back: the box shows that the state is unknown.
    rig.logger.setSilentFrom(int(rig.logger.commands().size()) + 2);
    test::pressBox(e.PLUVIOMETRO());
    QCOMPARE(rig.sent().mid(5), (QStringList{"u0,", "U,"}));
    QCOMPARE(e.PLUVIOMETRO()->checkState(), Qt::PartiallyChecked);
    QCOMPARE(background(e.mmpioggia()), kDesign);
}

QTEST_MAIN(SettingsGroupsTest)
#include "tst_settingsgroups.moc"
