#include "MidiClient.h"

MidiClient::MidiClient(HostMidiService* service) : m_service(service) {}

MidiClient::~MidiClient() = default;

HostMidiService* MidiClient::service() const
{
    return m_service;
}
