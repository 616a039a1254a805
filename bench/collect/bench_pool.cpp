// A fleet collected through a pool of modems, over korvelan-sim at 9600 baud, in real time:
//  - six stations collected with one modem, then (in a program folder of their own, over the
//    same emulator) with three: the time of each run and their ratio, and whether each
//    station's data file holds its memory, every line once;
//  - a station busy on its first call, collected on its retry the same run.
// Prints the figures; exits 1 when a line is lost or repeated or the retry did not collect.
//
//   bench_pool [--keep]
#include "SimulatorPipe.h"
#include "remote/StationFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

using namespace korvelan;

namespace {

constexpr int kFleet = 6;
const QString kBusyNumber = QStringLiteral("0219000");

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

class Bench
{
public:
    explicit Bench(bool keep) { m_dir.setAutoRemove(!keep); }
    ~Bench()
    {
        m_sim.closeWriteChannel();
        if (!m_sim.waitForFinished(5000))
            m_sim.kill();
    }

    bool start()
    {
        QStringList args = {"--modems", "3", "--pace", "9600"};
        for (int i = 0; i < kFleet; ++i)
            args << "--station" << QStringLiteral("%1=ST%2").arg(number(i)).arg(i + 1);
        args << "--station" << kBusyNumber + "=ENGAGED,busy=1";
        const QString printed = bench::startSimulator(m_sim, args);
        static const QRegularExpression modem(QStringLiteral("^modem\\d? (\\S+)$"),
                                              QRegularExpression::MultilineOption);
        for (auto m = modem.globalMatch(printed); m.hasNext();)
            m_modems << m.next().captured(1);
        return m_modems.size() == 3;
    }

    // One --all-stations run through the first `modems` modems, in a program folder of its
    // own; its seconds, or -1 when a station's file does not hold its memory once.
    double fleet(int modems)
    {
        const QString folder = m_dir.filePath(QStringLiteral("fleet%1").arg(modems));
        StationTable table;
        for (int i = 0; i < kFleet; ++i)
            table[size_t(i)] = {QStringLiteral("ST%1").arg(i + 1), number(i), {}, {}};
        QElapsedTimer took;
        took.start();
        const QJsonArray loggers = collect(folder, table, modems, {});
        const double seconds = took.elapsed() / 1000.0;
        bool sound = loggers.size() == kFleet;
        for (int i = 0; i < loggers.size(); ++i) {
            const QJsonObject o = loggers[i].toObject();
            const QStringList memory = memoryOf(number(i));
            const QStringList file = linesOf(o["file"].toString());
            // Acquisitions may have come in since: the file holds the memory up to them.
            const bool once =
                o["collected"].toBool() && !file.isEmpty() && memory.mid(0, file.size()) == file;
            std::printf("  %d modem(s): %s %s, %lld lines%s\n", modems,
                        qPrintable(o["via"].toString()), qPrintable(o["result"].toString()),
                        file.size(), once ? "" : "  <- NOT its memory once");
            sound = sound && once;
        }
        return sound ? seconds : -1;
    }

    // A station busy on its first call, among two others, with one retry.
    bool retry()
    {
        StationTable table;
        table[0] = {"ENGAGED", kBusyNumber, {}, {}};
        table[1] = {"ST1", number(0), {}, {}};
        table[2] = {"ST2", number(1), {}, {}};
        QElapsedTimer took;
        took.start();
        const QJsonArray loggers =
            collect(m_dir.filePath("retry"), table, 3, {"--retry", "1", "--retry-after", "5"});
        const QJsonObject o = loggers.at(0).toObject();
        std::printf("retry run: %.1f s; ENGAGED: attempts %d, %s; %s\n", took.elapsed() / 1000.0,
                    o["attempts"].toInt(), qPrintable(o["result"].toString()),
                    qPrintable(o["notes"].toVariant().toStringList().join("; ")));
        return o["collected"].toBool() && o["attempts"].toInt() == 2;
    }

private:
    static QString number(int i) { return QStringLiteral("02110%1").arg(i); }

    QJsonArray collect(const QString& folder, const StationTable& table, int modems,
                       const QStringList& more)
    {
        const StationFiles files(folder);
        QDir().mkpath(folder);
        if (!files.save(table, nullptr))
            return {};
        QStringList args = {"--all-stations", "--folder", folder, "--out", folder, "--json"};
        for (int m = 0; m < modems; ++m)
            args << "--modem" << QString::number(m + 2) << "--com"
                 << QStringLiteral("%1=%2").arg(m + 2).arg(m_modems[m]);
        QProcess p;
        p.start(QStringLiteral(KORVELAN_COLLECT_PROGRAM), args + more);
        p.waitForFinished(600000);
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object()["loggers"].toArray();
    }

    QStringList memoryOf(const QString& target)
    {
        const QString path = m_dir.filePath("memory.txt");
        return bench::control(m_sim, QStringLiteral("memory %1 %2").arg(target, path)).isEmpty()
                   ? linesOf(path)
                   : QStringList();
    }

    QTemporaryDir m_dir;
    QProcess m_sim;
    QStringList m_modems;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Bench bench(app.arguments().contains(QStringLiteral("--keep")));
    if (!bench.start()) {
        std::fprintf(stderr, "bench_pool: korvelan-sim did not start with three modems\n");
        return 1;
    }
    std::printf("%d stations at 9600 baud, one modem, then three:\n", kFleet);
    const double one = bench.fleet(1);
    const double three = bench.fleet(3);
    std::printf("1 modem: %.1f s\n3 modems: %.1f s\nratio 3/1: %.2f (goal <= 0.40)\n", one, three,
                three / one);
    const bool retried = bench.retry();
    const bool good = one > 0 && three > 0 && three / one <= 0.40 && retried;
    std::printf("%s\n", good ? "all lines collected once; the busy station collected on its retry"
                             : "FAILED");
    return good ? 0 : 1;
}
