#include "MidiMessageFilter.h"

#include <QtTest>

class MidiMessageFilterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decisions_data()
    {
        QTest::addColumn<QString>("entry"); // "channel:n", "kind:n", "controller:n" or empty
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("data1");
        QTest::addColumn<int>("data2");
        QTest::addColumn<bool>("passes");

        QTest::newRow("nothing set") << "" << 1 << 0 << 60 << 100 << true;
        QTest::newRow("note on blocked by note on entry") << "kind:1" << 1 << 0 << 60 << 100 << false;
        QTest::newRow("note on velocity 0 ignores note on entry") << "kind:1" << 1 << 0 << 60 << 0 << true;
        QTest::newRow("note on velocity 0 blocked by note off entry")
            << "kind:0" << 1 << 0 << 60 << 0 << false;
        QTest::newRow("note off entry leaves real note on") << "kind:0" << 1 << 0 << 60 << 1 << true;
        QTest::newRow("channel entry blocks its channel") << "channel:9" << 4 << 9 << 5 << 0 << false;
        QTest::newRow("channel entry leaves other channels") << "channel:9" << 4 << 8 << 5 << 0 << true;
        QTest::newRow("channel entry leaves system messages") << "channel:0" << 12 << 255 << 0 << 0 << true;
        QTest::newRow("CC passes whatever its kind entry") << "kind:3" << 3 << 0 << 7 << 100 << true;
        QTest::newRow("CC blocked by its controller") << "controller:7" << 3 << 0 << 7 << 100 << false;
        QTest::newRow("other controller passes") << "controller:7" << 3 << 0 << 10 << 100 << true;
        QTest::newRow("controller entry leaves notes") << "controller:60" << 1 << 0 << 60 << 100 << true;
        QTest::newRow("sysex entry") << "kind:7" << 7 << 255 << 0 << 0 << false;
        QTest::newRow("clock entry") << "kind:12" << 12 << 255 << 0 << 0 << false;
        QTest::newRow("reset entry leaves clock") << "kind:17" << 12 << 255 << 0 << 0 << true;
        QTest::newRow("unparsed kind always blocked") << "" << 20 << 255 << 0 << 0 << false;
        QTest::newRow("kind 18 always blocked") << "" << 18 << 255 << 0 << 0 << false;
    }

    void decisions()
    {
        QFETCH(QString, entry);
        QFETCH(int, kind);
        QFETCH(int, channel);
        QFETCH(int, data1);
        QFETCH(int, data2);
        QFETCH(bool, passes);

        MidiMessageFilter filter;
        if (!entry.isEmpty()) {
            const QStringList parts = entry.split(':');
            const int index = parts.at(1).toInt();
            if (parts.at(0) == "channel")
                filter.setChannel(index, true);
            else if (parts.at(0) == "kind")
                filter.setKind(index, true);
            else
                filter.setController(index, true);
        }
        QCOMPARE(filter.passes(MidiMessage(quint8(kind), quint8(channel), quint8(data1), quint8(data2))),
                 passes);
    }

    void entriesCanBeClearedAgainAndRangesAreChecked()
    {
        MidiMessageFilter filter;
        const MidiMessage note(MidiMessageKind::NoteOn, 3, 60, 100);
        filter.setChannel(3, true);
        QVERIFY(!filter.passes(note));
        filter.setChannel(3, false);
        QVERIFY(filter.passes(note));
        // Out-of-range indexes must not touch neighbouring entries.
        filter.setChannel(16, true);
        filter.setChannel(-1, true);
        filter.setKind(20, true);
        filter.setKind(-1, true);
        filter.setController(128, true);
        QVERIFY(filter.passes(note));
        QVERIFY(filter.passes(MidiMessage(MidiMessageKind::ControlChange, 0, 0, 1)));
        QVERIFY(filter.passes(MidiMessage(MidiMessageKind::NoteOff, 0, 60, 0)));
    }
};

QTEST_APPLESS_MAIN(MidiMessageFilterTest)
#include "MidiMessageFilterTest.moc"
