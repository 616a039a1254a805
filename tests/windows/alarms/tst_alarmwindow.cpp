// The alert and warning window against the emulated logger, opened from the main window:
// the rows of each selection, the SMS texts, the filter and the simultaneous-alarm rule, with
// the checks made before writing.
#include "../main/MainRig.h"
#include "windows/alarms/AlarmWindow.h"
#include "windows/main/ChannelsGroup.h"
#include "windows/main/FieldEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace korvelan;
using test::MainRig;

namespace {

AlarmWindow& open(MainRig& rig, const QStringList& counts)
{
    for (int m = 0; m < counts.size(); ++m)
        rig.window.channels().MUX(m)->setText(counts[m]);
    rig.window.show();
    rig.click(QStringLiteral("Leggi_Allarmi"));
    return rig.window.alarms();
}

void click(AlarmWindow& w, const QString& name)
{
    w.findChild<QPushButton*>(name)->click();
}

QStringList rowTexts(const AlarmWindow& w, int row)
{
    QStringList out;
    for (int c = 0; c < 5; ++c)
        out << w.box(row, c)->text();
    return out;
}

QStringList reads(int first, int n)
{
    QStringList out;
    for (int c = first; c < first + n; ++c)
        out << QStringLiteral("J %1,").arg(c) << QStringLiteral(") %1,").arg(c);
    return out;
}

} // namespace

class AlarmWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void rowsOfAMultiplexer();
    void rowsOfAVirtualMultiplexer();
    void rowsWrite();
    void smsTexts();
    void writeChecks_data();
    void writeChecks();
};

void AlarmWindowTest::rowsOfAMultiplexer()
{
    MainRig rig;
    rig.logger.settings().alerts[17] = {1, 9.5, -2};
    auto& w = open(rig, {"4", "5"});
    QVERIFY(!rig.window.isVisible() && w.isVisible());
    click(w, "Leggi_all1");
    QCOMPARE(rig.sent(), reads(16, 5));
    QCOMPARE(rowTexts(w, 1), (QStringList{" 1", "9.5", "-2", "0", "0"}));
    for (int i = 0; i < AlarmWindow::kRows; ++i) {
        QCOMPARE(w.Numero_Canali(i)->text(), QString::number(16 + i));
        QCOMPARE(w.box(i, 1)->isEnabled(), i < 5);
        // Rows beyond the count say so, and are not taken as edited.
        QCOMPARE(w.box(i, 0)->text() == "Non Attivo", i >= 5);
        QCOMPARE(background(w.box(i, 0)), AlarmWindow::kEnableColour);
    }
    QVERIFY(w.findChild<QPushButton*>("ScriviAll1")->isEnabled());
    QVERIFY(!w.findChild<QPushButton*>("ScriviAll0")->isEnabled());

    // The operator's edits are marked, the filter boxes' too.
    w.box(2, 1)->setText(QStringLiteral("7"));
    w.chkFiltro(2)->setChecked(true);
    QCOMPARE(background(w.box(2, 1)), kEdited);
    QCOMPARE(background(w.chkFiltro(2)), kEdited);
    // Reading the SMS texts leaves no real multiplexer to write.
    click(w, "MESSAGGIO_PERSONALE_LEGGI");
    QVERIFY(!w.findChild<QPushButton*>("ScriviAll1")->isEnabled());

    w.close();
    QVERIFY(rig.window.isVisible());
}

void AlarmWindowTest::rowsOfAVirtualMultiplexer()
{
    MainRig rig;
    rig.logger.settings().virtualInUse[1] = false;
    rig.logger.settings().alerts[33] = {1, 4, 1};
    auto& w = open(rig, {"4", "0", "2"});
    click(w, "Leggi_all2");
    QCOMPARE(rig.sent(), (QStringList{"/ 0,", "J 32,", ") 32,", "/ 1,", "J 33,", ") 33,"}));
    // Not in use: shown, not editable.
    QVERIFY(w.box(0, 1)->isEnabled() && !w.box(1, 1)->isEnabled());
    QCOMPARE(w.box(1, 1)->text(), QStringLiteral("4"));
    QVERIFY(w.findChild<QPushButton*>("ScriviAll2")->isEnabled());
    QVERIFY(!w.findChild<QPushButton*>("ScriviAll3")->isEnabled());
}

void AlarmWindowTest::rowsWrite()
{
    MainRig rig;
    auto& w = open(rig, {"3", "0"});
    click(w, "Leggi_all0");
    w.box(2, 0)->setText(QStringLiteral("1"));
    w.box(2, 1)->setText(QStringLiteral(" 12.5 "));
    w.box(2, 2)->setText(QStringLiteral("3"));
    w.box(2, 4)->setText(QStringLiteral("-4"));
    const auto before = rig.sent().size();
    click(w, "ScriviAll0");
    QCOMPARE(rig.sent().mid(before),
             (QStringList{"j 0,1,3100,2100,", "( 0,3000,2200,", "j 1,0,0,0,", "( 1,0,0,",
                          "j 2,1,12.5,3,", "( 2,0,-4,"} +
              reads(0, 3)));
    QCOMPARE(rowTexts(w, 2), (QStringList{" 1", "12.5", "3", "0", "-4"}));
    QCOMPARE(background(w.box(2, 1)), AlarmWindow::kAlertColour);
}

void AlarmWindowTest::smsTexts()
{
    MainRig rig;
    auto& w = open(rig, {});
    const QStringList lines{"W1", "",   "W3", "W4", "W5",
                            "A1", "A2", "A3", "A4", "A LINE OF 25 CHARACTERS!"};
    for (int i = 0; i < 10; ++i)
        w.smsLine(i)->setText(lines[i]);
    QCOMPARE(background(w.smsLine(0)), kEdited);
    click(w, "MESSAGGIO_PERSONALE_SCRIVI");
    QCOMPARE(rig.sent(), (QStringList{"x" + lines.join(',') + ',', "X", "X"}));
    // Read back: the logger's lines, in their normal colour again.
    QCOMPARE(w.smsLine(9)->text(), lines[9]);
    QCOMPARE(background(w.smsLine(0)), AlarmWindow::kPlain);
}

void AlarmWindowTest::writeChecks_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("boxes"); // names, then values
    QTest::addColumn<QString>("expected");  // what goes on the wire, or the message
    const QStringList filter{"txtMaxRipetizioni", "txtFiltroSoglia"};
    const QStringList rule{"txtContempPreallarmi", "txtContempAllarmi", "txtDurataSirena"};
    const QStringList line3{"SMS_PERSONALIZZATO3"};
    const QStringList warning0{"PRESMS_PERSONALIZZATO0"};
    const QString lineTooLong(26, u'x');
    const QString f = "cmdScriviFiltro", r = "cmdContempScrivi", sms = "MESSAGGIO_PERSONALE_SCRIVI";
    const QString reps = "Specificare un valido numero massimo di ripetizioni";
    const QString warn = " of sensors over Warning threashold to raise a Warning.";
    const QString alert = " of sensors over Alert threashold to raise an Alert.";
    const QString duration = " duration of local Alert/Warning [sec]";
    const struct
    {
        QString button;
        QStringList boxes;
        QString expected;
    } rows[] = {
        {f, filter + QStringList{" 3 ", "25"}, "[3,25,"},
        {f, filter + QStringList{"", "5"}, "Specificare il numero massimo di ripetizioni."},
        {f, filter + QStringList{"x", "5"}, reps + "."},
        {f, filter + QStringList{"2.5", "5"}, reps + "."},
        {f, filter + QStringList{"9", "5"}, reps + " (1-8)."},
        {f, filter + QStringList{"8", ""}, "Specificare la soglia del filtro."},
        {f, filter + QStringList{"1", "-1"}, "Specificare una soglia valida per il filtro."},
        {r, rule + QStringList{"2", "3", "28800"}, "<2,3,1,28800,"},
        {r, rule + QStringList{"", "3", "0"}, "Insert minimum #" + warn},
        {r, rule + QStringList{"-1", "3", "0"}, "Insert a valid #" + warn},
        {r, rule + QStringList{"1", "", "0"}, "Insert minimum #" + alert},
        {r, rule + QStringList{"1", "a", "0"}, "Insert a valid #" + alert},
        {r, rule + QStringList{"1", "1", ""}, "Insert" + duration + "."},
        {r, rule + QStringList{"1", "1", "1h"}, "Insert a valid" + duration + "."},
        {r, rule + QStringList{"1", "1", "28801"}, "Insert a valid" + duration + " (0-28800)."},
        {sms, line3 + QStringList{lineTooLong}, "Row 3 of Alert SMS text is too long."},
        {sms, warning0 + QStringList{lineTooLong}, "Row 0 of Warning SMS text is too long."},
        {sms, line3 + QStringList{"A,B"}, "comma"},
    };
    for (const auto& row : rows)
        QTest::addRow("%s %s", qPrintable(row.button), qPrintable(row.boxes.join(u'|')))
            << row.button << row.boxes << row.expected;
}

void AlarmWindowTest::writeChecks()
{
    QFETCH(QString, button);
    QFETCH(QStringList, boxes);
    QFETCH(QString, expected);
    MainRig rig;
    auto& w = open(rig, {});
    const auto n = boxes.size() / 2;
    for (qsizetype i = 0; i < n; ++i)
        w.findChild<QLineEdit*>(boxes[i])->setText(boxes[n + i]);
    w.findChild<QCheckBox*>("chkContemp")->setChecked(true);
    click(w, button);
    if (expected.startsWith('[') || expected.startsWith('<')) {
        QCOMPARE(rig.sent(), (QStringList{expected, button.contains("Filtro") ? "]" : ">"}));
        QVERIFY(rig.prompter.shown.isEmpty());
        // The read-back shows what the logger keeps.
        QCOMPARE(w.findChild<QLineEdit*>(boxes[0])->text().trimmed(), boxes[n].trimmed());
        return;
    }
    QCOMPARE(rig.sent(), QStringList());
    QCOMPARE(rig.prompter.shown.size(), 1);
    if (expected == "comma") {
        QVERIFY(rig.prompter.shown[0].text.contains(expected));
        return;
    }
    QCOMPARE(rig.prompter.shown[0].text, expected);
    QCOMPARE(rig.prompter.shown[0].title, button == "cmdScriviFiltro"
                                              ? QStringLiteral("Azione annullata")
                                              : QStringLiteral("Operation Cancelled"));
}

QTEST_MAIN(AlarmWindowTest)
#include "tst_alarmwindow.moc"
