// Which connections of our JACK ports count as lost, from the names a server would report: the
// ports still listed and the connections announced gone, ours and others'.
#include "JackConnectionTracker.h"

#include <QtTest>

using Cuts = std::vector<JackConnectionTracker::Cut>;
Q_DECLARE_METATYPE(Cuts)

namespace {

const QString own = QStringLiteral("Vantel MIDI:Port1 In");
const QString otherOwn = QStringLiteral("Vantel MIDI:Port2 In");
const QString seq = QStringLiteral("seq:out");
const QString keys = QStringLiteral("keys:midi_out");

} // namespace

class JackConnectionTrackerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void review_data()
    {
        QTest::addColumn<QStringList>("closedBefore"); // peers opened and closed by us, in order
        QTest::addColumn<QString>("peer");             // open now; empty: closed
        QTest::addColumn<Cuts>("cuts");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<bool>("lost");
        QTest::addColumn<QStringList>("ownDisconnectsAfter");
        const QStringList none;
        const QStringList both{seq, keys};
        QTest::newRow("peer listed, nothing cut") << none << seq << Cuts{} << both << false << none;
        QTest::newRow("peer left the list") << none << seq << Cuts{} << QStringList{keys} << true << none;
        QTest::newRow("no client: nothing listed") << none << seq << Cuts{} << none << true << none;
        QTest::newRow("cut by someone else") << none << seq << Cuts{{own, seq}} << both << true << none;
        QTest::newRow("cut named the other way round")
            << none << seq << Cuts{{seq, own}} << both << true << none;
        QTest::newRow("cut of our other port")
            << none << seq << Cuts{{otherOwn, seq}} << both << false << none;
        QTest::newRow("cut of our port from another peer")
            << none << seq << Cuts{{own, keys}} << both << false << none;
        QTest::newRow("our own close announced after opening again")
            << QStringList{seq} << seq << Cuts{{own, seq}} << both << false << none;
        QTest::newRow("our own close, then someone else's cut")
            << QStringList{seq} << seq << Cuts{{own, seq}, {seq, own}} << both << true << none;
        QTest::newRow("closed twice, one announcement seen")
            << QStringList{seq, seq} << seq << Cuts{{own, seq}} << both << false << QStringList{seq};
        QTest::newRow("our close of the previous peer announced")
            << QStringList{keys} << seq << Cuts{{keys, own}} << both << false << none;
        QTest::newRow("our close announced while closed")
            << QStringList{seq} << QString() << Cuts{{own, seq}} << none << false << none;
        QTest::newRow("closed port loses nothing")
            << QStringList{keys} << QString() << Cuts{} << none << false << QStringList{keys};
    }
    void review()
    {
        QFETCH(QStringList, closedBefore);
        QFETCH(QString, peer);
        QFETCH(Cuts, cuts);
        QFETCH(QStringList, listed);
        QFETCH(bool, lost);
        QFETCH(QStringList, ownDisconnectsAfter);
        JackConnectionTracker connection;
        for (const QString& earlier : closedBefore) {
            connection.open(earlier);
            connection.close(true);
        }
        if (!peer.isEmpty())
            connection.open(peer);
        QCOMPARE(connection.review(own, cuts, listed), lost);
        QCOMPARE(connection.lost(), lost);
        QCOMPARE(connection.ownDisconnects(), ownDisconnectsAfter);
    }

    void lostStaysUntilClosedAndServerLossTakesEverything()
    {
        JackConnectionTracker connection;
        connection.open(seq);
        QVERIFY(connection.review(own, Cuts{{own, seq}}, {seq}));
        // The peer is back and nothing else was cut: still lost, the connection is not there.
        QVERIFY(connection.review(own, Cuts{}, {seq}));
        // A peer that went away is not our own disconnect.
        connection.close(false);
        QVERIFY(!connection.lost());
        QVERIFY(!connection.isOpen());
        QVERIFY(connection.peer().isEmpty());
        QVERIFY(connection.ownDisconnects().isEmpty());

        connection.open(keys);
        connection.close(true);
        connection.open(seq);
        connection.serverGone();
        QVERIFY(connection.lost());
        QVERIFY(connection.ownDisconnects().isEmpty());
        connection.close(false);
        connection.serverGone();
        QVERIFY(!connection.lost());
        connection.open(seq);
        QVERIFY(!connection.review(own, Cuts{}, {seq}));
    }

    void someoneElsesCutAfterSwitchingBackIsALoss()
    {
        // seq, then keys, then seq again, our closes announced in between: a later cut of seq by a
        // patchbay is no announcement of ours.
        JackConnectionTracker connection;
        connection.open(seq);
        connection.close(true);
        connection.open(keys);
        QVERIFY(!connection.review(own, Cuts{{own, seq}}, {seq, keys}));
        connection.close(true);
        connection.open(seq);
        QVERIFY(!connection.review(own, Cuts{{own, keys}}, {seq, keys}));
        QVERIFY(connection.review(own, Cuts{{seq, own}}, {seq, keys}));
    }
};

QTEST_GUILESS_MAIN(JackConnectionTrackerTest)
#include "JackConnectionTrackerTest.moc"
