// The transmission worker on its own, checked at the loopback output device: what the routine sends
// with the parser on and off, how it fails, pieces and progress within one long message, texts that
// stand alone, and a worker deleted in the middle of a text.

#include "HexBytes.h"
#include "LoopbackMidiService.h"
#include "MidiBulkIntervalManager.h"
#include "MidiEditTransmittionThread.h"
#include "MidiHub.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

QString digits(int bytes, const QString& first = QString(), const QString& last = QString())
{
    QString text = first;
    while (text.size() < 2 * bytes - last.size())
        text += QStringLiteral("01");
    return text + last;
}

// The send operation of the program on the loopback MIDI system: Port1 out is "Loopback A", Port2
// out "Loopback B".
class LoopbackSender : public MidiSender
{
public:
    explicit LoopbackSender(VantelMidiModel* model) : bulk(model), hub(&service)
    {
        service.setRecordSent(true);
        hub.setBulkIntervalManager(&bulk);
    }

    bool openOutputs()
    {
        return hub.outputPort(0)->open(QStringLiteral("Loopback A")) == 0 &&
               hub.outputPort(1)->open(QStringLiteral("Loopback B")) == 0;
    }

    QByteArrayList sentToPort1()
    {
        QByteArrayList messages;
        for (const LoopbackMidiService::SentMessage& sent : service.takeSent()) {
            if (sent.device == QLatin1String("Loopback A"))
                messages.append(sent.bytes);
        }
        return messages;
    }

    bool sendToOutputPorts(const quint8* bytes, quint32 length, quint8 labelKind, quint32 portSelection,
                           bool skipPacing, bool forceLong, quint64 passThrough, bool direct,
                           quint32* sendTimeOut) override
    {
        return hub.sendToOutputPorts(bytes, length, labelKind, portSelection, skipPacing, forceLong,
                                     passThrough, direct, sendTimeOut);
    }

    LoopbackMidiService service;
    MidiBulkIntervalManager bulk;
    MidiHub hub;
};

} // namespace

class EditTransmissionThreadTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<VantelMidiModel> model;
    std::unique_ptr<LoopbackSender> host;

    struct Outcome
    {
        QList<qint32> finishes;
        QList<quint32> starts;
        quint32 lastProgress = 0;
        QList<quint32> leftOut;
        QByteArrayList sent;
    };

    // Runs one transmission and collects everything it reported.
    Outcome runThread(MidiEditTransmittionThread& thread, const QString& text)
    {
        QSignalSpy start(&thread, &MidiEditTransmittionThread::startTransmittion);
        QSignalSpy progress(&thread, &MidiEditTransmittionThread::transmittionProgress);
        QSignalSpy leftOut(&thread, &MidiEditTransmittionThread::bytesLeftOut);
        QSignalSpy finish(&thread, &MidiEditTransmittionThread::finishTransmittion);
        thread.requestTransmission(text);
        [&] { QTRY_COMPARE_WITH_TIMEOUT(finish.count(), 1, 10000); }();
        QTest::qWait(20); // nothing else may follow the end
        Outcome outcome;
        for (const QList<QVariant>& call : finish)
            outcome.finishes.append(call.at(0).toInt());
        for (const QList<QVariant>& call : start)
            outcome.starts.append(call.at(0).toUInt());
        for (const QList<QVariant>& call : leftOut)
            outcome.leftOut.append(call.at(0).toUInt());
        if (!progress.isEmpty())
            outcome.lastProgress = progress.last().at(0).toUInt();
        outcome.sent = host->sentToPort1();
        return outcome;
    }

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<VantelMidiModel>();
        host = std::make_unique<LoopbackSender>(model.get());
        QVERIFY(host->openOutputs());
    }

    void cleanup()
    {
        QVERIFY(WorkerThread::finishReleased(10000));
        host.reset();
        model.reset();
    }

    void routineSendsWhatTheTextSays_data()
    {
        QTest::addColumn<bool>("parser");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<quint32>("announced");
        QTest::addColumn<quint32>("progress");
        // Bytes reported as left out (0: no report).
        QTest::addColumn<quint32>("leftOut");

        QTest::newRow("sysex with comment") << true << "F0 7E 7F 09 01 F7 // GM on"
                                            << QStringList{"F0 7E 7F 09 01 F7"} << 0 << 6u << 6u << 0u;
        QTest::newRow("running status expanded")
            << true << "90 3C 64 3E 64" << QStringList{"90 3C 64", "90 3E 64"} << 0 << 5u << 6u << 0u;
        QTest::newRow("commas tabs lines") << true << "b0,07\t64\n// volume\nC0 05"
                                           << QStringList{"B0 07 64", "C0 05"} << 0 << 5u << 5u << 0u;
        QTest::newRow("parser off short block")
            << false << "90 3C 64" << QStringList{"90 3C 64"} << 0 << 3u << 3u << 0u;
        // Announced 0: no start is announced at all.
        QTest::newRow("only a comment") << true << "  // only a comment\n"
                                        << QStringList{} << 0 << 0u << 0u << 0u;

        // Failures: texts that are not whole bytes of hexadecimal digits are refused before anything
        // goes out (announced 0); bytes that make no message are announced, and nothing is sent.
        const auto failed = [](const char* name, bool parser, const char* text, quint32 announced) {
            QTest::newRow(name) << parser << text << QStringList{} << 2 << announced << 0u << 0u;
        };
        failed("odd digit count", true, "B0 07 7 B0 0A 40", 0);
        failed("odd digit count, parser off", false, "B0 07 7 B0 0A 40", 0);
        failed("lone last digit", false, "F0 7", 0);
        failed("bad pair", true, "F0 GG", 0);
        failed("bad pair, parser off", false, "F0 GG", 0);
        failed("carriage return is not blank", false, "F0\r\nF7", 0);
        failed("status byte inside sysex", true, "F0 41 10 42 12 40 00 7F 00 C1 F7", 11);
        failed("sysex without end", true, "F0 41 10 42", 4);
        failed("undefined status", true, "F4 01", 2);
        failed("data without status", true, "3C 64", 2);
        // Some sent: a report of the rest.
        QTest::newRow("some left out")
            << true << "90 3C 64 F4 C0 05 F0 01" << QStringList{"90 3C 64", "C0 05"} << 0 << 8u << 5u << 3u;
    }

    void routineSendsWhatTheTextSays()
    {
        QFETCH(bool, parser);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QFETCH(qint32, result);
        QFETCH(quint32, announced);
        QFETCH(quint32, progress);
        QFETCH(quint32, leftOut);
        model->setValue(ParamParser, parser ? 1 : 0);
        MidiEditTransmittionThread thread(model.get(), host.get());
        const Outcome outcome = runThread(thread, text);
        QCOMPARE(outcome.finishes, QList<qint32>{result});
        QCOMPARE(outcome.starts, announced ? QList<quint32>{announced} : QList<quint32>{});
        QCOMPARE(outcome.lastProgress, progress);
        QCOMPARE(outcome.leftOut, leftOut ? QList<quint32>{leftOut} : QList<quint32>{});
        QStringList sent;
        for (const QByteArray& bytes : outcome.sent)
            sent.append(hexText(bytes));
        QCOMPARE(sent, expected);
    }

    // Parser off, the text goes in three blocks; on, as one message, which the hub cuts into the
    // same pieces of 4096 bytes per port.
    void longTextGoesInPiecesOrAsOneMessage_data()
    {
        QTest::addColumn<bool>("parser");
        QTest::newRow("parser off: three blocks") << false;
        QTest::newRow("parser on: one message") << true;
    }

    void longTextGoesInPiecesOrAsOneMessage()
    {
        QFETCH(bool, parser);
        model->setValue(ParamParser, parser ? 1 : 0);
        MidiEditTransmittionThread thread(model.get(), host.get());
        QSignalSpy progress(&thread, &MidiEditTransmittionThread::transmittionProgress);
        const Outcome outcome = runThread(thread, digits(10000, QStringLiteral("F0"), QStringLiteral("F7")));
        QCOMPARE(outcome.finishes, QList<qint32>{0});
        QCOMPARE(outcome.starts, QList<quint32>{10000u});
        QList<int> sent;
        QByteArray joined;
        for (const QByteArray& bytes : outcome.sent) {
            sent.append(bytes.size());
            joined += bytes;
        }
        QCOMPARE(sent, (QList<int>{4096, 4096, 1808}));
        QCOMPARE(joined.size(), 10000);
        QCOMPARE(quint8(joined.at(0)), quint8(0xF0));
        QCOMPARE(quint8(joined.at(9999)), quint8(0xF7));
        // Progress moves with every piece, within one message too.
        QCOMPARE(progress.count(), 3);
        QCOMPARE(outcome.lastProgress, 10000u);
    }

    void eachTextStandsAlone()
    {
        MidiEditTransmittionThread thread(model.get(), host.get());
        QCOMPARE(runThread(thread, QStringLiteral("90 3C 64")).sent.size(), 1);
        // The leading data bytes would otherwise become a second Note On, or end the dump.
        Outcome outcome = runThread(thread, QStringLiteral("3E 64"));
        QVERIFY(outcome.sent.isEmpty());
        QCOMPARE(outcome.finishes, QList<qint32>{2});
        QCOMPARE(runThread(thread, QStringLiteral("F0 41 10")).finishes, QList<qint32>{2});
        outcome = runThread(thread, QStringLiteral("42 F7"));
        QVERIFY(outcome.sent.isEmpty());
        QCOMPARE(outcome.finishes, QList<qint32>{2});
    }

    void deletingAThreadInTheMiddleOfATextEnds()
    {
        model->setValue(ParamParser, 0);
        host->service.setCompletion(LoopbackMidiService::Completion::Delayed, 200);
        auto* thread = new MidiEditTransmittionThread(model.get(), host.get());
        QSignalSpy progress(thread, &MidiEditTransmittionThread::transmittionProgress);
        thread->requestTransmission(digits(40000));
        QTRY_VERIFY(thread->isRunning());
        // Ends after the piece in progress, not after the whole text.
        delete thread;
        QVERIFY(progress.count() < 10);
        QVERIFY(host->sentToPort1().size() < 10);
    }
};

QTEST_GUILESS_MAIN(EditTransmissionThreadTest)
#include "EditTransmissionThreadTest.moc"
