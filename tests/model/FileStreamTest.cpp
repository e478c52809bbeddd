// The tagged fields views store in project files: their bytes, reading them back, damaged blocks,
// and probing for an optional field that is not there.

#include "FileStream.h"

#include <QBuffer>
#include <QDataStream>
#include <QtTest>

namespace {

// A socket-like device over a buffer: it cannot say how much is left, nor go back.
class SequentialDevice : public QIODevice
{
public:
    explicit SequentialDevice(QIODevice* anInner) : inner(anInner) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 max) override { return inner->read(data, max); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice* inner;
};

} // namespace

class FileStreamTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void write()
    {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        QVERIFY(FileStream::writeIntField(stream, 7, -2));
        QVERIFY(FileStream::writeStringField(stream, 8, QStringLiteral("ab\u00e9")));
        // An empty name field must not make its view unsavable.
        QVERIFY(FileStream::writeStringField(stream, 9, QString()));
        QVERIFY(FileStream::writeStringField(stream, 10, QStringLiteral("")));
        // Per field: tag, byte count, bytes.
        QCOMPARE(bytes, QByteArray::fromHex("00000007 00000004 FFFFFFFE  00000008 00000004 6162C3A9"
                                            "00000009 00000000  0000000A 00000000"));
    }

    void writeToAFullDeviceFails()
    {
        QFile full(QStringLiteral("/dev/full"));
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("no /dev/full");
        QDataStream stream(&full);
        QVERIFY(!FileStream::writeStringField(stream, 1, QStringLiteral("abc")));
    }

    // An integer field with tag 7, then a string field with tag 8, read in that order.
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("intOk");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<bool>("textOk");
        QTest::addColumn<QString>("text");

        const QByteArray good = QByteArray::fromHex("00000007 00000004 FFFFFFFE  00000008 00000002") + "ab";
        const QByteArray intThenTextHeader = QByteArray::fromHex("000000070000000400000001"
                                                                 "00000008");
        QTest::newRow("whole") << good << true << -2 << true << "ab";
        QTest::newRow("empty stream") << QByteArray() << false << 0 << false << "";
        QTest::newRow("integer cut short") << good.left(10) << false << 0 << false << "";
        QTest::newRow("wrong integer size")
            << QByteArray::fromHex("000000070000000200000001") << false << 0 << false << "";
        QTest::newRow("string cut short") << good.left(good.size() - 1) << true << -2 << false << "";
        QTest::newRow("huge string length")
            << intThenTextHeader + QByteArray::fromHex("7FFFFFFF") << true << 1 << false << "";
        QTest::newRow("negative string length")
            << intThenTextHeader + QByteArray::fromHex("80000000") << true << 1 << true << "";
        QTest::newRow("zero string length")
            << intThenTextHeader + QByteArray::fromHex("00000000") << true << 1 << true << "";
        QTest::newRow("wrong tags") << QByteArray::fromHex("000000090000000400000001") << false << 0 << false
                                    << "";
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, intOk);
        QFETCH(qint32, value);
        QFETCH(bool, textOk);
        QFETCH(QString, text);
        QDataStream stream(bytes);
        qint32 read = 99;
        QString readText = QStringLiteral("x");
        QCOMPARE(FileStream::readIntField(stream, 7, &read), intOk);
        QCOMPARE(read, value);
        QCOMPARE(FileStream::readStringField(stream, 8, &readText), textOk);
        QCOMPARE(readText, textOk ? text : QString());
        QCOMPARE(readText.isNull(), !textOk);
    }

    // A block holding fields 1 and 3: asking for 2 in between (either kind) fails and leaves
    // field 3 to be read, on a buffer and on a device that cannot seek.
    void missingFieldLeavesTheStreamWhereItWas_data()
    {
        QTest::addColumn<bool>("sequential");
        QTest::newRow("buffer") << false;
        QTest::newRow("sequential") << true;
    }

    void missingFieldLeavesTheStreamWhereItWas()
    {
        QFETCH(bool, sequential);
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            FileStream::writeIntField(out, 1, 11);
            FileStream::writeStringField(out, 3, QStringLiteral("three"));
            FileStream::writeIntField(out, 4, 44);
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        SequentialDevice pipe(&buffer);
        QDataStream stream(sequential ? static_cast<QIODevice*>(&pipe) : &buffer);

        qint32 value = -1;
        QString text;
        QVERIFY(FileStream::readIntField(stream, 1, &value));
        QCOMPARE(value, 11);
        QVERIFY(!FileStream::readIntField(stream, 2, &value));
        QCOMPARE(value, 0);
        QVERIFY(!FileStream::readStringField(stream, 2, &text));
        // A string where an integer is asked for has the right tag but not the size of one.
        QVERIFY(!FileStream::readIntField(stream, 3, &value));
        QVERIFY(FileStream::readStringField(stream, 3, &text));
        QCOMPARE(text, QStringLiteral("three"));
        QVERIFY(FileStream::readIntField(stream, 4, &value));
        QCOMPARE(value, 44);
        QCOMPARE(stream.status(), QDataStream::Ok);
        QVERIFY(!FileStream::readIntField(stream, 5, &value));
    }

    void stringFromASequentialDeviceIsBounded()
    {
        // The device cannot say how much is left; a damaged length must still fail without first
        // allocating all of it.
        QByteArray bytes = QByteArray::fromHex("00000008 40000000") + QByteArray(100, 'a');
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        SequentialDevice device(&buffer);
        QDataStream stream(&device);
        QString text;
        QVERIFY(!FileStream::readStringField(stream, 8, &text));
        QVERIFY(text.isNull());
    }
};

QTEST_GUILESS_MAIN(FileStreamTest)
#include "FileStreamTest.moc"
