// Where a value comes from: what a reply field makes of it, how the fields and flags keep it
// as the operator and the program change them, and how a refusal names the fields.
#include "common/FieldOrigin.h"
#include "support/Typing.h"
#include "ui/FlagBox.h"
#include "ui/ValueEdit.h"

#include <QTest>

using namespace korvelan;

Q_DECLARE_METATYPE(Origin)

class OriginTest : public QObject
{
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void fieldList_data();
    void fieldList();
    void refusalSaysWhy();
    void textOrigin();
    void flagOrigin();
};

void OriginTest::replies_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<Origin>("text");
    QTest::addColumn<Origin>("number");
    QTest::addColumn<Origin>("flag");
    QTest::addColumn<bool>("on");
    const auto L = Origin::Logger, G = Origin::Garbled, N = Origin::NoAnswer;
    QTest::newRow("time-out marker") << "%%" << N << N << N << false;
    QTest::newRow("one") << "1" << L << L << L << true;
    QTest::newRow("blank and zero") << " 0" << L << L << L << false;
    QTest::newRow("padded, line end") << " 01\r\n" << L << L << L << true;
    QTest::newRow("two") << "2" << L << L << G << false;
    QTest::newRow("decimal") << "2.5" << L << L << G << false;
    QTest::newRow("empty") << "" << L << G << G << false;
    QTest::newRow("text") << "SITE1" << L << G << G << false;
    QTest::newRow("noise") << "#?\x7f" << G << G << G << false;
    QTest::newRow("control byte") << QString(QChar(2)) + "1" << G << G << G << false;
}

void OriginTest::replies()
{
    QFETCH(QString, field);
    QFETCH(Origin, text);
    QFETCH(Origin, number);
    QFETCH(Origin, flag);
    QFETCH(bool, on);
    QCOMPARE(replies::text(field), text);
    QCOMPARE(replies::number(field), number);
    QCOMPARE(replies::flag(field).origin, flag);
    QCOMPARE(replies::flag(field).on, on);
    QCOMPARE(replies::wholeNumber(QStringLiteral("17"), 0, 16), Origin::Garbled);
    QCOMPARE(replies::wholeNumber(QStringLiteral(" 16"), 0, 16), Origin::Logger);
    QCOMPARE(replies::nonZero(QStringLiteral(" 3")).on, true);
}

void OriginTest::fieldList_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("list");
    // clang-format off
    QTest::newRow("one") << QStringList{"Datalogger ID"} << "Datalogger ID";
    QTest::newRow("two") << QStringList{"Clock day", "Clock month"} << "Clock day and Clock month";
    QStringList numbers;
    for (int i = 1; i <= 10; ++i)
        numbers << QStringLiteral("SMS number %1").arg(i);
    QTest::newRow("a run") << numbers + QStringList{"# Recipients"} << "SMS numbers 1\u201310 and # Recipients";
    QTest::newRow("two in a row, and a gap") << QStringList{"CH MUX0",      "CH MUX1",      "SMS number 3", "SMS number 4", "SMS number 5", "SMS number 9"} << "CH MUX0, CH MUX1, SMS numbers 3\u20135 and SMS number 9";
    QStringList rows;
    for (int c = 2; c <= 5; ++c)
        rows << QStringLiteral("Channel %1 name").arg(c)
             << QStringLiteral("Channel %1 zero volt").arg(c);
    QTest::newRow("rows") << rows + QStringList{"Channel 9 name"} << "Channels 2\u20135 (name, zero volt) and Channel 9 name";
    QTest::newRow("repeated") << QStringList{"Bank 0", "Bank 0"} << "Bank 0";
    // clang-format on
}

void OriginTest::fieldList()
{
    QFETCH(QStringList, names);
    QFETCH(QString, list);
    QCOMPARE(korvelan::fieldList(names), list);
}

void OriginTest::refusalSaysWhy()
{
    QCOMPARE(unknownFieldsText(QStringLiteral("read the clock first"),
                               {{"Clock day", Origin::NeverRead},
                                {"Clock hours", Origin::NoAnswer},
                                {"Clock minutes", Origin::Garbled},
                                {"Clock month", Origin::NeverRead}}),
             QStringLiteral("Clock day and Clock month were never read from the logger; Clock "
                            "hours got no answer from the logger; Clock minutes came garbled from "
                            "the logger. Nothing was sent: read the clock first."));
    QCOMPARE(unknownFieldsText(QStringLiteral("read it"), {{"Datalogger ID", Origin::Partial}}),
             QStringLiteral("Datalogger ID holds only part of the logger's value. Nothing was "
                            "sent: read it."));
}

void OriginTest::textOrigin()
{
    ValueEdit box(QStringLiteral("box"));
    QCOMPARE(box.origin(), Origin::NeverRead);
    box.showReply(QStringLiteral("12"), Origin::Logger);
    // Shown another way, it is still the logger's; put there by the program, it is nobody's.
    box.reshow(QStringLiteral("012"));
    QCOMPARE(box.origin(), Origin::Logger);
    box.setText(QStringLiteral("0"));
    QCOMPARE(box.origin(), Origin::NeverRead);
    // Typed, erased too: the operator's; a key that changes nothing changes nothing.
    test::type(&box, QString());
    QCOMPARE(box.origin(), Origin::Operator);
    box.showReply(QStringLiteral("%%"), Origin::NoAnswer);
    QTest::keyClick(&box, Qt::Key_End);
    QCOMPARE(box.origin(), Origin::NoAnswer);
}

void OriginTest::flagOrigin()
{
    FlagBox box(QStringLiteral("flag"), QStringLiteral("Flag"));
    box.setHint(QStringLiteral("What it is"));
    // No answer or a garbled one: the third state, and a tooltip saying so.
    box.showReply({Origin::Garbled, false});
    QCOMPARE(box.checkState(), Qt::PartiallyChecked);
    QVERIFY(box.toolTip().startsWith(QLatin1String("What it is\n")));
    // The operator's click ticks it, and it is the operator's; taken back, as it was.
    box.click();
    QCOMPARE(box.value(), true);
    QCOMPARE(box.toolTip(), QStringLiteral("What it is"));
    box.undoClick();
    QCOMPARE(box.checkState(), Qt::PartiallyChecked);
    QVERIFY(!box.value());
    // Ticked by the program: nobody's.
    box.showReply(replies::flag(QStringLiteral("0")));
    box.setChecked(true);
    QCOMPARE(box.origin(), Origin::NeverRead);
}

QTEST_MAIN(OriginTest)
#include "tst_origin.moc"
