// Soak of korvelan-collect --since-last over korvelan-sim, in real time: consecutive
// collections of a logger on the cable and of two stations whose loggers answer one name,
// each run with a seeded random fault, and after every run the checks a scheduler's operator
// relies on:
//  - the complete data files of each logger, in order, hold its memory exactly once (a prefix
//    of it, and after a collection at least what it held when the run began);
//  - partial files hold only lines of the logger's memory, and no file appears that the
//    summary does not name;
//  - no earlier file changed;
//  - every call that connected was escaped ("+++") and hung up ("ATH") before anything else;
//  - the exit status and the summary agree, and the summary's files hold what it says.
// Prints one line per run and the figures at the end; exits 1 when anything was violated.
//
//   soak_collect [--runs N] [--seed S] [--keep]
#include "SimulatorPipe.h"
#include "remote/StationFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>

using namespace korvelan;

namespace {

// A logger and how it is reached.
struct Target
{
    QString name;    // as the soak calls it: CABLE, NORTH, SOUTH
    QString control; // as korvelan-sim's control lines name it
    QString number;  // a station's telephone number
    QStringList faults;
    QStringList bag;   // the faults still to draw before every kind has come once more
    QStringList files; // complete data files, in order
};

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (file.open(QIODevice::ReadOnly))
        hash.addData(&file);
    return hash.result();
}

class Soak
{
public:
    Soak(quint32 seed, bool keep) : m_random(seed)
    {
        m_dir.setAutoRemove(!keep);
        QDir().mkpath(m_folder);
        QDir().mkpath(m_out);
    }

    ~Soak()
    {
        m_sim.closeWriteChannel(); // korvelan-sim ends with its standard input
        if (!m_sim.waitForFinished(5000))
            m_sim.kill();
    }

    bool start()
    {
        const QString printed =
            bench::startSimulator(m_sim, {"--fill", "20", "--timer", "15", "--pace", "9600",
                                          "--split-results", "5", "--station", "0212345=TWIN",
                                          "--station", "0399887766=TWIN", "--trace", m_trace});
        static const QRegularExpression device(QStringLiteral("^(logger|modem) (\\S+)$"),
                                               QRegularExpression::MultilineOption);
        for (auto m = device.globalMatch(printed); m.hasNext();) {
            const auto match = m.next();
            (match.captured(1) == "logger" ? m_logger : m_modem) = match.captured(2);
        }
        if (m_logger.isEmpty() || m_modem.isEmpty())
            return false;
        StationTable table;
        table[0] = {"NORTH", "0212345", {}, {}};
        table[1] = {"SOUTH", "0399887766", {}, {}};
        const StationFiles files(m_folder);
        const QStringList common = {"signal", "silence", "clock back", "clock ahead", "second"};
        m_targets = {
            {"CABLE", "logger", {}, common, {}, {}},
            {"NORTH", "0212345", "0212345", common + QStringList{"drop", "busy"}, {}, {}},
            {"SOUTH", "0399887766", "0399887766", common + QStringList{"drop", "busy"}, {}, {}}};
        return files.save(table, nullptr) && files.savePort(2, nullptr);
    }

    void run(int index)
    {
        Target& target = m_targets[index % m_targets.size()];
        if (target.bag.isEmpty()) {
            target.bag = target.faults;
            std::shuffle(target.bag.begin(), target.bag.end(), m_random);
        }
        const QString fault = target.bag.takeFirst();
        ++m_faults[fault];
        const QMap<QString, QByteArray> before = snapshot();
        const QStringList memoryBefore = memory(target);

        QString detail;
        if (fault == "clock back" || fault == "clock ahead") {
            const qint64 s = fault == "clock back" ? -m_random.bounded(3600, 3 * 86400)
                                                   : m_random.bounded(3600, 30 * 3600);
            control(QStringLiteral("clock %1 %2").arg(target.control).arg(s));
            detail = QStringLiteral(" %1 s").arg(s);
        } else if (fault == "silence") {
            const int bytes = m_random.bounded(1, 400);
            control(QStringLiteral("cut %1 %2").arg(target.control).arg(bytes));
            detail = QStringLiteral(" after %1 bytes").arg(bytes);
        } else if (fault == "drop") {
            const int bytes = m_random.bounded(20, 1500);
            control(QStringLiteral("drop %1 %2").arg(target.number).arg(bytes));
            detail = QStringLiteral(" after %1 bytes").arg(bytes);
        } else if (fault == "busy") {
            control(QStringLiteral("busy %1").arg(target.number));
        }

        QList<QProcess*> runs{collect(target)};
        if (fault == "signal") {
            const int ms = m_random.bounded(200, target.number.isEmpty() ? 7000 : 16000);
            const int sig = m_random.bounded(2) ? SIGTERM : SIGINT;
            QThread::msleep(ms);
            ::kill(pid_t(runs[0]->processId()), sig);
            detail = QStringLiteral(" %1 after %2 ms")
                         .arg(sig == SIGTERM ? "SIGTERM" : "SIGINT")
                         .arg(ms);
        } else if (fault == "second") {
            const int ms = m_random.bounded(0, 4000);
            QThread::msleep(ms);
            runs << collect(target);
            detail = QStringLiteral(" %1 ms later").arg(ms);
        }
        QStringList said;
        const int violationsBefore = m_violations;
        for (QProcess* p : runs) {
            said << check(target, *p, memoryBefore);
            delete p;
        }
        checkFiles(before);
        checkCalls();
        std::printf("run %2d %-5s %-11s%s: %s%s\n", index + 1, qPrintable(target.name),
                    qPrintable(fault), qPrintable(detail), qPrintable(said.join(" | ")),
                    m_violations > violationsBefore ? "  <-- VIOLATION" : "");
        std::fflush(stdout);
    }

    int report(int runs, double seconds) const
    {
        std::printf("\nruns %d in %.0f s; faults:", runs, seconds);
        for (auto it = m_faults.cbegin(); it != m_faults.cend(); ++it)
            std::printf(" %s %d,", qPrintable(it.key()), it.value());
        std::printf("\ncollections %d (collected %d, of which nothing new %d; fallbacks to the "
                    "whole memory %d)\nviolations %d\n",
                    m_collections, m_collected, m_nothingNew, m_fallbacks, m_violations);
        if (m_dir.autoRemove() == false)
            std::printf("files kept in %s\n", qPrintable(m_dir.path()));
        return m_violations == 0 ? 0 : 1;
    }

private:
    void violation(const QString& what)
    {
        ++m_violations;
        std::printf("  VIOLATION: %s\n", qPrintable(what));
    }

    // One control line to korvelan-sim, answered "done ..." once carried out.
    void control(const QString& line)
    {
        if (const QString refused = bench::control(m_sim, line); !refused.isEmpty())
            violation("korvelan-sim did not carry out: " + line + " " + refused);
    }

    QStringList memory(const Target& target)
    {
        const QString path = m_dir.filePath("memory.txt");
        control(QStringLiteral("memory %1 %2").arg(target.control, path));
        return linesOf(path);
    }

    QProcess* collect(const Target& target)
    {
        QStringList args = {"--since-last", "--folder", m_folder, "--out", m_out, "--json"};
        if (target.number.isEmpty())
            args << "--device" << m_logger;
        else
            args << "--station" << target.name << "--com"
                 << "2=" + m_modem;
        auto* p = new QProcess;
        p->start(QStringLiteral(KORVELAN_COLLECT_PROGRAM), args);
        p->waitForStarted();
        return p;
    }

    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(m_out).entryList(QDir::Files))
            files.insert(QDir(m_out).filePath(name), hashOf(QDir(m_out).filePath(name)));
        return files;
    }

    // One run's exit status and summary against what it left.
    QString check(Target& target, QProcess& p, const QStringList& memoryBefore)
    {
        if (!p.waitForFinished(180000)) {
            p.kill();
            p.waitForFinished();
            violation(target.name + ": the run did not end within 180 s");
            return "hung";
        }
        const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        const QJsonArray loggers = root.value("loggers").toArray();
        if (p.exitStatus() != QProcess::NormalExit || loggers.size() != 1) {
            violation(target.name + ": no summary of one logger: " +
                      QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
            return "no summary";
        }
        const QJsonObject r = loggers.at(0).toObject();
        const bool collected = r.value("collected").toBool();
        const bool clean = collected && r.value("hungUp").toBool(true);
        const int exit = clean ? 0 : collected ? 1 : 2;
        const QString file = r.value("file").toString();
        const QStringList notes = r.value("notes").toVariant().toStringList();
        const QString summary = (QStringList{r.value("result").toString()} + notes).join("; ");
        ++m_collections;
        m_collected += collected;
        m_fallbacks += int(notes.filter("the whole memory").size()) -
                       int(notes.filter("first collection").size());
        if (p.exitCode() != exit || root.value("exit").toInt() != exit)
            violation(QStringLiteral("%1: exit %2, but the summary says %3")
                          .arg(target.name)
                          .arg(p.exitCode())
                          .arg(summary));
        const QStringList lines = linesOf(file);
        if (!file.isEmpty() && lines.size() != r.value("lines").toInt())
            violation(target.name + ": " + file + " does not hold the lines said");
        const QStringList after = memory(target);
        if (collected && file.isEmpty()) {
            ++m_nothingNew;
            if (!notes.contains("nothing new"))
                violation(target.name + ": collected, no file, and not \"nothing new\"");
        } else if (collected) {
            if (file.contains(".partial"))
                violation(target.name + ": collected into a partial file");
            target.files << file;
        } else if (!file.isEmpty()) {
            const QSet<QString> real(after.cbegin(), after.cend());
            for (const QString& line : lines) {
                if (!real.contains(line))
                    violation(target.name +
                              ": a partial file holds a line the logger never "
                              "stored: " +
                              line);
            }
        }
        if (!file.isEmpty())
            m_named << file;
        // Every line once, in order: what the complete files hold is the memory's beginning.
        QStringList all;
        for (const QString& f : target.files)
            all += linesOf(f);
        if (all != after.mid(0, all.size()))
            violation(target.name + ": the complete files are not the memory's lines once, in "
                                    "order");
        if (collected && all.size() < memoryBefore.size())
            violation(target.name + ": collected, but lines stored before the run are missing");
        return QStringLiteral("exit %1, %2").arg(p.exitCode()).arg(summary);
    }

    void checkFiles(const QMap<QString, QByteArray>& before)
    {
        const QMap<QString, QByteArray> now = snapshot();
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (now.value(it.key()) != it.value())
                violation("an earlier file changed or went: " + it.key());
        }
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (!before.contains(it.key()) && !m_named.contains(it.key()))
                violation("a file no summary names: " + it.key());
        }
        m_named.clear();
    }

    // The modem's trace since the last look: every CONNECT is followed by "+++", then "ATH",
    // before anything else is dialled, and no call is left up.
    void checkCalls()
    {
        QFile file(m_trace);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_traceRead))
            return;
        const QStringList lines = QString::fromLatin1(file.readAll()).split('\n');
        m_traceRead = file.pos();
        static const QRegularExpression entry(QStringLiteral(R"(^modem\s+\S+ (->|<-) (.*)$)"));
        for (const QString& text : lines) {
            const auto m = entry.match(text);
            if (!m.hasMatch())
                continue;
            const bool sent = m.captured(1) == "->";
            m_talk[sent] += m.captured(2);
            if (!sent && m_call == 0 && m_talk[false].contains("CONNECT")) {
                m_call = 1;
                m_talk[true].clear();
            } else if (sent && m_call == 1 && m_talk[true].contains("+++")) {
                m_call = 2;
                m_talk[true].clear();
            } else if (sent && m_call == 2 && m_talk[true].contains("ATH<0D>")) {
                m_call = 0;
                m_talk[false].clear();
                m_talk[true].clear();
            } else if (sent && m_call != 0 && m_talk[true].contains("ATD")) {
                violation("a number was dialled while a call was up");
            }
            if (m_call == 0 && !sent && m_talk[false].size() > 64)
                m_talk[false] = m_talk[false].right(64);
        }
        if (m_call != 0)
            violation("a call that connected was not ended by +++ and ATH");
        m_call = 0;
    }

    QRandomGenerator m_random;
    QTemporaryDir m_dir;
    QString m_folder = m_dir.filePath("program");
    QString m_out = m_dir.filePath("data");
    QString m_trace = m_dir.filePath("trace.txt");
    QProcess m_sim;
    QString m_logger;
    QString m_modem;
    QList<Target> m_targets;
    QSet<QString> m_named; // files the summaries of this run name
    QMap<QString, int> m_faults;
    qint64 m_traceRead = 0;
    QString m_talk[2];
    int m_call = 0;
    int m_collections = 0;
    int m_collected = 0;
    int m_nothingNew = 0;
    int m_fallbacks = 0;
    int m_violations = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Soak of korvelan-collect --since-last over korvelan-sim.");
    parser.addHelpOption();
    const QCommandLineOption runs("runs", "Collections to run (default 30).", "N", "30");
    const QCommandLineOption seed("seed", "Seed of the faults (default 1).", "S", "1");
    const QCommandLineOption keep("keep", "Keep the files of the run.");
    parser.addOptions({runs, seed, keep});
    parser.process(app);

    Soak soak(parser.value(seed).toUInt(), parser.isSet(keep));
    if (!soak.start()) {
        std::fprintf(stderr, "soak_collect: korvelan-sim did not start\n");
        return 2;
    }
    QElapsedTimer took;
    took.start();
    const int n = std::max(1, parser.value(runs).toInt());
    for (int i = 0; i < n; ++i)
        soak.run(i);
    return soak.report(n, took.elapsed() / 1000.0);
}
