// A small instrument stand-in for the command-line tests and benchmarks: a JACK client NAME with
// the ports NAME:in and NAME:out that answers what arrives at its input.
//   echo            sends back every event as it came
//   identity        answers an identity request (F0 7E cc 06 01 F7) with an identity reply
//   noisy-identity  the same, after a note and an unrelated system-exclusive message
//   silent          answers nothing
// Prints "ready" once its ports are there; ends on SIGTERM or SIGINT.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

enum class Mode
{
    Echo,
    Identity,
    NoisyIdentity,
    Silent
};

Mode mode = Mode::Silent;
jack_port_t* input = nullptr;
jack_port_t* output = nullptr;
std::atomic<bool> stopping{false};

const unsigned char identityReply[] = {0xF0, 0x7E, 0x7F, 0x06, 0x02, 0x00, 0x20, 0x33,
                                       0x01, 0x00, 0x01, 0x02, 0x03, 0x04, 0xF7};
const unsigned char note[] = {0x90, 0x3C, 0x64};
const unsigned char otherSysEx[] = {0xF0, 0x7E, 0x7F, 0x06, 0x03, 0xF7};

bool isIdentityRequest(const jack_midi_event_t& event)
{
    return event.size == 6 && event.buffer[0] == 0xF0 && event.buffer[1] == 0x7E && event.buffer[3] == 0x06 &&
           event.buffer[4] == 0x01 && event.buffer[5] == 0xF7;
}

int process(jack_nframes_t frames, void*)
{
    void* in = jack_port_get_buffer(input, frames);
    void* out = jack_port_get_buffer(output, frames);
    jack_midi_clear_buffer(out);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    jack_nframes_t last = 0;
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) != 0)
            continue;
        jack_nframes_t at = event.time > last ? event.time : last;
        const auto write = [&](const unsigned char* bytes, size_t size) {
            if (at >= frames)
                at = frames - 1;
            jack_midi_event_write(out, at, bytes, size);
            last = at;
        };
        if (mode == Mode::Echo) {
            write(event.buffer, event.size);
        } else if ((mode == Mode::Identity || mode == Mode::NoisyIdentity) && isIdentityRequest(event)) {
            if (mode == Mode::NoisyIdentity) {
                write(note, sizeof note);
                write(otherSysEx, sizeof otherSysEx);
            }
            write(identityReply, sizeof identityReply);
        }
    }
    return 0;
}

void onSignal(int)
{
    stopping = true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s NAME echo|identity|noisy-identity|silent\n", argv[0]);
        return 2;
    }
    const std::string wanted = argv[2];
    if (wanted == "echo")
        mode = Mode::Echo;
    else if (wanted == "identity")
        mode = Mode::Identity;
    else if (wanted == "noisy-identity")
        mode = Mode::NoisyIdentity;
    else if (wanted != "silent") {
        std::fprintf(stderr, "unknown mode %s\n", argv[2]);
        return 2;
    }
    jack_status_t status;
    jack_client_t* client = jack_client_open(argv[1], JackNoStartServer, &status);
    if (client == nullptr) {
        std::fprintf(stderr, "no JACK server (status 0x%x)\n", unsigned(status));
        return 1;
    }
    input = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    output = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (input == nullptr || output == nullptr || jack_set_process_callback(client, process, nullptr) != 0 ||
        jack_activate(client) != 0) {
        std::fprintf(stderr, "could not set up the JACK client\n");
        jack_client_close(client);
        return 1;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::printf("ready\n");
    std::fflush(stdout);
    while (!stopping)
        usleep(20000);
    jack_deactivate(client);
    jack_client_close(client);
    return 0;
}
