// The transport routines over an in-memory channel and a virtual clock.
#include "support/EmulatorRig.h"

#include <QTest>

using namespace korvelan;
using namespace std::chrono;

using Rig = test::ScriptedRig;

class TransportTest : public QObject
{
    Q_OBJECT
private slots:
    void fieldsAreSplitAtCommas_data();
    void fieldsAreSplitAtCommas();
    void silenceGivesMarkerAfterExactlyTheLimit();
    void parameterCharactersArePaced();
    void probe_data();
    void probe();
    void portFaultsAreExplained();
    void aSilentLoggerCostsOneTimeLimitPerAction();
    void aLostLineIsOpenedAgainByTheNextAction();
};

void TransportTest::fieldsAreSplitAtCommas_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("fields");
    // clang-format off
    QTest::newRow("two fields then silence") << QByteArray("12,34,") << QStringList{"12", "34", "%%"};
    QTest::newRow("leading comma is an empty field") << QByteArray(",5,") << QStringList{"", "5"};
    QTest::newRow("blanks and line ends stay in the field") << QByteArray(" 12,\r\nab ,7") << QStringList{" 12", "\r\nab ", "%%"};
    QTest::newRow("empty fields in a row") << QByteArray(",,x,") << QStringList{"", "", "x"};
    // clang-format on
}

void TransportTest::fieldsAreSplitAtCommas()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, fields);
    Rig rig;
    rig.answerWith(reply);
    QVERIFY(rig.transport.Invia_Comando("Q", ""));
    QStringList got;
    for (qsizetype i = 0; i < fields.size(); ++i)
        got << rig.transport.Leggi_Campo();
    QCOMPARE(got, fields);
}

void TransportTest::silenceGivesMarkerAfterExactlyTheLimit()
{
    Rig rig;
    QVERIFY(rig.transport.Invia_Comando("W", ""));
    const auto start = rig.clock.now();
    QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("%%"));
    QCOMPARE(rig.clock.now() - start, Duration(seconds(120)));

    // A field that completes just before the limit is still taken (in the next action: this
    // one has met a silent logger).
    rig.transport.action([&] {
        rig.peer.say("7", rig.clock.now() + seconds(1));
        rig.peer.say(",", rig.clock.now() + seconds(119) + milliseconds(999));
        const auto again = rig.clock.now();
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("7"));
        QCOMPARE(rig.clock.now() - again, Duration(seconds(119) + milliseconds(999)));
    });
}

void TransportTest::aSilentLoggerCostsOneTimeLimitPerAction()
{
    Rig rig;
    const auto start = rig.clock.now();
    QStringList fields;
    rig.transport.action([&] {
        QVERIFY(rig.transport.Invia_Comando("G", ","));
        for (int i = 0; i < 5; ++i)
            fields << rig.transport.Leggi_Campo();
        // A nested handler of the same action meets the same silence at once.
        rig.transport.action([&] {
            QVERIFY(rig.transport.Invia_Comando("C", ","));
            fields << rig.transport.Leggi_Campo();
        });
    });
    QCOMPARE(fields, QStringList(6, QStringLiteral("%%")));
    // One time limit for the first reply, the grace for the second command, nothing more.
    QCOMPARE(
        duration_cast<milliseconds>(rig.clock.now() - start).count(),
        duration_cast<milliseconds>(Transport::kFieldTimeLimit + Transport::kSilentGrace).count() +
            40); // the two commands' pacing
    QCOMPARE(rig.transport.missedFields(), 6);
    QVERIFY(!rig.transport.answering());

    // A logger that ignored one command is heard on the next, within the same action; then
    // the silence is over and the usual limit applies again.
    rig.transport.action([&] {
        QVERIFY(rig.transport.Invia_Comando("C", ","));
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("%%"));
        rig.answerWith("9,", milliseconds(500));
        QVERIFY(rig.transport.Invia_Comando("W", ""));
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("9"));
        QVERIFY(rig.transport.answering());
        rig.answerWith("8,", seconds(30));
        QVERIFY(rig.transport.Invia_Comando("W", ""));
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("8"));
    });
}

void TransportTest::parameterCharactersArePaced()
{
    Rig rig;
    const auto start = rig.clock.now();
    QVERIFY(rig.transport.Invia_Comando("c", "001,030,000,"));
    const auto& bytes = rig.peer.bytes;
    QCOMPARE(rig.peer.received(), QByteArray("c001,030,000,"));
    QCOMPARE(bytes.first().at, start); // the letter goes out at once
    for (qsizetype i = 1; i < bytes.size(); ++i)
        QVERIFY2(bytes[i].at - bytes[i - 1].at > milliseconds(10), qPrintable(QString::number(i)));
    // The next command's letter cannot follow the last parameter character sooner.
    QVERIFY(rig.clock.now() - bytes.last().at > milliseconds(10));
}

void TransportTest::probe_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("found");
    QTest::newRow("two bytes at once") << QByteArray("OK") << 10 << 1;
    QTest::newRow("one byte is enough") << QByteArray("x") << 1500 << 1;
    QTest::newRow("silence") << QByteArray() << 0 << 0;
    QTest::newRow("too late") << QByteArray("late") << 2100 << 0;
}

void TransportTest::probe()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, delayMs);
    QFETCH(int, found);
    Rig rig;
    rig.channel.close();
    rig.session.PortaSempreAperta = false;
    TimePoint probeSent{};
    rig.peer.onReceive = [&](const QByteArray& bytes, TimePoint at) {
        QCOMPARE(bytes, QByteArray("V"));
        probeSent = at;
        if (!answer.isEmpty())
            rig.peer.say(answer, at + milliseconds(delayMs));
    };
    const auto start = rig.clock.now();
    QCOMPARE(rig.transport.Apri_Porta(1), found);
    QVERIFY(rig.session.PortaSempreAperta);
    QVERIFY(rig.channel.isOpen());
    QVERIFY(rig.channel.dtr());
    QVERIFY(probeSent - start > seconds(3));
    QVERIFY(rig.clock.now() - probeSent >= seconds(1));
    QVERIFY(rig.clock.now() - probeSent <= seconds(2) + milliseconds(1));
    QCOMPARE(rig.peer.received(), QByteArray("V"));
    QCOMPARE(rig.channel.bytesWaiting(), 0); // the answer is not left for the next reader
}

void TransportTest::portFaultsAreExplained()
{
    // The probe (through the connection window) and a lost port that will not open again
    // both say it this way; a missing and a busy port are asserted through them.
    const QString port = QStringLiteral("COM 4 (/dev/ttyS3)");
    const std::pair<PortFault, QString> faults[] = {
        {PortFault::Denied, ": permission denied — add your user to the dialout group and log "
                            "in again"},
        {PortFault::Other, " cannot be opened: Input/output error"}};
    for (const auto& [fault, text] : faults)
        QCOMPARE(portErrorText(4, "/dev/ttyS3", fault, "Input/output error"), port + text);
}

void TransportTest::aLostLineIsOpenedAgainByTheNextAction()
{
    // The line drops in the middle of a reply: the read ends then, not at its time limit.
    Rig rig;
    rig.transport.action([&] {
        QVERIFY(rig.transport.Invia_Comando("K", ""));
        rig.peer.say("user,pa", rig.clock.now() + milliseconds(30));
        rig.peer.dropAt(rig.clock.now() + seconds(2));
        const auto start = rig.clock.now();
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("user"));
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("%%"));
        QCOMPARE(duration_cast<milliseconds>(rig.clock.now() - start).count(), 2000);
    });
    QVERIFY(!rig.channel.isOpen());

    // The cable is back: the next action reopens the same device and talks.
    rig.peer.reconnect();
    rig.answerWith("SITE1,");
    rig.transport.action([&] {
        QVERIFY(rig.transport.Invia_Comando("Q", ""));
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("SITE1"));
    });
    QCOMPARE(rig.channel.openCount(), 2);
    QCOMPARE(rig.channel.portName(), QStringLiteral("COM1"));

    // Still missing: one clear message per action, nothing sent, no wait.
    rig.channel.close();
    rig.channel.setExistingPorts({QStringLiteral("COM7")});
    const auto before = rig.peer.bytes.size();
    const auto start = rig.clock.now();
    rig.transport.action([&] {
        QVERIFY(!rig.transport.Invia_Comando("Q", ""));
        QCOMPARE(rig.transport.Leggi_Campo(), QStringLiteral("%%"));
        QVERIFY(!rig.transport.Invia_Comando("G", ","));
    });
    QCOMPARE(rig.peer.bytes.size(), before);
    QVERIFY(rig.clock.now() - start < seconds(1));
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.prompter.shown.first().text.endsWith(
        QStringLiteral("COM 1 (COM1) does not exist — is the adapter plugged in?")));

    // Closed on purpose (the program's close), it stays closed.
    rig.transport.Chiudi_Seriale();
    rig.channel.setExistingPorts({});
    rig.transport.action([&] { QVERIFY(!rig.transport.Invia_Comando("Q", "")); });
    QVERIFY(!rig.channel.isOpen());
}

QTEST_GUILESS_MAIN(TransportTest)
#include "tst_transport.moc"
