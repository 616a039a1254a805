// The messaging settings and the events counter against the emulated logger: what goes on
// the wire, what the fields and switches show afterwards, and what is refused before sending.
#include "MainRig.h"
#include "windows/main/EventsCounterGroup.h"
#include "windows/main/FieldEdit.h"
#include "windows/main/MessagingGroup.h"
#include "windows/main/SwitchBox.h"

#include <QCheckBox>
#include <QTest>

using namespace korvelan;
using namespace std::chrono;
using test::MainRig;

namespace {

// A press on a switch box, or a click on a button.
void press(MainRig& rig, const QString& name)
{
    if (auto* box = rig.find<SwitchBox>(name))
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    else
        rig.click(name);
}

// Time from the end of the command before the last `letter` to that letter.
Duration gapBefore(const MainRig& rig, char letter)
{
    const auto& c = rig.logger.commands();
    for (auto i = c.size() - 1; i > 0; --i) {
        if (c[i].letter == letter)
            return c[i].started - c[i - 1].completed;
    }
    return {};
}

} // namespace

class MessagingTest : public QObject
{
    Q_OBJECT
private slots:
    void smsWriteReadsBack();
    void smsSwitches_data();
    void smsSwitches();
    void gprs();
    void eventsCounter();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void typingLimits_data();
    void typingLimits();
};

void MessagingTest::smsWriteReadsBack()
{
    MainRig rig;
    auto& g = rig.window.messaging();
    g.NUMERO_ALLARME_SMS(0)->setText(QStringLiteral(" A "));
    g.NUMERO_ALLARME_SMS(1)->setText(QStringLiteral("B"));
    g.NUMERO_ALLARMI_SMS()->setText(QStringLiteral("2"));
    g.Abilita_SMS()->setChecked(true);
    // The telephone alarm was never read: it is left as the logger has it.
    rig.click("SCRIVI_GSM");
    QCOMPARE(rig.sent(), (QStringList{"iA,B,,,,,,,,,2, 1, 0,", "I", "F"}));
    QCOMPARE(rig.logger.settings().phoneAlarm.number, QStringLiteral("+393331234567"));
    QCOMPARE(g.NUMERO_ALLARME_SMS(0)->text(), QStringLiteral("A"));
    QCOMPARE(g.NUMERO_ALLARME_TELEFONO()->text(), QStringLiteral("+393331234567"));
    for (auto* f : {g.NUMERO_ALLARME_SMS(0), g.NUMERO_ALLARME_SMS(9), g.NUMERO_ALLARMI_SMS()})
        QCOMPARE(background(f), kDesign);

    // Once read, it is written back unchanged with every write.
    rig.logger.settings().phoneAlarm.enable = 1;
    rig.click("LEGGI_GSM");
    QVERIFY(g.Abilita_Telefono()->isChecked());
    rig.click("SCRIVI_GSM");
    QCOMPARE(rig.sent().mid(5),
             (QStringList{"iA,B,,,,,,,,,2, 1, 0,", "f+393331234567, 1,", "I", "F"}));
    QVERIFY(!rig.window.lock().locked());
}

void MessagingTest::smsSwitches_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("alertsBefore");
    QTest::addColumn<bool>("warningsBefore");
    QTest::addColumn<bool>("silentReadBack");
    QTest::addColumn<QString>("flags"); // the last two fields of "i"
    QTest::addColumn<bool>("alertsAfter");
    QTest::addColumn<bool>("warningsAfter");
    QTest::newRow("alerts on, warnings ticked")
        << "Abilita_SMS" << false << true << false << "1,1," << true << true;
    QTest::newRow("warnings off") << "PREABILITA_SMS" << true << true << false << "1,0," << true
                                  << false;
    QTest::newRow("no answer to the read-back shows off")
        << "PREABILITA_SMS" << false << false << true << "0,1," << false << false;
}

void MessagingTest::smsSwitches()
{
    QFETCH(QString, box);
    QFETCH(bool, alertsBefore);
    QFETCH(bool, warningsBefore);
    QFETCH(bool, silentReadBack);
    QFETCH(QString, flags);
    QFETCH(bool, alertsAfter);
    QFETCH(bool, warningsAfter);
    MainRig rig;
    auto& g = rig.window.messaging();
    rig.logger.settings().sms.alertFlag = alertsBefore;
    rig.logger.settings().sms.warningFlag = warningsBefore;
    rig.click("LEGGI_GSM");
    QCOMPARE(g.Abilita_SMS()->isChecked(), alertsBefore);
    if (silentReadBack)
        rig.logger.setSilentFrom(rig.logger.commands().size() + 3); // "i" and "f" are taken
    press(rig, box);
    QCOMPARE(rig.sent().mid(2),
             (QStringList{"i+393331234567,,,,,,,,,,1," + flags, "f+393331234567, 0,", "I", "F"}));
    QVERIFY(gapBefore(rig, 'I') >= milliseconds(500));
    QCOMPARE(g.Abilita_SMS()->isChecked(), alertsAfter);
    QCOMPARE(g.PREABILITA_SMS()->isChecked(), warningsAfter);

    // The space bar asks the logger too, and never ticks the box by itself.
    rig.logger.setSilentFrom(1000);
    rig.click("LEGGI_GSM");
    const bool was = rig.find<SwitchBox>(box)->isChecked();
    const auto before = rig.sent().size();
    QTest::keyClick(rig.find<SwitchBox>(box), Qt::Key_Space);
    QCOMPARE(rig.sent().size(), before + 4);
    QCOMPARE(rig.find<SwitchBox>(box)->isChecked(), !was);
}

void MessagingTest::gprs()
{
    MainRig rig;
    auto& g = rig.window.messaging();
    rig.click("LeggiGPRS");
    QCOMPARE(rig.sent(), QStringList{"K"});
    QCOMPARE(g.GPRS(2)->text(), QStringLiteral("internet.apn"));
    QCOMPARE(background(g.GPRS(9)), kInStep);

    g.GPRS(0)->markEdited();
    g.GPRS(0)->setText(QStringLiteral(" newuser "));
    rig.click("ScriviGPRS");
    QCOMPARE(
        rig.sent().mid(1),
        QStringList{"knewuser,pass,internet.apn,ftp.example.org,site1,secret,/upload,21,10,0,"});
    QCOMPARE(g.GPRS(0)->text(), QStringLiteral("newuser"));
    QCOMPARE(background(g.GPRS(0)), kInStep);
    QCOMPARE(rig.logger.settings().gprs[0], QStringLiteral("newuser"));
}

void MessagingTest::eventsCounter()
{
    MainRig rig;
    auto& e = rig.window.eventsCounter();
    press(rig, "PLUVIOMETRO");
    QCOMPARE(rig.sent(), (QStringList{"u1,", "U,"}));
    QVERIFY(gapBefore(rig, 'U') >= milliseconds(500));
    QVERIFY(e.PLUVIOMETRO()->isChecked());
    QVERIFY(rig.logger.settings().eventsCounter);
    // The logger does not answer the read-back: the box shows off.
    rig.logger.setSilentFrom(rig.logger.commands().size() + 2);
    press(rig, "PLUVIOMETRO");
    QCOMPARE(rig.sent().mid(2), (QStringList{"u0,", "U,"}));
    QVERIFY(!e.PLUVIOMETRO()->isChecked());

    rig.logger.setSilentFrom(1000);
    e.mmpioggia()->setText(QStringLiteral(" 0.25 "));
    rig.click("mmpioggiatastoscrivi");
    QCOMPARE(rig.sent().mid(4), (QStringList{">0.25,", "<"}));
    QCOMPARE(e.mmpioggia()->text(), QStringLiteral("0.25"));
    QCOMPARE(background(e.mmpioggia()), kDesign);
}

void MessagingTest::refusedBeforeSending_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("message"); // a part of it
    QTest::newRow("recipient") << "NUMERO_ALLARME_SMS3"
                               << "12,3"
                               << "SCRIVI_GSM"
                               << "comma";
    QTest::newRow("recipient, by the switch") << "NUMERO_ALLARME_SMS0"
                                              << "1,2"
                                              << "Abilita_SMS"
                                              << "comma";
    QTest::newRow("GPRS value") << "GPRS6"
                                << "/a,b"
                                << "ScriviGPRS"
                                << "comma";
    QTest::newRow("pulse value") << "mmpioggia"
                                 << "0,2"
                                 << "mmpioggiatastoscrivi"
                                 << "comma";
    QTest::newRow("recipient never answered") << "NUMERO_ALLARME_SMS0"
                                              << "%%"
                                              << "SCRIVI_GSM"
                                              << "did not answer";
    QTest::newRow("GPRS value never answered") << "GPRS7"
                                               << "%%"
                                               << "ScriviGPRS"
                                               << "did not answer";
}

void MessagingTest::refusedBeforeSending()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, control);
    QFETCH(QString, message);
    MainRig rig;
    rig.find<QLineEdit>(field)->setText(value);
    press(rig, control);
    QCOMPARE(rig.sent(), QStringList());
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY2(rig.prompter.shown.first().text.contains(message),
             qPrintable(rig.prompter.shown.first().text));
    QVERIFY(!rig.window.lock().locked());
}

void MessagingTest::typingLimits_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit");
    QTest::newRow("recipient") << "NUMERO_ALLARME_SMS9" << 14;
    QTest::newRow("GPRS password") << "GPRS1" << 16;
    QTest::newRow("APN server") << "GPRS2" << 29;
    QTest::newRow("FTP user") << "GPRS4" << 20;
    QTest::newRow("FTP port") << "GPRS7" << 8;
    QTest::newRow("pulse value") << "mmpioggia" << 14;
}

void MessagingTest::typingLimits()
{
    QFETCH(QString, field);
    QFETCH(int, limit);
    MainRig rig;
    auto* box = rig.find<QLineEdit>(field);
    QTest::keyClicks(box, QString(40, QLatin1Char('7')));
    QCOMPARE(box->text().size(), limit);
    // What the logger answers is shown whole.
    box->setText(QString(40, QLatin1Char('8')));
    QCOMPARE(box->text().size(), 40);
}

QTEST_MAIN(MessagingTest)
#include "tst_messaging.moc"
