#include "CliContext.h"

#include "HostMidiService.h"

bool CliContext::startMidi()
{
    if (service != nullptr)
        return true;
    QString problem;
    if (!HostMidiService::setUp(midiApi, &problem)) {
        error(problem);
        return false;
    }
    service = HostMidiService::instance();
    return true;
}
