#include "MidiMessageParser.h"
#include "HexBytes.h"

#include <QtTest>

class MidiMessageParserTest : public QObject
{
    Q_OBJECT

private:
    // Feeds each block in turn; the messages yielded after one block are joined by ", ", blocks
    // by " | ".
    static QString parseBlocks(MidiMessageParser& parser, const QStringList& blocks)
    {
        QStringList perBlock;
        for (const QString& block : blocks) {
            const QByteArray bytes = hexBytes(block);
            parser.feed(byteData(bytes), quint32(bytes.size()));
            QStringList messages;
            MidiMessage message;
            while (parser.nextMessage(message))
                messages << hexText(message.encode());
            perBlock << messages.join(", ");
        }
        return perBlock.join(" | ");
    }

private Q_SLOTS:
    void streams_data()
    {
        QTest::addColumn<QStringList>("blocks");
        QTest::addColumn<QString>("expected");
        // Input bytes in no yielded message: dropped, or held by a message still incomplete.
        QTest::addColumn<quint32>("leftOut");

        QTest::newRow("running status")
            << QStringList{"90 3C 64 3E 64 40 00"} << "90 3C 64, 90 3E 64, 90 40 00" << 0u;
        QTest::newRow("running status across blocks")
            << QStringList{"90 3C", "64 3E", "64"} << " | 90 3C 64 | 90 3E 64" << 0u;
        QTest::newRow("two-byte running status") << QStringList{"C0 05 06"} << "C0 05, C0 06" << 0u;
        QTest::newRow("status byte cuts a message") << QStringList{"90 3C 80 3C 00"} << "80 3C 00" << 2u;
        QTest::newRow("stray data and F7 dropped") << QStringList{"3C 64 F7 01"} << "" << 4u;
        QTest::newRow("F7 ends running status") << QStringList{"90 3C 64 F7 3E 64"} << "90 3C 64" << 3u;
        QTest::newRow("undefined F4 drops the message in progress")
            << QStringList{"90 3C F4 64 3C 64"} << "" << 6u;
        QTest::newRow("undefined F5 dropped") << QStringList{"F5 F8"} << "F8" << 1u;
        QTest::newRow("system common")
            << QStringList{"F1 23 F2 10 20 F3 05 F6"} << "F1 23, F2 10 20, F3 05, F6" << 0u;
        QTest::newRow("system common has no running status") << QStringList{"F3 05 06"} << "F3 05" << 1u;
        QTest::newRow("real-time bytes")
            << QStringList{"F8 FA FB FC FE FF"} << "F8, FA, FB, FC, FE, FF" << 0u;
        QTest::newRow("clock inside a note")
            << QStringList{"90 3C 64 F8 3E 64"} << "90 3C 64, F8, 90 3E 64" << 0u;
        QTest::newRow("clock between status and data") << QStringList{"90 F8 3C 64"} << "F8, 90 3C 64" << 0u;
        QTest::newRow("undefined real-time bytes leave the message alone")
            << QStringList{"90 3C F9 64 FD 3E 64"} << "90 3C 64, 90 3E 64" << 2u;
        QTest::newRow("clock inside sysex") << QStringList{"F0 01 F8 02 F7"} << "F8, F0 01 02 F7" << 0u;
        QTest::newRow("real-time between sysex blocks")
            << QStringList{"F0 01 02", "FE", "03 F7"} << " | FE | F0 01 02 03 F7" << 0u;
        QTest::newRow("sysex in two blocks") << QStringList{"F0 41 10", "42 F7"} << " | F0 41 10 42 F7" << 0u;
        QTest::newRow("empty sysex") << QStringList{"F0 F7"} << "F0 F7" << 0u;
        QTest::newRow("sysex cut by a status byte") << QStringList{"F0 01 02 90 3C 64"} << "90 3C 64" << 3u;
        QTest::newRow("data after sysex dropped") << QStringList{"F0 01 F7 02 03"} << "F0 01 F7" << 2u;
        QTest::newRow("sysex end without start") << QStringList{"01 02 F7 F8"} << "F8" << 3u;
        QTest::newRow("every channel kind")
            << QStringList{"81 01 02 92 03 04 A3 05 06 B4 07 08 C5 09 D6 0A E7 0B 0C"}
            << "81 01 02, 92 03 04, A3 05 06, B4 07 08, C5 09, D6 0A, E7 0B 0C" << 0u;
        QTest::newRow("sysex without end") << QStringList{"F0 41 10"} << "" << 3u;
    }

    void streams()
    {
        QFETCH(QStringList, blocks);
        QFETCH(QString, expected);
        QFETCH(quint32, leftOut);
        MidiMessageParser parser;
        QCOMPARE(parseBlocks(parser, blocks), expected);
        QCOMPARE(parser.droppedBytes() + parser.incompleteBytes(), quint64(leftOut));
    }

    void decodedFields_data()
    {
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("data1");
        QTest::addColumn<int>("data2");
        QTest::addColumn<int>("value14");

        QTest::newRow("note on ch 16")
            << "9F 3C 64" << int(MidiMessageKind::NoteOn) << 15 << 0x3C << 0x64 << 0x3C + 128 * 0x64;
        QTest::newRow("pitch bend top")
            << "E3 7F 7F" << int(MidiMessageKind::PitchBend) << 3 << 0x7F << 0x7F << 16383;
        QTest::newRow("song position")
            << "F2 10 20" << int(MidiMessageKind::SongPosition) << 255 << 0x10 << 0x20 << 4112;
        QTest::newRow("time code") << "F1 23" << int(MidiMessageKind::TimeCode) << 255 << 0x23 << 0 << 0x23;
        QTest::newRow("reset") << "FF" << int(MidiMessageKind::SystemReset) << 255 << 0 << 0 << 0;
    }

    void decodedFields()
    {
        QFETCH(QString, bytes);
        QFETCH(int, kind);
        QFETCH(int, channel);
        QFETCH(int, data1);
        QFETCH(int, data2);
        QFETCH(int, value14);
        const QByteArray input = hexBytes(bytes);
        MidiMessageParser parser;
        parser.feed(byteData(input), quint32(input.size()));
        MidiMessage message;
        QVERIFY(parser.nextMessage(message));
        QCOMPARE(int(message.kind()), kind);
        QCOMPARE(int(message.channel()), channel);
        QCOMPARE(int(message.data1()), data1);
        QCOMPARE(int(message.data2()), data2);
        QCOMPARE(int(message.value14()), value14);
        QCOMPARE(message.encode(), input);
        QCOMPARE(message.byteCount(), input.size());
        QVERIFY(!parser.nextMessage(message));
    }

    // A dump far larger than one growth block, fed in uneven pieces with real-time bytes
    // sprinkled in, comes out whole and once.
    void longSysExAcrossManyBlocks()
    {
        QByteArray dump(40000, '\0');
        dump[0] = char(0xF0);
        for (int i = 1; i < dump.size() - 1; ++i)
            dump[i] = char(i % 128);
        dump[dump.size() - 1] = char(0xF7);

        MidiMessageParser parser;
        int sysExCount = 0, clockCount = 0;
        MidiMessage message;
        for (int offset = 0; offset < dump.size();) {
            const int length = qMin(997, dump.size() - offset);
            parser.feed(byteData(dump) + offset, quint32(length));
            while (parser.nextMessage(message)) {
                if (message.kind() == MidiMessageKind::SystemExclusive) {
                    ++sysExCount;
                    QCOMPARE(message.sysEx(), dump);
                } else {
                    ++clockCount;
                }
            }
            offset += length;
            const quint8 clock = 0xF8;
            parser.feed(&clock, 1);
            while (parser.nextMessage(message))
                ++clockCount;
        }
        QCOMPARE(sysExCount, 1);
        QCOMPARE(clockCount, (dump.size() + 996) / 997);
    }

    void resetDropsPartialMessageAndRunningStatus()
    {
        MidiMessageParser parser;
        QCOMPARE(parseBlocks(parser, {"90 3C 64", "F0 01 02"}), QStringLiteral("90 3C 64 | "));
        QVERIFY(parser.pendingBytes() > 0);
        parser.reset();
        QCOMPARE(parser.pendingBytes(), 0u);
        QCOMPARE(parser.droppedBytes() + parser.incompleteBytes(), quint64(0));
        QCOMPARE(parseBlocks(parser, {"03 F7 3E 64"}), QString());
        MidiMessageParser second;
        QCOMPARE(parseBlocks(second, {"90 3C 64"}), QStringLiteral("90 3C 64"));
        second.reset();
        QCOMPARE(parseBlocks(second, {"3E 64"}), QString());
    }
};

QTEST_APPLESS_MAIN(MidiMessageParserTest)
#include "MidiMessageParserTest.moc"
