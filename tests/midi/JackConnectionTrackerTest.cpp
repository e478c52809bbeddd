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
        connection.open(keys);
        connection.close(true);
        connection.open(seq);
        QVERIFY(connection.review(own, Cuts{{own, seq}}, {seq}));
        QVERIFY(connection.review(own, Cuts{}, {seq})); // the peer is back, the connection is not
        connection.close(false);                        // the peer left: no disconnect of ours
        QVERIFY(!connection.lost() && connection.peer().isEmpty());
        QCOMPARE(connection.ownDisconnects(), QStringList{keys});
        connection.open(seq);
        connection.serverGone();
        QVERIFY(connection.lost() && connection.ownDisconnects().isEmpty());
        connection.close(false);
        connection.serverGone();
        QVERIFY(!connection.lost());
    }
};

QTEST_GUILESS_MAIN(JackConnectionTrackerTest)
#include "JackConnectionTrackerTest.moc"
