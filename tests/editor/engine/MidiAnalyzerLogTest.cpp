#include "AnalyzerRig.h"
#include "LogFileSupport.h"

#include <QTemporaryDir>
#include <QtTest>

class MidiAnalyzerLogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesReadBackByteForByte()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString inPath = dir.filePath("in.log");
        const QString outPath = dir.filePath("out.log");
        QFile existing(outPath);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("old contents that must go\n");
        existing.close();

        AnalyzerRig rig;
        rig.showEverything();
        rig.set(ParamMidiThru, 2);
        rig.receive("90 3C 64"); // before the files are open: not logged
        QVERIFY(rig.analyzer.openReceivedLogFile(inPath));
        QVERIFY(rig.analyzer.openTransmittedLogFile(outPath));
        rig.receive("90 3C 64 F8");
        rig.receive("B0 07 64 F0 01 02 F7", 3723004);
        rig.set(ParamMessageDetail, 0);
        rig.receive("CA 05", 3723005);
        rig.set(ParamMessageDetail, 1);
        rig.set(ParamMonitorPort2, 0);
        rig.receive("F8", 3723006, 1); // not monitored: not logged either
        rig.transmit("E0 00 40", 6, 42, 0);
        QVERIFY(rig.analyzer.closeReceivedLogFile());
        QVERIFY(rig.analyzer.closeTransmittedLogFile());
        rig.receive("F8"); // after closing: not logged
        rig.analyzer.waitForLogFiles();

        QCOMPARE(fileBytes(inPath), QByteArray("00:00:01:234 Port1 Ch 1 NoteOn   90 3C 64[C3  ( 60), 100]\n"
                                               "00:00:01:234 Port1 ---- T.Clock  F8\n"
                                               "01:02:03:004 Port1 Ch 1 CC       B0 07 64[007 Volume, 100]\n"
                                               "01:02:03:004 Port1 ---- SysEx    F0 01 02 F7\n"
                                               "01:02:03:005 CA 05\n"));
        // Forwarded data is logged with the send stamp (Port2: 6000 ms) and the Out port.
        QCOMPARE(fileBytes(outPath), QByteArray("00:00:06:000 Port2 Ch 1 NoteOn   90 3C 64[C3  ( 60), 100]\n"
                                                "00:00:06:000 Port2 ---- T.Clock  F8\n"
                                                "00:00:06:000 Port2 Ch 1 CC       B0 07 64[007 Volume, 100]\n"
                                                "00:00:06:000 Port2 ---- SysEx    F0 01 02 F7\n"
                                                "00:00:06:000 CA 05\n"
                                                "00:00:00:042 Port1 Ch 1 PB       E0 00 40[    0]\n"));
        // The monitors saw everything, the lines before opening and after closing included.
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.in.count('\n'), 7);
        QVERIFY(text.in.contains("90 3C 64 [C3  ( 60), 100]"));
    }

    void longLinesAreLoggedWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("sysex.log");
        AnalyzerRig rig;
        QVERIFY(rig.analyzer.openReceivedLogFile(path));
        const QByteArray dump = sysExDump(10000, '\x22');
        rig.analyzer.receiveData(byteData(dump), quint16(dump.size()), 0, 0, 0);
        QVERIFY(rig.analyzer.closeReceivedLogFile());
        rig.analyzer.waitForLogFiles();
        const QByteArray expected = (hexText(dump.mid(0, 4096)) + "\n" + hexText(dump.mid(4096, 4096)) +
                                     "\n" + hexText(dump.mid(8192)) + "\n")
                                        .toLatin1();
        QCOMPARE(fileBytes(path), expected);
    }

    void openAndCloseResults()
    {
        QTemporaryDir dir;
        AnalyzerRig rig;
        QVERIFY(!rig.analyzer.closeReceivedLogFile()); // nothing open
        QVERIFY(!rig.analyzer.openReceivedLogFile(QString()));
        QVERIFY(!rig.analyzer.openReceivedLogFile(dir.filePath("missing/folder/in.log")));
        QVERIFY(rig.analyzer.openReceivedLogFile(dir.filePath("a.log")));
        QVERIFY(!rig.analyzer.openReceivedLogFile(dir.filePath("b.log"))); // that direction is taken
        QVERIFY(!QFile::exists(dir.filePath("b.log")));
        QVERIFY(rig.analyzer.openTransmittedLogFile(dir.filePath("b.log"))); // the other is free
        QVERIFY(rig.analyzer.closeReceivedLogFile());
        QVERIFY(!rig.analyzer.closeReceivedLogFile());
        QVERIFY(rig.analyzer.openReceivedLogFile(dir.filePath("a.log"))); // again after closing
        // Both still open when the analyzer goes: the destructor must close them quietly.
    }

    void writeFailureClosesTheFileAndReportsOnce_data()
    {
        QTest::addColumn<bool>("received");
        QTest::newRow("In") << true;
        QTest::newRow("Out") << false;
    }

    void writeFailureClosesTheFileAndReportsOnce()
    {
        QFETCH(bool, received);
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full on this system");
        AnalyzerRig rig;
        int inFailures = 0, outFailures = 0;
        // Queued, as the main window connects them: the signals come from the writer thread.
        connect(
            &rig.analyzer, &MidiAnalyzer::writeReceivedDataFailedToTextFile, this, [&] { ++inFailures; },
            Qt::QueuedConnection);
        connect(
            &rig.analyzer, &MidiAnalyzer::writeTransmittedDataFailedToTextFile, this, [&] { ++outFailures; },
            Qt::QueuedConnection);
        QVERIFY(received ? rig.analyzer.openReceivedLogFile("/dev/full")
                         : rig.analyzer.openTransmittedLogFile("/dev/full"));
        for (int i = 0; i < 200; ++i) {
            if (received)
                rig.receive("90 3C 64", quint32(i));
            else
                rig.transmit("90 3C 64", 1, quint32(i));
        }
        QTRY_COMPARE(received ? inFailures : outFailures, 1);
        for (int i = 0; i < 200; ++i) {
            rig.receive("90 3C 64", quint32(i));
            rig.transmit("90 3C 64", 1, quint32(i));
        }
        rig.analyzer.waitForLogFiles();
        QTest::qWait(50);
        QCOMPARE(inFailures + outFailures, 1);
        // The file was closed by the failure: there is nothing left to close.
        QVERIFY(!(received ? rig.analyzer.closeReceivedLogFile() : rig.analyzer.closeTransmittedLogFile()));
        // No monitor line was lost.
        const AnalyzerRig::Text text = rig.take();
        QCOMPARE(text.in.count('\n'), received ? 400 : 200);
        QCOMPARE(text.out.count('\n'), received ? 200 : 400);
        // A new file can be opened after the failure.
        QTemporaryDir dir;
        QVERIFY(rig.analyzer.openReceivedLogFile(dir.filePath("again.log")));
        rig.receive("F8");
        QVERIFY(rig.analyzer.closeReceivedLogFile());
        rig.analyzer.waitForLogFiles();
        QCOMPARE(fileBytes(dir.filePath("again.log")), QByteArray("F8\n"));
    }

    // A disk that stops taking data (a pipe nobody reads yet) holds the writer thread only: the
    // monitor text keeps flowing, closing the file returns, a new file can be opened at once, and
    // once the disk moves again every line reaches the old file, in order. A design that waited
    // for the disk anywhere on these paths would hang here.
    void stalledLogDiskHoldsNobody()
    {
        QTemporaryDir dir;
        StalledPipe pipe(dir.filePath("stalled.fifo"));
        QVERIFY(pipe.isValid());

        AnalyzerRig rig;
        int failures = 0;
        connect(
            &rig.analyzer, &MidiAnalyzer::writeReceivedDataFailedToTextFile, this, [&] { ++failures; },
            Qt::QueuedConnection);
        QVERIFY(rig.analyzer.openReceivedLogFile(pipe.path()));
        QByteArray expected;
        int monitorLines = 0;
        for (int i = 0; i < 20000; ++i) { // far more than a pipe holds
            const quint8 bytes[3] = {0x90, quint8(i % 128), quint8((i / 128) % 128)};
            rig.analyzer.receiveData(bytes, 3, 0, 0, 0);
            expected += hexText(QByteArray(reinterpret_cast<const char*>(bytes), 3)).toLatin1() + '\n';
            if (i % 1000 == 999)
                monitorLines += rig.take().in.count('\n');
        }
        QCOMPARE(monitorLines, 20000);
        QVERIFY(rig.analyzer.closeReceivedLogFile());
        const QString nextPath = dir.filePath("next.log");
        QVERIFY(rig.analyzer.openReceivedLogFile(nextPath));
        rig.receive("F8");

        const QByteArray received = pipe.drain();
        QCOMPARE(received.size(), expected.size());
        QVERIFY(received == expected);
        QVERIFY(rig.analyzer.closeReceivedLogFile());
        rig.analyzer.waitForLogFiles();
        QCOMPARE(fileBytes(nextPath), QByteArray("F8\n"));
        QCoreApplication::processEvents();
        QCOMPARE(failures, 0);
    }
};

QTEST_GUILESS_MAIN(MidiAnalyzerLogTest)
#include "MidiAnalyzerLogTest.moc"
