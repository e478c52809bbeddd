#pragma once

// What the tests against a real JACK server share: Debian's JACK clients as peers, connections
// made from outside, and the restart fixture's server stopped and started through its script.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtTest>

// The bytes of every event jack_midi_dump printed ("  12: f0 01 02 ..."), in order.
inline QByteArray dumpedBytes(const QByteArray& output)
{
    QByteArray bytes;
    for (const QByteArray& line : output.split('\n')) {
        const int colon = line.indexOf(':');
        bool frame = false;
        if (colon < 0 || (line.left(colon).trimmed().toLongLong(&frame), !frame))
            continue;
        for (const QByteArray& token : line.mid(colon + 1).split(' ')) {
            if (token.isEmpty())
                continue;
            bool hex = false;
            const uint value = token.toUInt(&hex, 16);
            if (!hex || token.size() != 2)
                break;
            bytes.append(char(value));
        }
    }
    return bytes;
}

// jack_midi_dump loses events itself when its printing falls behind the server (its ring of events
// fills up) and says so on standard error. A failed attempt's error goes through this: when the
// peer said so, the error starts with peerLostEvents and the attempt is repeated like one that
// ran through a missed cycle, since it says nothing about what we sent.
inline const QString peerLostEvents = QStringLiteral("jack_midi_dump lost events itself: ");
inline QString withDumpVerdict(QProcess& dump, const QString& error)
{
    const QByteArray said = dump.readAllStandardError();
    const QString text = error + QStringLiteral("\njack_midi_dump said: ") + QString::fromUtf8(said);
    return said.contains("ringbuffer was full") ? peerLostEvents + text : text;
}
// JACK tells its clients of a missed cycle on a thread of their own, which a busy machine may run
// well after the cycle: a failed attempt gives the news this long before the count is read.
constexpr int xrunNewsMs = 1000;

// True when a failed attempt may be repeated although JACK missed no cycle.
inline bool spoiledByThePeer(const QString& error)
{
    return error.startsWith(peerLostEvents);
}

// A peer client that the test starts and always stops again.
class Peer
{
public:
    Peer(const QString& program, const QStringList& arguments)
    {
        process.setProgram(program);
        process.setArguments(arguments);
        process.start();
    }
    ~Peer()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(3000)) {
                process.kill();
                process.waitForFinished(3000);
            }
        }
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    QProcess process;
};

// jack_connect or jack_disconnect (command) of two ports; true when it succeeded.
inline bool jackConnection(const QString& command, const QString& from, const QString& to)
{
    QProcess tool;
    tool.start(command, {from, to});
    return tool.waitForFinished(10000) && tool.exitCode() == 0;
}

// "stop" or "start" of the server the restart fixture names (JACK_DEFAULT_SERVER, its script in
// VANTEL_JACK_SCRIPT and state in VANTEL_JACK_STATE).
inline bool restartServer(const QString& action)
{
    QStringList arguments{action, qEnvironmentVariable("JACK_DEFAULT_SERVER"),
                          qEnvironmentVariable("VANTEL_JACK_STATE")};
    if (action == QLatin1String("start"))
        arguments.append(QStringLiteral("256"));
    QProcess script;
    script.start(qEnvironmentVariable("VANTEL_JACK_SCRIPT"), arguments);
    return script.waitForFinished(30000) && script.exitStatus() == QProcess::NormalExit &&
           script.exitCode() == 0;
}

// Runs attempt(n) until it returns no error. JACK itself moves or loses the MIDI data of a cycle that
// a client missed under load (an xrun), and jack_midi_dump may lose events of its own (see
// withDumpVerdict): only such an attempt is repeated, any other failure fails the test, and when
// every attempt was spoiled the machine is too busy to say anything (skipped).
template <typename Service, typename Attempt> void withXrunRetries(const Service& jack, Attempt attempt)
{
    QString error;
    for (int n = 0; n < 6; ++n) {
        const quint64 xruns = jack.xruns();
        error = attempt(n);
        if (error.isEmpty())
            return;
        QTest::qWait(xrunNewsMs);
        if (jack.xruns() == xruns && !spoiledByThePeer(error))
            QFAIL(qPrintable(error));
        qWarning("JACK or the peer lost data during the attempt; repeating it");
    }
    QSKIP(qPrintable(QStringLiteral("JACK missed cycles in every attempt; the last one: ") + error));
}
