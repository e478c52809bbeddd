// The analyzer as the receiver and thru path of the ports on a real JACK server (the private
// server of the fixture in tests/midi, dummy driver) with Debian's JACK MIDI clients as peers.

#include "HexBytes.h"
#include "JackMidiService.h"
#include "JackPeers.h"
#include "LogFileSupport.h"
#include "MidiAnalyzer.h"
#include "MidiBulkIntervalManager.h"
#include "MidiHub.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

namespace {

// The absolute frames of the note-on events jack_midi_dump -a printed ("123456: 90 3c 40 ...").
QVector<qint64> noteOnFrames(const QString& text)
{
    QVector<qint64> frames;
    static const QRegularExpression line(QStringLiteral("^\\s*(\\d+):\\s+90 "),
                                         QRegularExpression::MultilineOption);
    auto it = line.globalMatch(text);
    while (it.hasNext())
        frames.append(it.next().captured(1).toLongLong());
    return frames;
}

} // namespace

class MidiAnalyzerJackTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<JackMidiService> jack;
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<MidiAnalyzer> analyzer;
    std::unique_ptr<MidiBulkIntervalManager> bulk;
    std::unique_ptr<MidiHub> hub;

    QString takeIn()
    {
        QByteArray in, sysEx, out;
        quint32 inCount, sysExCount, outCount;
        analyzer->takeMonitorText(in, inCount, sysEx, sysExCount, out, outCount);
        return QString::fromUtf8(in);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("JACK_DEFAULT_SERVER"), "the fixture names the private server");
        jack = std::make_unique<JackMidiService>();
        QVERIFY(jack->isRunning());
    }

    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        analyzer = std::make_unique<MidiAnalyzer>(model.get());
        bulk = std::make_unique<MidiBulkIntervalManager>(model.get());
        hub = std::make_unique<MidiHub>(jack.get());
        hub->setBulkIntervalManager(bulk.get());
        hub->setOutMonitor(analyzer.get());
        hub->setReceiver(&MidiAnalyzer::receiveCallback, analyzer.get());
        analyzer->setSender(hub.get());
    }

    void cleanup()
    {
        analyzer->setSender(nullptr);
        hub.reset();
        bulk.reset();
        analyzer.reset();
        model.reset();
    }

    void cleanupTestCase() { jack.reset(); }

    void dumpWithAnotherSourcesNotesBetweenItsPiecesIsOneMessage()
    {
        // Our Port1 Out sends a dump to our own Port1 In, where a sequencer's notes (every 256
        // frames) are merged between its pieces. The In monitor and its log show the dump as one
        // message, its lines in one run, and every note on a line of its own.
        QByteArray dump(50000, '\0');
        dump[0] = char(0xF0);
        for (int i = 1; i < dump.size() - 1; ++i)
            dump[i] = char((i * 5) % 128);
        dump[dump.size() - 1] = char(0xF7);
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("in.txt"));
        Peer seq(QStringLiteral("jack_midiseq"),
                 {QStringLiteral("vantel-an-notes"), QStringLiteral("256"), QStringLiteral("0"),
                  QStringLiteral("60"), QStringLiteral("100")});
        Peer sink(QStringLiteral("jack_midi_dump"), {QStringLiteral("vantel-an-sink")});
        QTRY_VERIFY_WITH_TIMEOUT(hub->inputPort(0)->open(QStringLiteral("vantel-an-notes:out")) == 0 &&
                                     hub->outputPort(0)->open(QStringLiteral("vantel-an-sink:input")) == 0,
                                 10000);
        QVERIFY(jackConnection(QStringLiteral("jack_connect"),
                               jack->clientName() + QStringLiteral(":Port1 Out"),
                               jack->clientName() + QStringLiteral(":Port1 In")));
        QTest::qWait(50);
        QVERIFY(analyzer->openReceivedLogFile(logPath));
        takeIn();
        QVERIFY(hub->sendToOutputPorts(byteData(dump), quint32(dump.size()), 16, 0));
        QString in;
        for (int i = 0; i < 200 && !in.contains(QLatin1String(" F7")); ++i) {
            QTest::qWait(50);
            in += takeIn();
        }
        QVERIFY(analyzer->closeReceivedLogFile());
        hub->inputPort(0)->close();
        QVERIFY(jackConnection(QStringLiteral("jack_disconnect"),
                               jack->clientName() + QStringLiteral(":Port1 Out"),
                               jack->clientName() + QStringLiteral(":Port1 In")));
        in += takeIn();

        // Notes, the dump's lines in one run, notes; nothing else.
        const QString dumpHex = hexText(dump);
        auto check = [&dumpHex](const QStringList& lines) -> QString {
            QString joined;
            int lastDumpLine = -1;
            int notes = 0;
            for (int i = 0; i < lines.size(); ++i) {
                const QString& line = lines.at(i);
                if (line == QLatin1String("90 3C 40") || line == QLatin1String("80 3C 40")) {
                    ++notes;
                    continue;
                }
                if (lastDumpLine >= 0 && lastDumpLine != i - 1)
                    return QStringLiteral("line %1 (%2) is apart from the dump's lines")
                        .arg(i)
                        .arg(line.left(40));
                lastDumpLine = i;
                joined += (joined.isEmpty() ? QString() : QStringLiteral(" ")) + line;
            }
            if (joined != dumpHex)
                return QStringLiteral("the dump's lines hold %1 characters of %2")
                    .arg(joined.size())
                    .arg(dumpHex.size());
            if (notes < 10)
                return QStringLiteral("only %1 notes; nothing was tried").arg(notes);
            return QString();
        };
        const QString monitorError = check(in.mid(1).split(QLatin1Char('\n')));
        QVERIFY2(monitorError.isEmpty(), qPrintable(monitorError));
        // The log file, which users keep as evidence, the same (its lines end with a line feed).
        QString log = QString::fromUtf8(fileBytes(logPath));
        QVERIFY(log.endsWith(QLatin1Char('\n')));
        log.chop(1);
        const QString logError = check(log.split(QLatin1Char('\n')));
        QVERIFY2(logError.isEmpty(), qPrintable(logError));
    }

    void thruKeepsTheFrameIntervalsOfItsInput()
    {
        model->setValue(ParamMidiThru, 1);
        withXrunRetries(*jack, [this](int n) { return thruAttempt(n); });
    }

private:
    // A sequencer's notes (8000, 4000 and 12000 frames apart) go to a jack_midi_dump directly and,
    // through our Port1 In, thru and Port1 Out, to a second one: the intervals at both are the
    // same to the frame.
    QString thruAttempt(int n)
    {
        const QString name = QStringLiteral("vantel-thru-%1").arg(n);
        Peer seq(QStringLiteral("jack_midiseq"),
                 {name + QStringLiteral("-seq"), QStringLiteral("24000"), QStringLiteral("0"),
                  QStringLiteral("60"), QStringLiteral("2000"), QStringLiteral("8000"), QStringLiteral("62"),
                  QStringLiteral("2000"), QStringLiteral("12000"), QStringLiteral("64"),
                  QStringLiteral("2000")});
        Peer direct(QStringLiteral("jack_midi_dump"),
                    {QStringLiteral("-a"), name + QStringLiteral("-direct")});
        Peer thru(QStringLiteral("jack_midi_dump"), {QStringLiteral("-a"), name + QStringLiteral("-out")});
        if (!QTest::qWaitFor(
                [&] {
                    return hub->inputPort(0)->open(name + QStringLiteral("-seq:out")) == 0 &&
                           hub->outputPort(0)->open(name + QStringLiteral("-out:input")) == 0;
                },
                10000) ||
            !jackConnection(QStringLiteral("jack_connect"), name + QStringLiteral("-seq:out"),
                            name + QStringLiteral("-direct:input")))
            return QStringLiteral("could not connect the peers");
        // jack_midi_dump writes through a buffer: its output is read once it has ended. Six
        // seconds are 12 loops, 36 notes.
        QTest::qWait(6000);
        auto finished = [](Peer& peer) {
            peer.process.terminate();
            peer.process.waitForFinished(5000);
            return QString::fromUtf8(peer.process.readAllStandardOutput());
        };
        const QString thruText = finished(thru);
        const QString directText = finished(direct);
        hub->inputPort(0)->close();
        hub->outputPort(0)->close();
        const QVector<qint64> directFrames = noteOnFrames(directText);
        const QVector<qint64> thruFrames = noteOnFrames(thruText);

        // Each dump counts frames from its own start, so intervals are compared: matched up from
        // the same note, every interval at the thru peer equals the one at the direct peer. On a
        // busy machine a forwarding thread may still miss the delay now and then: a few such
        // notes are allowed; beyond them, a frame at most.
        auto intervals = [](const QVector<qint64>& frames) {
            QVector<qint64> out;
            for (int i = 1; i < frames.size(); ++i)
                out.append(frames[i] - frames[i - 1]);
            return out;
        };
        const QVector<qint64> directIntervals = intervals(directFrames);
        // The first notes meet a forwarding path that is still warming up: they are left out.
        const QVector<qint64> forwarded = intervals(thruFrames).mid(2);
        int bestMatches = -1;
        int bestOff = 0;
        int compared = 0;
        for (int shift = -8; shift <= 8; ++shift) {
            int matches = 0;
            int off = 0;
            int count = 0;
            for (int i = 0; i < forwarded.size(); ++i) {
                const int j = i + shift;
                if (j < 0 || j >= directIntervals.size())
                    continue;
                ++count;
                if (std::abs(forwarded[i] - directIntervals[j]) <= 1)
                    ++matches;
                else
                    ++off;
            }
            if (matches > bestMatches) {
                bestMatches = matches;
                bestOff = off;
                compared = count;
            }
        }
        if (compared < 10 || bestOff > compared / 10)
            return QStringLiteral("%1 of %2 thru intervals differ from the direct ones by more than a frame")
                .arg(bestOff)
                .arg(compared);
        return QString();
    }
};

QTEST_GUILESS_MAIN(MidiAnalyzerJackTest)
#include "MidiAnalyzerJackTest.moc"
