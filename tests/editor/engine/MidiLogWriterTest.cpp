#include "MidiLogWriter.h"
#include "LogFileSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

class MidiLogWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void piecesArriveInOrderPerDirection()
    {
        QTemporaryDir dir;
        MidiLogWriter writer(nullptr);
        QVERIFY(writer.open(MidiLogWriter::Received, dir.filePath("in.log")));
        QVERIFY(writer.open(MidiLogWriter::Transmitted, dir.filePath("out.log")));
        QByteArray expectedIn, expectedOut;
        for (int i = 0; i < 5000; ++i) {
            const QByteArray head = QByteArray::number(i);
            writer.append(MidiLogWriter::Received, head.constData(), head.size(), " in\n", 4);
            writer.append(MidiLogWriter::Transmitted, head.constData(), head.size(), "", 0);
            writer.append(MidiLogWriter::Transmitted, nullptr, 0, "\n", 1);
            expectedIn += head + " in\n";
            expectedOut += head + "\n";
        }
        writer.waitUntilWritten();
        QCOMPARE(fileBytes(dir.filePath("in.log")), expectedIn); // already on disk before closing
        QVERIFY(writer.close(MidiLogWriter::Received));
        QVERIFY(writer.close(MidiLogWriter::Transmitted));
        writer.waitUntilWritten();
        QCOMPARE(fileBytes(dir.filePath("out.log")), expectedOut);
        QVERIFY(!writer.isOpen(MidiLogWriter::Received));
        writer.append(MidiLogWriter::Received, "late\n", 5, nullptr, 0); // ignored, no crash
    }

    void invalidDirections()
    {
        QTemporaryDir dir;
        MidiLogWriter writer(nullptr);
        QVERIFY(!writer.open(2, dir.filePath("x.log")));
        QVERIFY(!writer.open(-1, dir.filePath("x.log")));
        QVERIFY(!writer.close(2));
        writer.append(5, "x", 1, nullptr, 0);
        QVERIFY(!QFile::exists(dir.filePath("x.log")));
    }

    // A disk that cannot keep up: once the backlog reaches its limit the file is failed and
    // reported once, rather than growing memory without bound or dropping lines silently.
    void backlogLimitFailsTheFileOnce()
    {
        QTemporaryDir dir;
        StalledPipe pipe(dir.filePath("stalled.fifo"));
        QVERIFY(pipe.isValid());

        std::atomic<int> failures{0};
        std::atomic<int> failedDirection{-1};
        const qint64 limit = 256 * 1024;
        MidiLogWriter writer(
            [&](int direction) {
                failedDirection.store(direction);
                failures.fetch_add(1);
            },
            limit);
        QVERIFY(writer.open(MidiLogWriter::Transmitted, pipe.path()));
        const QByteArray line(99, 'x');
        // The writer is up and the pipe empty again before the flood, however the threads run.
        writer.append(MidiLogWriter::Transmitted, line.constData(), line.size(), "\n", 1);
        QCOMPARE(pipe.readAtLeast(100).size(), 100);
        const int lines = 20000; // 2 MB against a pipe of 64 KB and a 256 KB backlog
        for (int i = 0; i < lines; ++i)
            writer.append(MidiLogWriter::Transmitted, line.constData(), line.size(), "\n", 1);
        QVERIFY(!writer.isOpen(MidiLogWriter::Transmitted));

        const qint64 received = pipe.drain().size();
        writer.waitUntilWritten();
        QCOMPARE(failures.load(), 1);
        QCOMPARE(failedDirection.load(), int(MidiLogWriter::Transmitted));
        // Everything accepted before the limit was written, whole lines only: at most what the
        // pipe took, the part the writer held when the pipe stopped it, and a full backlog.
        QVERIFY2(received > 0 && received <= 64 * 1024 + 2 * limit && received < lines * 100,
                 qPrintable(QString::number(received)));
        QCOMPARE(received % 100, 0);
        QVERIFY(!writer.close(MidiLogWriter::Transmitted));
    }

    // Whether the failing write is seen before close(), while close() waits or only after it
    // returned, it is reported: by close()'s result or by the failure handler, which runs at most
    // once. (Seen before close(), both report: the file is gone when close() comes.)
    void failureWhileClosingIsReportedOnce()
    {
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full on this system");
        for (int round = 0; round < 20; ++round) {
            std::atomic<int> failures{0};
            bool closed;
            {
                MidiLogWriter writer([&](int) { failures.fetch_add(1); });
                QVERIFY(writer.open(MidiLogWriter::Received, "/dev/full"));
                writer.append(MidiLogWriter::Received, "F8\n", 3, nullptr, 0);
                closed = writer.close(MidiLogWriter::Received);
                writer.waitUntilWritten();
            }
            QVERIFY(failures.load() <= 1);
            QVERIFY(!closed || failures.load() == 1);
        }
    }
};

QTEST_GUILESS_MAIN(MidiLogWriterTest)
#include "MidiLogWriterTest.moc"
