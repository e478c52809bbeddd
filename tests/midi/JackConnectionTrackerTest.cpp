// Which connections of our JACK ports count as lost, from the names a server would report: the
// ports still listed and the connections announced gone, ours and others'.
#include "JackConnectionTracker.h"

#include <QtTest>

namespace {

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
        QTest::addColumn<QStringList>("cutPeers");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<bool>("lost");
        QTest::addColumn<QStringList>("ownDisconnectsAfter");
        const QStringList none;
        const QStringList both{seq, keys};
        QTest::newRow("peer listed, nothing cut") << none << seq << none << both << false << none;
        QTest::newRow("peer left the list") << none << seq << none << QStringList{keys} << true << none;
        QTest::newRow("cut by someone else") << none << seq << QStringList{seq} << both << true << none;
        QTest::newRow("cut from another peer") << none << seq << QStringList{keys} << both << false << none;
        QTest::newRow("our own close announced after opening again")
            << QStringList{seq} << seq << QStringList{seq} << both << false << none;
        QTest::newRow("our own close, then someone else's cut")
            << QStringList{seq} << seq << QStringList{seq, seq} << both << true << none;
        QTest::newRow("closed twice, one announcement seen")
            << QStringList{seq, seq} << seq << QStringList{seq} << both << false << QStringList{seq};
        QTest::newRow("our close of the previous peer announced")
            << QStringList{keys} << seq << QStringList{keys} << both << false << none;
        QTest::newRow("our close announced while closed")
            << QStringList{seq} << QString() << QStringList{seq} << none << false << none;
        QTest::newRow("closed port loses nothing")
            << QStringList{keys} << QString() << none << none << false << QStringList{keys};
    }
    void review()
    {
        QFETCH(QStringList, closedBefore);
        QFETCH(QString, peer);
        QFETCH(QStringList, cutPeers);
        QFETCH(QStringList, listed);
        QFETCH(bool, lost);
        QFETCH(QStringList, ownDisconnectsAfter);
        JackConnectionTracker connection;
        for (const QString& earlier : closedBefore) {
            connection.open(earlier);
            connection.close({earlier});
        }
        if (!peer.isEmpty())
            connection.open(peer);
        QCOMPARE(connection.review(cutPeers, listed), lost);
        QCOMPARE(connection.lost(), lost);
        QCOMPARE(connection.ownDisconnects(), ownDisconnectsAfter);
    }

    void cutsOfOurPortAreFoundByEitherEnd()
    {
        const QString own = QStringLiteral("Vantel MIDI:Port1 In");
        const std::vector<JackConnectionTracker::Cut> cuts{
            {own, seq}, {QStringLiteral("Vantel MIDI:Port2 In"), keys}, {keys, own}, {seq, keys}};
        QCOMPARE(JackConnectionTracker::peersCutFrom(own, cuts), (QStringList{seq, keys}));
    }

    void lostStaysUntilClosedAndServerLossTakesEverything()
    {
        JackConnectionTracker connection;
        connection.open(keys);
        connection.close({keys});
        connection.open(seq);
        QVERIFY(connection.review({seq}, {seq}));
        QVERIFY(connection.review({}, {seq})); // the peer is back, the connection is not
        connection.close({});                  // the peer left: no disconnect of ours
        QVERIFY(!connection.lost() && connection.peer().isEmpty());
        QCOMPARE(connection.ownDisconnects(), QStringList{keys});
        connection.open(seq);
        connection.serverGone();
        QVERIFY(connection.lost() && connection.ownDisconnects().isEmpty());
        connection.close({});
        connection.serverGone();
        QVERIFY(!connection.lost());
        // A virtual port has no peer to lose: only the server takes it.
        connection.openVirtual();
        QVERIFY(!connection.review({seq}, {}));
        connection.serverGone();
        QVERIFY(connection.lost());
    }
};

QTEST_GUILESS_MAIN(JackConnectionTrackerTest)
#include "JackConnectionTrackerTest.moc"
