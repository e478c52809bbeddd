#include "JackConnectionTracker.h"

void JackConnectionTracker::open(const QString& peer)
{
    m_lost = false;
    m_open = true;
    m_peer = peer;
}

void JackConnectionTracker::close(bool disconnectedByUs)
{
    if (disconnectedByUs)
        m_ownDisconnects.append(m_peer);
    m_lost = false;
    m_open = false;
    m_peer.clear();
}

bool JackConnectionTracker::review(const QString& ownName, const std::vector<Cut>& cuts,
                                   const QStringList& listedPeers)
{
    // A cut of this port from its peer is a loss unless it is the announcement of our own.
    bool cut = false;
    for (const Cut& c : cuts) {
        if (!((c.first == ownName && c.second == m_peer) || (c.second == ownName && c.first == m_peer)))
            continue;
        if (m_ownDisconnects.contains(m_peer))
            m_ownDisconnects.removeOne(m_peer);
        else
            cut = true;
    }
    if (m_open && (cut || !listedPeers.contains(m_peer)))
        m_lost = true;
    return m_lost.load();
}

void JackConnectionTracker::serverGone()
{
    m_ownDisconnects.clear();
    if (m_open)
        m_lost = true;
}
