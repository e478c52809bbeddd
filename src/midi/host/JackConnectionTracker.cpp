#include "JackConnectionTracker.h"

QStringList JackConnectionTracker::peersCutFrom(const QString& ownName, const std::vector<Cut>& cuts)
{
    QStringList peers;
    for (const Cut& cut : cuts) {
        if (cut.first == ownName)
            peers.append(cut.second);
        else if (cut.second == ownName)
            peers.append(cut.first);
    }
    return peers;
}

void JackConnectionTracker::open(const QString& peer)
{
    m_lost = false;
    m_open = true;
    m_virtual = false;
    m_peer = peer;
}

void JackConnectionTracker::openVirtual()
{
    m_lost = false;
    m_open = true;
    m_virtual = true;
    m_peer.clear();
}

void JackConnectionTracker::close(const QStringList& ownDisconnects)
{
    m_ownDisconnects.append(ownDisconnects);
    m_lost = false;
    m_open = false;
    m_virtual = false;
    m_peer.clear();
}

bool JackConnectionTracker::review(const QStringList& cutPeers, const QStringList& listedPeers)
{
    // Every announcement of our own disconnects is crossed off, whatever the port is open on now: one
    // left over would later hide someone else's cut of a connection to that peer. A cut from the
    // peer that is none of ours is a loss.
    bool cut = false;
    for (const QString& other : cutPeers) {
        if (!m_ownDisconnects.removeOne(other) && m_open && other == m_peer)
            cut = true;
    }
    if (m_open && !m_virtual && (cut || !listedPeers.contains(m_peer)))
        m_lost = true;
    return m_lost.load();
}

void JackConnectionTracker::serverGone()
{
    m_ownDisconnects.clear();
    if (m_open)
        m_lost = true;
}
