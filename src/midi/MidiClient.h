#pragma once

#include <QtGlobal>

class HostMidiService;

// The application's handle on the host MIDI service, created once before the ports and handed to
// each of them; a port keeps only a pointer to it.
class MidiClient
{
public:
    // service: the host MIDI service the ports use; not owned.
    explicit MidiClient(HostMidiService* service);
    virtual ~MidiClient();

    HostMidiService* service() const;

private:
    HostMidiService* m_service;
};
