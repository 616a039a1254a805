// The station list's files: the values as they are read back, a list of 70 stations through
// a save and a load, and files that end early.
#include "remote/StationFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvelan;

namespace {

void writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

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
    QTest::newRow("lines") << QByteArray("SITE1\r\n0212345\r\n") << QStringList{"SITE1", "0212345"};
    QTest::newRow("empty lines are empty values")
        << QByteArray("A\r\n\r\n\r\nB\r\n") << QStringList{"A", "", "", "B"};
    QTest::newRow("a comma ends a value") << QByteArray("A,B\r\nC") << QStringList{"A", "B", "C"};
    QTest::newRow("blanks around dropped") << QByteArray("  A B \t\r\n") << QStringList{"A B"};
    QTest::newRow("quotes") << QByteArray("\"A, B\"\r\n \"C\" \r\n") << QStringList{"A, B", "C"};
    QTest::newRow("doubled quote")
        << QByteArray("\"say \"\"hi\"\"\"\r\n") << QStringList{"say \"hi\""};
    QTest::newRow("LF or CR alone") << QByteArray("A\nB\rC") << QStringList{"A", "B", "C"};
    QTest::newRow("unclosed quote ends at the line")
        << QByteArray("\"A,B\r\nC\r\n") << QStringList{"A,B", "C"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
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
    table[1] = {QStringLiteral("BOREHOLE 4, NORTH"), QStringLiteral("0212345"), QString(),
                QStringLiteral("05/12/2026")};
    table[2].Nome = QStringLiteral("\"QUOTED\" WELL");
    QTemporaryDir dir;
    const StationFiles files(dir.path());
    QString error;
    QVERIFY(files.save(table, &error));

    const QByteArray modem = readFile(files.modemPath());
    QCOMPARE(modem.count("\r\n"), 3 * kStations);
    QVERIFY(modem.startsWith("SITE0\r\n02120\r\n31/12/2027\r\n"
                             "\"BOREHOLE 4, NORTH\"\r\n0212345\r\n\r\n"
                             "\"\"\"QUOTED\"\" WELL\"\r\n\r\n\r\n"
                             "SITE3\r\n"));
    QCOMPARE(readFile(files.lastPath()).count("\r\n"), kStations);
    QVERIFY(readFile(files.lastPath()).startsWith("00/12/2026\r\n05/12/2026\r\n\r\n"));

    writeFile(files.portPath(), " 2 \r\n");
    const auto loaded = files.load();
    QVERIFY(loaded.complete);
    QCOMPARE(loaded.port, std::optional<int16_t>(2));
    for (int i = 0; i < kStations; ++i) {
        const Station& a = table[size_t(i)];
        const Station& b = loaded.stations[size_t(i)];
        QCOMPARE(QStringList({b.Nome, b.Telefono, b.Scadenza, b.Uldata}),
                 QStringList({a.Nome, a.Telefono, a.Scadenza, a.Uldata}));
    }

    // A list that cannot be written says why.
    QVERIFY(!StationFiles(dir.filePath("missing/folder")).save(table, &error));
    QVERIFY(error.contains("modem.ini"));
}

void StationFilesTest::shortFiles_data()
{
    QTest::addColumn<QByteArray>("modem");
    QTest::addColumn<QByteArray>("pmodem");
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QStringList>("firstRows"); // rows 0 and 1, then the Uldata of 69
    QTest::addColumn<int>("port");              // -1: none

    QByteArray full;
    for (int i = 0; i < 3 * kStations; ++i)
        full += QByteArray::number(i) + "\r\n";
    QByteArray dates;
    for (int i = 0; i < kStations + 5; ++i)
        dates += "D" + QByteArray::number(i) + "\r\n";
    QTest::newRow("first use: no files") << QByteArray() << QByteArray() << QByteArray() << false
                                         << QStringList{"", "", "", "", "", "", "", "", ""} << -1;
    QTest::newRow("four values fill what they can")
        << QByteArray("A\r\n1\r\nX\r\nB\r\n") << QByteArray("3") << QByteArray("D") << false
        << QStringList{"A", "1", "X", "", "B", "", "", "", ""} << -1;
    QTest::newRow("whole list, last port read, extra dates left out")
        << full << QByteArray(" 3 \r\n 5 \r\n") << dates << true
        << QStringList{"0", "1", "2", "D0", "3", "4", "5", "D1", "D69"} << 5;
    QTest::newRow("no port yet") << full << QByteArray("\r\n") << QByteArray() << true
                                 << QStringList{"0", "1", "2", "", "3", "4", "5", "", ""} << -1;
}

void StationFilesTest::shortFiles()
{
    QFETCH(QByteArray, modem);
    QFETCH(QByteArray, pmodem);
    QFETCH(QByteArray, last);
    QFETCH(bool, complete);
    QFETCH(QStringList, firstRows);
    QFETCH(int, port);
    QTemporaryDir dir;
    const StationFiles files(dir.path());
    if (!modem.isEmpty()) {
        writeFile(files.modemPath(), modem);
        writeFile(files.portPath(), pmodem);
        writeFile(files.lastPath(), last);
    }
    const auto loaded = files.load();
    QCOMPARE(loaded.complete, complete);
    QCOMPARE(loaded.port.value_or(-1), port);
    const auto& s = loaded.stations;
    QCOMPARE(QStringList({s[0].Nome, s[0].Telefono, s[0].Scadenza, s[0].Uldata, s[1].Nome,
                          s[1].Telefono, s[1].Scadenza, s[1].Uldata, s[69].Uldata}),
             firstRows);
    // A missing list is created empty, ready for the first save.
    QVERIFY(QFile::exists(files.modemPath()));
}

QTEST_GUILESS_MAIN(StationFilesTest)
#include "tst_stationfiles.moc"
