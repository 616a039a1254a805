// The station list's files: values as they are read back, 70 stations through a save and a
// load, and files that end early.
#include "remote/StationFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace

class StationFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void valuesReadBack_data();
    void valuesReadBack();
    void seventyStationsSavedAndLoaded();
    void shortFiles_data();
    void shortFiles();
};

void StationFilesTest::valuesReadBack_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("empty lines are values")
        << QByteArray("A\r\n\r\nB\r\n") << QStringList{"A", "", "B"};
    QTest::newRow("comma, LF, CR") << QByteArray("A,B\nC\rD") << QStringList{"A", "B", "C", "D"};
    QTest::newRow("blanks around dropped") << QByteArray("  A B \t\r\n") << QStringList{"A B"};
    QTest::newRow("quotes") << QByteArray("\"A, \"\"B\"\"\" \r\n") << QStringList{"A, \"B\""};
    QTest::newRow("unclosed quote ends at the line")
        << QByteArray("\"A,B\r\nC\r\n") << QStringList{"A,B", "C"};
}

void StationFilesTest::valuesReadBack()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, values);
    QCOMPARE(stationfiles::readValues(contents), values);
}

void StationFilesTest::seventyStationsSavedAndLoaded()
{
    StationTable table;
    for (int i = 0; i < kStations; i += 3)
        table[size_t(i)] = {QStringLiteral("SITE%1").arg(i), QStringLiteral("0212%1").arg(i),
                            QStringLiteral("31/12/2027"), QStringLiteral("0%1/12/2026").arg(i % 9)};
    // A comma or a quote no longer shifts the rest of the table.
    table[1] = {QStringLiteral("BH 4, NORTH"), QStringLiteral("0212345"), {}, {}};
    table[2].Nome = QStringLiteral("\"QUOTED\" WELL");
    QTemporaryDir dir;
    const StationFiles files(dir.path());
    QVERIFY(files.save(table, nullptr));

    const QByteArray modem = readFile(files.modemPath());
    QCOMPARE(modem.count("\r\n"), 3 * kStations);
    QVERIFY(modem.startsWith("SITE0\r\n02120\r\n31/12/2027\r\n\"BH 4, NORTH\"\r\n0212345\r\n\r\n"
                             "\"\"\"QUOTED\"\" WELL\"\r\n\r\n\r\nSITE3\r\n"));
    QCOMPARE(readFile(files.lastPath()).count("\r\n"), kStations);
    const auto loaded = files.load();
    for (int i = 0; i < kStations; ++i) {
        const Station& a = table[size_t(i)];
        const Station& b = loaded.stations[size_t(i)];
        QCOMPARE(QStringList({b.Nome, b.Telefono, b.Scadenza, b.Uldata}),
                 QStringList({a.Nome, a.Telefono, a.Scadenza, a.Uldata}));
    }
    // A list that cannot be written says why.
    QString error;
    QVERIFY(!StationFiles(dir.filePath("missing")).save(table, &error));
    QVERIFY(error.contains("modem.ini"));
}

void StationFilesTest::shortFiles_data()
{
    QTest::addColumn<QByteArray>("modem");
    QTest::addColumn<QByteArray>("pmodem");
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<QStringList>("read"); // row 0, row 1, the date of row 69, the port

    QByteArray full;
    for (int i = 0; i < 3 * kStations; ++i)
        full += QByteArray::number(i) + "\r\n";
    QByteArray dates;
    for (int i = 0; i < kStations + 5; ++i)
        dates += "D" + QByteArray::number(i) + "\r\n";
    const QStringList rows01{"0", "1", "2", "D0", "3", "4", "5", "D1", "D69"};
    QTest::newRow("first use") << QByteArray() << QByteArray() << QByteArray()
                               << QStringList{"", "", "", "", "", "", "", "", "", "none"};
    // The rows it has, then nothing: no port, no dates.
    QTest::newRow("four values") << QByteArray("A\r\n1\r\nX\r\nB\r\n") << QByteArray("3") << dates
                                 << QStringList{"A", "1", "X", "", "B", "", "", "", "", "none"};
    QTest::newRow("last port, 70 dates")
        << full << QByteArray(" 3 \r\n 5 \r\n") << dates << rows01 + QStringList{"5"};
    QTest::newRow("no port yet") << full << QByteArray("\r\n") << dates
                                 << rows01 + QStringList{"none"};
}

void StationFilesTest::shortFiles()
{
    QFETCH(QByteArray, modem);
    QFETCH(QByteArray, pmodem);
    QFETCH(QByteArray, last);
    QFETCH(QStringList, read);
    QTemporaryDir dir;
    const StationFiles files(dir.path());
    const QList<QPair<QString, QByteArray>> contents{
        {files.modemPath(), modem}, {files.portPath(), pmodem}, {files.lastPath(), last}};
    for (const auto& [path, bytes] : contents) {
        QFile file(path);
        if (!bytes.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    const auto loaded = files.load();
    const auto& s = loaded.stations;
    QCOMPARE(QStringList({s[0].Nome, s[0].Telefono, s[0].Scadenza, s[0].Uldata, s[1].Nome,
                          s[1].Telefono, s[1].Scadenza, s[1].Uldata, s[69].Uldata,
                          loaded.port ? QString::number(*loaded.port) : "none"}),
             read);
    QCOMPARE(loaded.complete, modem.count('\n') >= 3 * kStations);
    // A missing list is made, empty, ready for the first save.
    QVERIFY(QFile::exists(files.modemPath()));
}

QTEST_GUILESS_MAIN(StationFilesTest)
#include "tst_stationfiles.moc"
