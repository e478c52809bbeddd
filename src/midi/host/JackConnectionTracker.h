#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <utility>
#include <vector>

// The connection of one of our JACK ports to the peer port it was opened on, and whether that
// connection is lost: pure bookkeeping on port names, with no server behind it (the JACK service
// hands it the names the server reports, and picks the announced cuts that concern this port).
//
// A connection is lost once its peer is no longer listed, once the server announced it gone
// without our doing, or once the server itself went away; it stays lost until the port is closed.
// The graph itself is never asked whether a connection is there: a client may read it a cycle
// behind the server, and a connection just made would look gone. Our own disconnects (a close) are
// announced by the server like anyone else's, later; they are noted when made and their
// announcements are crossed off instead of counting as a loss, so that a port closed and opened
// again on the same peer is not lost by the announcement of its own close.
//
// Not thread-safe but for lost(): the owner guards everything else with the mutex of its port
// (the JACK service: the delivery mutex for an input, the output mutex for an output); lost() may
// be read from any thread.
class JackConnectionTracker
{
public:
    // A connection that went, by the full names of both ends, in either order.
    using Cut = std::pair<QString, QString>;
    // The other ends of the cuts of our port ownName, in order.
    static QStringList peersCutFrom(const QString& ownName, const std::vector<Cut>& cuts);

    bool isOpen() const { return m_open; }
    // The peer's full name ("client:port") while open, else empty.
    const QString& peer() const { return m_peer; }
    bool lost() const { return m_lost.load(); }

    // Our port was connected to peer.
    void open(const QString& peer);
    // Our port was opened as a virtual port: whoever connects is heard or served, and there is no
    // peer of ours to lose; only the server's going takes it.
    void openVirtual();
    bool isVirtual() const { return m_virtual; }
    // Our port was closed. ownDisconnects: the peers we cut it from ourselves, whose cuts the server
    // will announce; none when the connection went with its peer.
    void close(const QStringList& ownDisconnects);

    // After a change of the graph. cutPeers: the other ends of the connections of our port that
    // were announced gone since the last look, in order; listedPeers: the ports of other clients
    // now listed in the peer's direction (may be left empty while the port is closed). Returns
    // lost().
    bool review(const QStringList& cutPeers, const QStringList& listedPeers);
    // After the server went away: every connection went with it, and so did the announcements of
    // our own disconnects.
    void serverGone();

    // Our own disconnects whose announcement has not been seen yet.
    const QStringList& ownDisconnects() const { return m_ownDisconnects; }

private:
    bool m_open = false;
    bool m_virtual = false;
    QString m_peer;
    QStringList m_ownDisconnects;
    std::atomic<bool> m_lost{false};
};
