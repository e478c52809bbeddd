#include "AnalyzerRig.h"
#include "MidiSender.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

class MidiAnalyzerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineText_data()
    {
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("details");
        QTest::addColumn<int>("timeFormat");
        QTest::addColumn<int>("middleC");
        QTest::addColumn<int>("programBase");
        QTest::addColumn<quint32>("port");
        QTest::addColumn<quint32>("stamp");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("expected");

        auto full = [](const char* name, const char* input, const QStringList& expected) {
            QTest::newRow(name) << 1 << 1 << 0 << 0 << 1 << 0u << 1234u << QString(input) << expected;
        };
        full("note on", "90 3C 64", {"00:00:01:234 Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"});
        full("timing clock", "F8", {"00:00:01:234 Port1 ---- T.Clock  F8"});
        full("note 0", "80 00 40", {"00:00:01:234 Port1 Ch 1 NoteOff  80 00 40 [C-2 (  0),  64]"});
        full("note 1 velocity 0", "80 01 00", {"00:00:01:234 Port1 Ch 1 NoteOff  80 01 00 [C#-2(  1),   0]"});
        full("key pressure ch 16", "AF 45 7F",
             {"00:00:01:234 Port1 Ch16 KeyPre   AF 45 7F [A3  ( 69), 127]"});
        full("control change", "B0 07 64", {"00:00:01:234 Port1 Ch 1 CC       B0 07 64 [007 Volume, 100]"});
        full("unnamed controller", "B9 03 00", {"00:00:01:234 Port1 Ch10 CC       B9 03 00 [003 ---,   0]"});
        full("program change one-based", "CA 05", {"00:00:01:234 Port1 Ch11 PC       CA 05    [  6]"});
        full("channel pressure", "D5 40", {"00:00:01:234 Port1 Ch 6 Ch.Pre   D5 40    [ 64]"});
        full("pitch bend bottom", "E0 00 00", {"00:00:01:234 Port1 Ch 1 PB       E0 00 00 [-8192]"});
        full("pitch bend centre", "E0 00 40", {"00:00:01:234 Port1 Ch 1 PB       E0 00 40 [    0]"});
        full("pitch bend one up", "E0 01 40", {"00:00:01:234 Port1 Ch 1 PB       E0 01 40 [   +1]"});
        full("song position", "F2 10 20", {"00:00:01:234 Port1 ---- SongPos  F2 10 20 [ 4112]"});
        full("song select", "F3 00", {"00:00:01:234 Port1 ---- SongSel  F3 00    [  1]"});
        full("time code has no details", "F1 23", {"00:00:01:234 Port1 ---- TimeCode F1 23"});
        full("tune request", "F6", {"00:00:01:234 Port1 ---- TuneReq  F6"});
        full("short sysex", "F0 41 10 F7", {"00:00:01:234 Port1 ---- SysEx    F0 41 10 F7"});
        full("realtime set", "FA FB FC FE FF",
             {"00:00:01:234 Port1 ---- Start    FA", "00:00:01:234 Port1 ---- Continue FB",
              "00:00:01:234 Port1 ---- Stop     FC", "00:00:01:234 Port1 ---- A.Sense  FE",
              "00:00:01:234 Port1 ---- SysReset FF"});
        full("running status", "90 3C 64 3E 64 40 00",
             {"00:00:01:234 Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]",
              "00:00:01:234 Port1 Ch 1 NoteOn   90 3E 64 [D3  ( 62), 100]",
              "00:00:01:234 Port1 Ch 1 NoteOn   90 40 00 [E3  ( 64),   0]"});
        full("clock inside sysex", "F0 01 F8 02 F7",
             {"00:00:01:234 Port1 ---- T.Clock  F8", "00:00:01:234 Port1 ---- SysEx    F0 01 02 F7"});

        QTest::newRow("details and time off")
            << 0 << 0 << 0 << 0 << 1 << 0u << 1234u << "90 3C 64" << QStringList{"90 3C 64"};
        QTest::newRow("details only") << 0 << 1 << 0 << 0 << 1 << 0u << 1234u << "90 3C 64"
                                      << QStringList{"Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]"};
        QTest::newRow("port 2") << 1 << 1 << 0 << 0 << 1 << 1u << 1234u << "91 3C 64"
                                << QStringList{"00:00:01:234 Port2 Ch 2 NoteOn   91 3C 64 [C3  ( 60), 100]"};
        const auto timed = [](const char* name, int format, quint32 stamp, const char* expected) {
            QTest::newRow(name) << 1 << 0 << format << 0 << 1 << 0u << stamp << "F8" << QStringList{expected};
        };
        timed("clock format", 0, 3723004u, "01:02:03:004 F8");
        timed("last millisecond of the day", 0, 86399999u, "23:59:59:999 F8");
        timed("integer format", 1, 4294967295u, "004294967295 F8");
        const auto named = [](const char* name, int middleC, int base, const char* input,
                              const char* expected) {
            QTest::newRow(name) << 0 << 1 << 0 << middleC << base << 0u << 0u << input
                                << QStringList{expected};
        };
        named("middle C C4 note 0", 1, 1, "90 00 01", "Port1 Ch 1 NoteOn   90 00 01 [C-1 (  0),   1]");
        named("middle C C5 note 127", 2, 1, "90 7F 01", "Port1 Ch 1 NoteOn   90 7F 01 [G10 (127),   1]");
        named("program zero-based", 0, 0, "CA 05", "Port1 Ch11 PC       CA 05    [  5]");
        named("song select ignores zero base", 0, 0, "F3 00", "Port1 ---- SongSel  F3 00    [  1]");
    }

    void lineText()
    {
        QFETCH(int, time);
        QFETCH(int, details);
        QFETCH(int, timeFormat);
        QFETCH(int, middleC);
        QFETCH(int, programBase);
        QFETCH(quint32, port);
        QFETCH(quint32, stamp);
        QFETCH(QString, input);
        QFETCH(QStringList, expected);

        AnalyzerRig rig;
        rig.set(ParamTimeStamp, time);
        rig.set(ParamMessageDetail, details);
        rig.set(ParamTimeFormat, timeFormat);
        rig.set(ParamMiddleC, middleC);
        rig.set(ParamProgramNumberBase, programBase);
        rig.receive(input, stamp, port);
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.in, AnalyzerRig::lines(expected));
        QCOMPARE(text.out, QString());
        QVERIFY(text.any);
    }

    // Transmitted data arrives with the sender's kind; the analyzer does not parse it.
    void transmittedLines_data()
    {
        QTest::addColumn<int>("parser");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<quint32>("port");
        QTest::addColumn<QString>("expected");

        QTest::newRow("note on") << 1 << "90 3C 64" << 1 << 0u
                                 << "00:00:01:234 Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]";
        QTest::newRow("port 2") << 1 << "F8" << 12 << 1u << "00:00:01:234 Port2 ---- T.Clock  F8";
        QTest::newRow("parser off makes it unparsed")
            << 0 << "90 3C 64" << 1 << 0u << "00:00:01:234 Port1 ---- -------- 90 3C 64";
        QTest::newRow("unparsed kind")
            << 1 << "90 3C 64 80" << 20 << 0u << "00:00:01:234 Port1 ---- -------- 90 3C 64 80";
        QTest::newRow("kind does not match length")
            << 1 << "90 3C" << 1 << 0u << "00:00:01:234 Port1 Ch 1 NoteOn   90 3C";
        QTest::newRow("data byte out of range")
            << 1 << "B0 87 00" << 3 << 0u << "00:00:01:234 Port1 Ch 1 CC       B0 87 00";
        QTest::newRow("kind out of range") << 1 << "F8" << 200 << 0u << "00:00:01:234 Port1 ---- -------- F8";
    }

    void transmittedLines()
    {
        QFETCH(int, parser);
        QFETCH(QString, bytes);
        QFETCH(int, kind);
        QFETCH(quint32, port);
        QFETCH(QString, expected);
        AnalyzerRig rig;
        rig.showEverything();
        rig.set(ParamParser, parser);
        rig.transmit(bytes, quint8(kind), 1234, port);
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.out, AnalyzerRig::lines({expected}));
        QCOMPARE(text.outCount, quint32(hexBytes(bytes).size()));
        QCOMPARE(text.in, QString());
    }

    void parserOff()
    {
        AnalyzerRig rig;
        rig.showEverything();
        rig.set(ParamParser, 0);
        rig.set(ParamFilterNoteOn, 1);
        rig.set(ParamFilterTimingClock, 1);
        rig.receive("90 3C 64 F8");
        rig.receive("F0 01 F7");
        for (quint32 stamp = 2000; stamp < 3000; stamp += 20)
            rig.receive("F8", stamp);
        const AnalyzerRig::Text text = rig.take();
        QVERIFY(text.in.startsWith(AnalyzerRig::lines({"00:00:01:234 Port1 ---- -------- 90 3C 64 F8",
                                                       "00:00:01:234 Port1 ---- -------- F0 01 F7",
                                                       "00:00:02:000 Port1 ---- -------- F8"})));
        QCOMPARE(text.sysEx, QString());
        QCOMPARE(text.sysExCount, 0u);
        QCOMPARE(rig.analyzer.receivedTempo(), 0);
    }

    void switchingTheParserDropsPartialMessages()
    {
        AnalyzerRig rig;
        rig.receive("90 3C");
        rig.set(ParamParser, 0);
        rig.set(ParamParser, 1);
        rig.receive("64 90 3E 64");
        QCOMPARE(rig.take().in, AnalyzerRig::lines({"90 3E 64"}));
    }

    void filterFromParameters_data()
    {
        QTest::addColumn<int>("parameter");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("shown");

        QTest::newRow("note off entry takes velocity 0") << int(ParamFilterNoteOff) << "90 3C 00 90 3C 01"
                                                         << "90 3C 01";
        QTest::newRow("note on entry leaves velocity 0") << int(ParamFilterNoteOn) << "90 3C 00 90 3C 01"
                                                         << "90 3C 00";
        // (A group heading, here Control Change, is stored but not read.)
        QTest::newRow("CC group box does not filter") << int(ParamFilterControlChange) << "B0 07 64"
                                                      << "B0 07 64";
        QTest::newRow("controller 7") << int(ParamFilterControlChangeNumber) + 7 << "B0 07 64 B0 0A 40"
                                      << "B0 0A 40";
        QTest::newRow("channel 3") << int(ParamFilterChannel) + 2 << "92 3C 64 93 3C 64 F8"
                                   << "93 3C 64 F8";
        QTest::newRow("pitch bend") << int(ParamFilterPitchBend) << "E0 00 40 D0 10"
                                    << "D0 10";
        QTest::newRow("song select") << int(ParamFilterSongSelect) << "F3 01 F2 00 00"
                                     << "F2 00 00";
        QTest::newRow("active sensing") << int(ParamFilterActiveSensing) << "FE F8"
                                        << "F8";
        QTest::newRow("sysex") << int(ParamFilterSystemExclusive) << "F0 01 F7 F6"
                               << "F6";
    }

    void filterFromParameters()
    {
        QFETCH(int, parameter);
        QFETCH(QString, input);
        QFETCH(QString, shown);
        AnalyzerRig rig;
        rig.set(parameter, 1);
        rig.receive(input);
        QStringList expected;
        MidiMessageParser parser;
        const QByteArray bytes = hexBytes(shown);
        parser.feed(byteData(bytes), quint32(bytes.size()));
        MidiMessage message;
        while (parser.nextMessage(message))
            expected << hexText(message.encode());
        QCOMPARE(rig.take().in, AnalyzerRig::lines(expected));
    }

    void filterReadAtConstruction()
    {
        VantelMidiModel model;
        model.setValue(ParamFilterNoteOn, 1);
        MidiAnalyzer analyzer(&model);
        const QByteArray bytes = hexBytes("90 3C 64 F8");
        analyzer.receiveData(byteData(bytes), 4, 0, 0, 0);
        QByteArray in, sysEx, out;
        quint32 a, b, c;
        analyzer.takeMonitorText(in, a, sysEx, b, out, c);
        QCOMPARE(in, QByteArray("\nF8"));
    }

    void sysExCapture()
    {
        AnalyzerRig rig;
        rig.receive("F0 41 10 42 12 40 00 7F 00 41 F7");
        rig.receive("F0 01", 1300, 1);
        rig.receive("02 F7", 1301, 1);
        rig.receive("F0 7E F7", 1302, 0);
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.sysEx, QStringLiteral("\nF0 41 10 42 12 40 00 7F 00 41 F7\nF0 01 02 F7\nF0 7E F7"));
        QCOMPARE(text.sysExCount, 11u + 4u + 3u);
        QCOMPARE(text.in,
                 AnalyzerRig::lines({"F0 41 10 42 12 40 00 7F 00 41 F7", "F0 01 02 F7", "F0 7E F7"}));
        QCOMPARE(text.inCount, 18u);
        QVERIFY(!rig.take().any);
    }

    void longSysExMakesThreeLinesAndOneCapture()
    {
        AnalyzerRig rig;
        rig.showEverything();
        const QByteArray dump = sysExDump(10000, '\x11');
        // As a port would deliver it: several blocks.
        for (int offset = 0; offset < dump.size(); offset += 3000) {
            const QByteArray block = dump.mid(offset, 3000);
            rig.analyzer.receiveData(byteData(block), quint16(block.size()), 1234, 0, 0);
        }
        const AnalyzerRig::Text text = rig.take();
        const QString prefix = QStringLiteral("00:00:01:234 Port1 ---- SysEx    ");
        QStringList expected;
        for (int offset : {0, 4096, 8192})
            expected << prefix + hexText(dump.mid(offset, 4096));
        QCOMPARE(text.in, AnalyzerRig::lines(expected));
        QCOMPARE(text.in.count('\n'), 3);
        QCOMPARE(text.inCount, 10000u);
        // The capture in lines of 4096 bytes as well, without the monitor's prefix.
        QStringList captured;
        for (int offset : {0, 4096, 8192})
            captured << hexText(dump.mid(offset, 4096));
        QCOMPARE(text.sysEx, QLatin1Char('\n') + captured.join(QLatin1Char('\n')));
        QCOMPARE(text.sysExCount, 10000u);
    }

    void monitorSwitchesPerPort()
    {
        AnalyzerRig rig;
        rig.set(ParamMonitorPort2, 0);
        rig.receive("90 3C 64", 1, 1);
        rig.receive("F0 05 F7", 2, 1);
        rig.transmit("80 3C 00", 0, 3, 1);
        rig.receive("91 3C 64", 4, 0);
        rig.transmit("81 3C 00", 0, 5, 0);
        AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.in, AnalyzerRig::lines({"91 3C 64"}));
        QCOMPARE(text.out, AnalyzerRig::lines({"81 3C 00"}));
        QCOMPARE(text.sysEx, QStringLiteral("\nF0 05 F7"));
        QCOMPARE(text.inCount, 3u);

        rig.set(ParamMonitorPort2, 1);
        rig.set(ParamMonitorPort1, 0);
        rig.receive("90 3C 64", 1, 1);
        rig.receive("91 3C 64", 4, 0);
        text = rig.take();
        QCOMPARE(text.in, AnalyzerRig::lines({"90 3C 64"}));
    }

    void otherPortsAreIgnored()
    {
        AnalyzerRig rig;
        rig.set(ParamMidiThru, 3);
        rig.receive("90 3C 64", 0, 2);
        rig.transmit("90 3C 64", 1, 0, 2);
        QVERIFY(!rig.take().any);
        QVERIFY(rig.sender.takeCalls().isEmpty());
    }

    void thruRouting_data()
    {
        QTest::addColumn<quint32>("input");
        QTest::addColumn<int>("routing");
        QTest::addColumn<QList<quint32>>("sends");
        QTest::addColumn<QStringList>("outLines");

        const QString p1 = QStringLiteral("000000005000 Port1 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]");
        const QString p2 = QStringLiteral("000000006000 Port2 Ch 1 NoteOn   90 3C 64 [C3  ( 60), 100]");
        QTest::newRow("Port1 off") << 0u << 0 << QList<quint32>{} << QStringList{};
        QTest::newRow("Port1->Port1") << 0u << 1 << QList<quint32>{0} << QStringList{p1};
        QTest::newRow("Port1->Port2") << 0u << 2 << QList<quint32>{1} << QStringList{p2};
        QTest::newRow("Port1->Port1+Port2") << 0u << 3 << QList<quint32>{0, 1} << QStringList{p1, p2};
        QTest::newRow("Port2 off") << 1u << 0 << QList<quint32>{} << QStringList{};
        QTest::newRow("Port2->Port2") << 1u << 1 << QList<quint32>{1} << QStringList{p2};
        QTest::newRow("Port2->Port1") << 1u << 2 << QList<quint32>{0} << QStringList{p1};
        // Port2's own output is sent first, but the Out lines still read Port1 then Port2.
        QTest::newRow("Port2->Port1+Port2") << 1u << 3 << QList<quint32>{1, 0} << QStringList{p1, p2};
    }

    void thruRouting()
    {
        QFETCH(quint32, input);
        QFETCH(int, routing);
        QFETCH(QList<quint32>, sends);
        QFETCH(QStringList, outLines);

        AnalyzerRig rig;
        rig.showEverything();
        rig.set(ParamTimeFormat, 1);
        rig.set(input == 0 ? ParamMidiThru : ParamMidiThruSecond, routing);
        // The other input's routing must not matter.
        rig.set(input == 0 ? ParamMidiThruSecond : ParamMidiThru, 3 - routing);
        // Filtering applies to the In monitor only: forwarded data and its Out lines ignore it.
        rig.set(ParamFilterNoteOn, 1);
        QStringList inDuringSend;
        rig.sender.duringSend = [&rig, &inDuringSend](quint32) { inDuringSend << rig.take().in; };

        rig.receive("90 3C 64", 1234, input, 0xABCDEF);
        const QVector<FakeMidiSender::Call> calls = rig.sender.takeCalls();
        QCOMPARE(calls.size(), sends.size());
        for (int i = 0; i < calls.size(); ++i) {
            const FakeMidiSender::Call& call = calls.at(i);
            QCOMPARE(call.portSelection, sends.at(i));
            QCOMPARE(call.bytes, hexBytes("90 3C 64"));
            QCOMPARE(int(call.labelKind), 20);
            QVERIFY(call.skipPacing);
            QVERIFY(call.forceLong);
            QVERIFY(call.direct);
            QVERIFY(call.hadSendTimeOut);
            QCOMPARE(call.passThrough, MidiSender::forwardedAt(0xABCDEF));
            QCOMPARE(inDuringSend.at(i), QString()); // nothing is shown before it is forwarded
        }
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.out, AnalyzerRig::lines(outLines));
        QCOMPARE(text.outCount, quint32(3 * outLines.size()));
        QCOMPARE(text.in, QString()); // filtered
    }

    // While an output port takes its time over forwarded data, the GUI thread can still collect
    // text, change settings and send. (If the analyzer held its lock across the send, the other
    // thread below would never finish and the test would hang.)
    void slowThruSendHoldsNobody()
    {
        AnalyzerRig rig;
        rig.set(ParamMidiThru, 1);
        rig.receive("F8", 1, 0);
        bool otherThreadDone = false;
        rig.sender.duringSend = [&](quint32) {
            std::thread gui([&] {
                rig.take();
                rig.analyzer.receivedTempo();
                rig.transmit("FE", MidiMessageKind::ActiveSensing, 2, 1);
            });
            gui.join();
            otherThreadDone = true;
        };
        rig.receive("F8", 3, 0);
        QVERIFY(otherThreadDone);
        QCOMPARE(rig.take().out, QStringLiteral("\nFE\nF8"));
    }

    // The shell clears the sender before destroying it: clearing must wait for a thru send that is
    // under way, and no send may start with the old sender afterwards.
    void clearingTheSenderWaitsForTheSendInProgress()
    {
        AnalyzerRig rig;
        rig.set(ParamMidiThru, 1);
        std::atomic<bool> sendReturned{false};
        std::atomic<bool> clearedAfterSend{false};
        std::thread shell;
        rig.sender.duringSend = [&](quint32) {
            shell = std::thread([&] {
                rig.analyzer.setSender(nullptr);
                clearedAfterSend.store(sendReturned.load());
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            sendReturned.store(true);
        };
        rig.receive("F8");
        shell.join();
        QVERIFY(clearedAfterSend.load());
        rig.sender.duringSend = nullptr;
        rig.take();
        rig.receive("F8");
        QCOMPARE(rig.sender.takeCalls().size(), 1);
        // Without a sender nothing is forwarded, and the input is still shown.
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.out, QString());
        QCOMPARE(text.in, QStringLiteral("\nF8"));
    }

    // Records are whole messages or pieces of a dump; another source's messages may come between
    // two pieces (a MIDI graph merges its sources). They keep lines of their own, the dump stays
    // one message, and a real-time byte that came inside it is shown where it came.
    void messagesBetweenThePiecesOfADumpKeepLinesOfTheirOwn()
    {
        AnalyzerRig rig;
        rig.set(ParamMidiThru, 1);
        rig.set(ParamMidiThruSecond, 1);
        rig.receive("F0 01", 1, 0);
        rig.receive("90 3C 64", 2, 0);
        rig.receive("F0 21", 3, 1);
        rig.receive("02 03", 4, 0);
        rig.receive("F8", 5, 0);
        rig.receive("B1 07 10", 6, 1);
        rig.receive("22 F7", 7, 1);
        rig.receive("04 F7", 8, 0);
        const AnalyzerRig::Text text = rig.take();
        const QStringList lines{"90 3C 64", "F8", "B1 07 10", "F0 21 22 F7", "F0 01 02 03 04 F7"};
        QCOMPARE(text.in, AnalyzerRig::lines(lines));
        // Each output has its own parsers, so what is forwarded to one port does not disturb the
        // other.
        QCOMPARE(text.out, AnalyzerRig::lines(lines));
        QCOMPARE(text.sysEx,
                 QStringLiteral("\nF0 21 22 F7\nF0 01 02 03 04 F7")); // forwarded data is not captured again
    }

    void thruWithParserOffAndFailedSend()
    {
        AnalyzerRig rig;
        rig.showEverything();
        rig.set(ParamParser, 0);
        rig.set(ParamMidiThru, 3);
        rig.sender.accepts[0] = false;
        rig.receive("90 3C 64 F8", 7);
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(rig.sender.takeCalls().size(), 2);
        QCOMPARE(text.out, AnalyzerRig::lines({"00:00:06:000 Port2 ---- -------- 90 3C 64 F8"}));
        QCOMPARE(text.in, AnalyzerRig::lines({"00:00:00:007 Port1 ---- -------- 90 3C 64 F8"}));
    }

    void pendingLinesAreCapped()
    {
        AnalyzerRig rig;
        for (int i = 0; i < 5000; ++i) {
            const quint8 bytes[3] = {0x90, quint8(i % 128), quint8(i / 128)};
            rig.analyzer.receiveData(bytes, 3, 0, 0, 0);
            rig.analyzer.appendTransmitted(bytes, 3, 0, 1, 0);
        }
        const AnalyzerRig::Text text = rig.take();
        const QStringList in = text.in.split('\n').mid(1);
        QCOMPARE(in.size(), MidiAnalyzer::MaximumPendingLines);
        QCOMPARE(in.first(), QStringLiteral("90 08 07")); // 5000 - 4096 = 904 = 7 * 128 + 8
        QCOMPARE(in.last(), QStringLiteral("90 07 27"));
        QCOMPARE(text.out.split('\n').mid(1), in);
        QCOMPARE(text.inCount, 15000u); // traffic counts, shown or not
        QVERIFY(!rig.take().any);
    }

    void discardTransmittedText()
    {
        AnalyzerRig rig;
        rig.transmit("F8", 12);
        rig.receive("F8");
        rig.analyzer.discardTransmittedText();
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.out, QString());
        QCOMPARE(text.outCount, 0u);
        QCOMPARE(text.in, QStringLiteral("\nF8"));
    }

    void tempoOfReceivedClocks()
    {
        AnalyzerRig rig;
        rig.set(ParamFilterTimingClock, 1); // measured even when not shown
        for (quint32 stamp = 1000; stamp <= 1500; stamp += 20)
            rig.receive("F8", stamp, stamp % 40 == 0 ? 0 : 1);
        QCOMPARE(rig.analyzer.receivedTempo(), 1250);
        QCOMPARE(rig.take().in, QString());
        rig.analyzer.advanceTempoIdleTime(3100000); // the meter's own test has the limits
        QCOMPARE(rig.analyzer.receivedTempo(), 0);
    }

    void receiveCallbackReachesTheAnalyzer()
    {
        AnalyzerRig rig;
        const quint8 bytes[] = {0xF8};
        MidiAnalyzer::receiveCallback(&rig.analyzer, bytes, 1, 0, 0, 1);
        MidiAnalyzer::receiveCallback(nullptr, bytes, 1, 0, 0, 1);
        QCOMPARE(rig.take().in, QStringLiteral("\nF8"));
    }
};

QTEST_GUILESS_MAIN(MidiAnalyzerTest)
#include "MidiAnalyzerTest.moc"
