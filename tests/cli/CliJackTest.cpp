// The command-line program against real JACK peers on the private server of the JACK test fixture
// (its name in JACK_DEFAULT_SERVER): a responder of ours (echo, identity, silent) and Debian's
// jack_midi_dump.

#include "CliRunner.h"
#include "JackPeers.h"

#include <QScopeGuard>
#include <QTemporaryDir>

#include <jack/jack.h>

#include <atomic>

namespace {

QStringList jack(QStringList arguments)
{
    arguments.prepend(QStringLiteral("jack"));
    arguments.prepend(QStringLiteral("--midi-api"));
    return arguments;
}

// A responder client NAME in MODE, running until the guard ends it.
class Responder
{
public:
    Responder(const QString& client, const QString& mode) : name(client)
    {
        process.start(QStringLiteral(VANTEL_RESPONDER_PATH), {client, mode});
        ready = process.waitForReadyRead(10000) && process.readLine().trimmed() == "ready";
    }
    ~Responder() { stop(); }

    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

    QString in() const { return name + QStringLiteral(":in"); }
    QString out() const { return name + QStringLiteral(":out"); }

    QString name;
    QProcess process;
    bool ready = false;
};

// Counts the cycles the server's clients missed (xruns), in which JACK loses or repeats MIDI data.
class XrunCounter
{
public:
    XrunCounter()
    {
        jack_status_t status;
        client = jack_client_open("cli-xrun-counter", JackNoStartServer, &status);
        if (client != nullptr) {
            jack_set_xrun_callback(
                client,
                [](void* self) {
                    ++static_cast<XrunCounter*>(self)->count;
                    return 0;
                },
                this);
            jack_activate(client);
        }
    }
    ~XrunCounter()
    {
        if (client != nullptr)
            jack_client_close(client);
    }

    std::atomic<int> count{0};

private:
    jack_client_t* client = nullptr;
};

// A peer lists its port a moment before it can be connected: jack_connect is tried for up to ten
// seconds.
bool connectWithin10s(const QString& from, const QString& to)
{
    QElapsedTimer waited;
    waited.start();
    while (!jackConnection(QStringLiteral("jack_connect"), from, to)) {
        if (waited.elapsed() > 10000)
            return false;
        QTest::qWait(50);
    }
    return true;
}

// Reads a command's standard error until it says whom it waits for, and returns the names of its
// virtual ports from that line: "waiting for a connection to "A"" or "... "A" and "B"".
QStringList waitingFor(QProcess& process, QByteArray* err)
{
    QElapsedTimer waited;
    waited.start();
    while (!err->contains("waiting for a connection to ") && waited.elapsed() < 10000 &&
           process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(100);
        *err += process.readAllStandardError();
    }
    const int at = err->indexOf("waiting for a connection to ");
    if (at < 0)
        return {};
    const QByteArray line = err->mid(at, err->indexOf('\n', at) - at);
    QStringList names;
    const QList<QByteArray> parts = line.split('"');
    for (int i = 1; i < parts.size(); i += 2)
        names.append(QString::fromUtf8(parts.at(i)));
    return names;
}

} // namespace

class CliJackTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;

    QString virtualAttempt(const QStringList& arguments, const QString& peer, const QByteArray& expected)
    {
        QProcess command;
        startCli(command, jack(arguments + QStringList{"--connect-timeout", "30000"}));
        if (!command.waitForStarted())
            return QStringLiteral("the command did not start");
        QByteArray err;
        const QStringList own = waitingFor(command, &err);
        if (own.isEmpty())
            return QString::fromUtf8(err);
        QByteArray got;
        if (peer == QLatin1String("dump")) {
            Peer dump(QStringLiteral("jack_midi_dump"), {QStringLiteral("cli-vdump")});
            if (!connectWithin10s(own.at(0), QStringLiteral("cli-vdump:input")))
                return QStringLiteral("could not connect to the virtual port");
            const CliResult result = finishCli(command);
            if (result.status != 0)
                return QString::fromUtf8(result.out + result.err);
            QElapsedTimer waited;
            waited.start();
            QByteArray printed;
            while (got.size() < expected.size() && waited.elapsed() < 10000) {
                dump.process.waitForReadyRead(100);
                printed += dump.process.readAllStandardOutput();
                got = dumpedBytes(printed);
            }
        } else {
            Responder responder(QStringLiteral("cli-vresponder"), peer);
            if (!responder.ready)
                return QStringLiteral("the responder did not start");
            // "NAME In" and "NAME Out", in that order.
            if (own.size() != 2 || !own.at(0).endsWith(QLatin1String(":cli-virtual In")))
                return QStringLiteral("unexpected ports: ") + own.join(QStringLiteral(", "));
            if (!jackConnection(QStringLiteral("jack_connect"), own.at(1), responder.in()) ||
                !jackConnection(QStringLiteral("jack_connect"), responder.out(), own.at(0)))
                return QStringLiteral("could not connect the responder");
            const CliResult result = finishCli(command);
            if (result.status != 0)
                return QString::fromUtf8(result.out + result.err);
            got = result.out.left(expected.size());
        }
        if (got != expected)
            return QStringLiteral("got %1, expected %2")
                .arg(QString::fromLatin1(got.toHex(' ')), QString::fromLatin1(expected.toHex(' ')));
        return QString();
    }

    QString sendDump(const QString& path, const QByteArray& dump, int attempt)
    {
        const QString peer = QStringLiteral("cli-dump-%1").arg(attempt);
        QProcess receiver;
        receiver.start(QStringLiteral("jack_midi_dump"), {peer});
        const auto stop = qScopeGuard([&receiver] {
            receiver.terminate();
            receiver.waitForFinished(3000);
        });
        // jack_midi_dump's port is there once list shows it.
        QElapsedTimer waited;
        waited.start();
        while (!runCli(jack({"list"})).out.contains("out\t" + peer.toUtf8() + ":input") &&
               waited.elapsed() < 10000)
            QTest::qWait(100);
        // Its printout is read while the dump goes: a full pipe would stall it and it would lose
        // events.
        QProcess sender;
        startCli(sender, jack({"send", "--out", peer + QStringLiteral(":input"), "--file", path}));
        QByteArray output;
        QByteArray got;
        waited.restart();
        QElapsedTimer quiet;
        quiet.start();
        while ((got.size() < dump.size() || sender.state() != QProcess::NotRunning) &&
               waited.elapsed() < 120000 && quiet.elapsed() < 5000) {
            receiver.waitForReadyRead(100);
            sender.waitForFinished(1); // only to let the process see its state
            const QByteArray more = receiver.readAllStandardOutput();
            if (!more.isEmpty() || sender.state() != QProcess::NotRunning)
                quiet.restart();
            output += more;
            const int end = output.lastIndexOf('\n');
            if (end >= 0) {
                got += dumpedBytes(output.left(end));
                output.remove(0, end + 1);
            }
        }
        const CliResult result = finishCli(sender);
        if (result.status != 0)
            return QStringLiteral("send ended with %1: %2")
                .arg(result.status)
                .arg(QString::fromUtf8(result.err));
        if (got == dump)
            return QString();
        return withDumpVerdict(receiver,
                               QStringLiteral("%1 of %2 bytes arrived").arg(got.size()).arg(dump.size()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("JACK_DEFAULT_SERVER"), "the fixture names the private server");
        QVERIFY(folder.isValid());
    }

    void listShowsThePeer()
    {
        Responder responder(QStringLiteral("cli-list-peer"), QStringLiteral("silent"));
        QVERIFY(responder.ready);
        const QStringList lines = linesOf(runCli(jack({"list"})).out);
        QVERIFY2(lines.contains(QStringLiteral("in\tcli-list-peer:out")), qPrintable(lines.join('\n')));
        QVERIFY2(lines.contains(QStringLiteral("out\tcli-list-peer:in")), qPrintable(lines.join('\n')));
    }

    // The lines of the analyzer's test vectors, through an echoing peer, with the dump stored.
    void monitorPrintsTheWindowsLinesAndStoresSysEx()
    {
        Responder responder(QStringLiteral("cli-echo"), QStringLiteral("echo"));
        QVERIFY(responder.ready);
        const QString syx = folder.filePath(QStringLiteral("received.syx"));
        const QList<QPair<QString, QString>> vectors = {
            {"90 3C 64", "Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"},
            {"B0 07 64", "Port1 Ch 1 CC       B0 07 64 [007 Volume, 100]"},
            {"CA 05", "Port1 Ch11 PC       CA 05    [  6]"},
            {"E0 00 00", "Port1 Ch 1 PB       E0 00 00 [-8192]"},
            {"F2 10 20", "Port1 ---- SongPos  F2 10 20 [ 4112]"},
            {"F0 41 10 F7", "Port1 ---- SysEx    F0 41 10 F7"},
            {"FE", ""}, // hidden by the filter
            {"F8", "Port1 ---- T.Clock  F8"},
            {"F0 7E 7F 09 01 F7", "Port1 ---- SysEx    F0 7E 7F 09 01 F7"},
        };
        QProcess monitor;
        startCli(monitor, jack({"monitor", "--in", responder.out(), "--details", "--filter", "sense", "--syx",
                                syx, "--timeout", "60000"}));
        QVERIFY(monitor.waitForStarted());
        QByteArray out;
        QElapsedTimer waited;
        waited.start();
        // The monitor prints nothing before its port is connected: the first vector goes again
        // until it shows.
        while (out.isEmpty() && waited.elapsed() < 10000) {
            QCOMPARE(runCli(jack({"send", "--out", responder.in(), vectors.at(0).first})).status, 0);
            monitor.waitForReadyRead(300);
            out += monitor.readAllStandardOutput();
        }
        QVERIFY(!out.isEmpty());
        for (int i = 1; i < vectors.size(); ++i)
            QCOMPARE(runCli(jack({"send", "--out", responder.in(), vectors.at(i).first})).status, 0);
        waited.restart();
        while (!out.contains("F0 7E 7F 09 01 F7") && waited.elapsed() < 10000) {
            monitor.waitForReadyRead(100);
            out += monitor.readAllStandardOutput();
        }
        // A signal ends it with everything printed and the file complete.
        monitor.terminate();
        const CliResult result = finishCli(monitor);
        QCOMPARE(result.status, 0);
        QStringList expected;
        for (const auto& vector : vectors) {
            if (!vector.second.isEmpty())
                expected.append(vector.second);
        }
        const QStringList lines = linesOf(out + result.out);
        // The first vector may have shown more than once while the monitor was starting.
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.mid(lines.size() - expected.size() + 1), expected.mid(1));
        QFile file(syx);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::fromHex("f04110f7f07e7f0901f7"));
    }

    void requestAnswersIgnoringOthersOrTimesOut()
    {
        Responder noisy(QStringLiteral("cli-noisy"), QStringLiteral("noisy-identity"));
        QVERIFY(noisy.ready);
        CliResult result =
            runCli(jack({"request", "--out", noisy.in(), "--in", noisy.out(), "--send", "F0 7E 7F 06 01 F7",
                         "--expect", "F0 7E .. 06 02 * F7", "--timeout", "5000", "--details"}));
        QCOMPARE(result.status, 0);
        QCOMPARE(linesOf(result.out),
                 QStringList{"Port1 ---- SysEx    F0 7E 7F 06 02 00 20 33 01 00 01 02 03 04 F7"});

        Responder silent(QStringLiteral("cli-silent"), QStringLiteral("silent"));
        QVERIFY(silent.ready);
        result = runCli(jack({"request", "--out", silent.in(), "--in", silent.out(), "--send",
                              "F0 7E 7F 06 01 F7", "--expect", "F0 7E .. 06 02 * F7", "--timeout", "300"}));
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains("within 300 ms; nothing arrived"), result.err.constData());
    }

    void megabyteSyxArrivesWholeAtMidiDump()
    {
        QByteArray dump(1 << 20, '\0');
        for (int i = 0; i < dump.size(); ++i)
            dump[i] = char((i * 7) % 128);
        dump[0] = char(0xF0);
        dump[dump.size() - 1] = char(0xF7);
        const QString path = folder.filePath(QStringLiteral("firmware.syx"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(dump), qint64(dump.size()));
        file.close();
        // Only an attempt spoiled by a missed cycle (likely on a loaded machine) is repeated.
        XrunCounter xruns;
        QString error;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int before = xruns.count;
            error = sendDump(path, dump, attempt);
            if (error.isEmpty())
                return;
            QTest::qWait(xrunNewsMs);
            if (xruns.count == before && !spoiledByThePeer(error))
                QFAIL(qPrintable(error));
            qWarning("JACK missed a cycle during the attempt (%s); repeating it", qPrintable(error));
        }
        QFAIL(qPrintable(error));
    }

    void monitorEndsWhenThePeerVanishes()
    {
        Responder responder(QStringLiteral("cli-vanishing"), QStringLiteral("silent"));
        QVERIFY(responder.ready);
        QProcess monitor;
        startCli(monitor, jack({"monitor", "--in", responder.out()}));
        QVERIFY(monitor.waitForStarted());
        QTest::qWait(500);
        QCOMPARE(monitor.state(), QProcess::Running);
        responder.stop();
        const CliResult result = finishCli(monitor, 10000);
        QCOMPARE(result.status, 2);
        QVERIFY2(result.err.contains("the input device \"cli-vanishing:out\" went away"),
                 result.err.constData());
    }

    // A virtual port: the monitor hears a sequencer that someone else connects to it.
    void monitorHearsWhoeverConnectsToItsVirtualPort()
    {
        QProcess monitor;
        startCli(monitor,
                 jack({"monitor", "--virtual", "cli-virtual-in", "--count", "2", "--timeout", "30000"}));
        QVERIFY(monitor.waitForStarted());
        // A half-second loop at 48 kHz: C4 on at its start, off a sixth later.
        Peer seq(QStringLiteral("jack_midiseq"), {"cli-vseq", "24000", "0", "60", "8000"});
        QString own;
        QElapsedTimer waited;
        waited.start();
        while (own.isEmpty() && waited.elapsed() < 10000) {
            const QStringList lines = linesOf(runCli(jack({"list"})).out);
            for (const QString& line : lines) {
                if (line.startsWith(QLatin1String("out\tVantel MIDI")) &&
                    line.endsWith(QLatin1String(":cli-virtual-in")))
                    own = line.mid(4);
            }
            if (own.isEmpty())
                QTest::qWait(50);
        }
        QVERIFY2(!own.isEmpty(), "the virtual port is listed by another program");
        QVERIFY(connectWithin10s(QStringLiteral("cli-vseq:out"), own));
        const CliResult result = finishCli(monitor);
        QCOMPARE(result.status, 0);
        const QStringList lines = linesOf(result.out);
        QCOMPARE(lines.size(), 2);
        for (const QString& line : lines)
            QVERIFY2(line == QLatin1String("90 3C 40") || line == QLatin1String("80 3C 40"),
                     qPrintable(line));
    }

    // send --virtual waits for a connection, then the bytes arrive byte for byte; request --virtual
    // gets its reply through the two ports a responder is connected to.
    void virtualPortsWaitForAConnection_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("send") << QStringList{"send", "--virtual", "cli-virtual-out",
                                             "F0 01 02 F7 90 3C 64 C1 05"}
                              << "dump" << QByteArray::fromHex("f00102f7903c64c105");
        QTest::newRow("request")
            << QStringList{"request",  "--virtual",           "cli-virtual", "--send", "F0 7E 7F 06 01 F7",
                           "--expect", "F0 7E .. 06 02 * F7", "--timeout",   "5000",   "--raw"}
            << "identity" << QByteArray::fromHex("f07e7f0602002033010001020304f7");
        // SCRIPT: a script of one case that asks for the identity.
        QTest::newRow("run") << QStringList{"run", "SCRIPT", "--virtual", "cli-virtual"} << "identity"
                             << QByteArray("passed identity (");
    }

    void virtualPortsWaitForAConnection()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, peer);
        QFETCH(QByteArray, expected);
        const QString script = folder.filePath(QStringLiteral("identity.test"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("case identity\nsend F0 7E 7F 06 01 F7\nexpect F0 7E .. 06 02 * F7 within 5000\n");
        file.close();
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^SCRIPT$")), script);
        // Only an attempt spoiled by a missed cycle is repeated.
        XrunCounter xruns;
        QString error;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int before = xruns.count;
            error = virtualAttempt(arguments, peer, expected);
            if (error.isEmpty())
                return;
            QTest::qWait(xrunNewsMs);
            if (xruns.count == before)
                QFAIL(qPrintable(error));
            qWarning("JACK missed a cycle during the attempt (%s); repeating it", qPrintable(error));
        }
        QFAIL(qPrintable(error));
    }

    // Nobody connects: nothing is sent, status 1 and a message saying so.
    void virtualPortNobodyConnectsTo()
    {
        const CliResult result =
            runCli(jack({"send", "--virtual", "cli-lonely", "--connect-timeout", "300", "90 3C 64"}));
        QCOMPARE(result.status, 1);
        QVERIFY2(QRegularExpression(
                     QStringLiteral("nobody connected to \"Vantel MIDI[^:]*:cli-lonely\" within 300 ms; "
                                    "nothing was sent"))
                     .match(QString::fromUtf8(result.err))
                     .hasMatch(),
                 result.err.constData());
    }

    void countEndsMonitor()
    {
        Responder responder(QStringLiteral("cli-count"), QStringLiteral("echo"));
        QVERIFY(responder.ready);
        QProcess monitor;
        startCli(monitor, jack({"monitor", "--in", responder.out(), "--count", "3", "--filter", "ch2"}));
        QVERIFY(monitor.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (monitor.state() == QProcess::Running && waited.elapsed() < 20000) {
            QCOMPARE(runCli(jack({"send", "--out", responder.in(), "91 3C 64 F0 01 02 F7"})).status, 0);
            monitor.waitForFinished(100);
        }
        const CliResult result = finishCli(monitor, 10000);
        QCOMPARE(result.status, 0);
        QCOMPARE(linesOf(result.out), (QStringList{"F0 01 02 F7", "F0 01 02 F7", "F0 01 02 F7"}));
    }
};

QTEST_GUILESS_MAIN(CliJackTest)
#include "CliJackTest.moc"
