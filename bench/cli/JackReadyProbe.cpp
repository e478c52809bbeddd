// Start-to-ready of a JACK MIDI program: starts the command, notes the moment JACK tells of its
// port (--port) or of a connection to one (--connection), ends it with SIGTERM, and repeats.
//   jack_ready_probe --port|--connection CLIENT_PREFIX RUNS -- COMMAND [ARGUMENTS...]
// Prints the median, minimum and maximum in milliseconds. CLIENT_PREFIX is the start of the JACK
// port names that count ("dump-probe:" or "peer:out").

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

jack_client_t* client = nullptr;
std::string prefix;
bool byConnection = false;
std::atomic<long long> readyAt{0};

long long nowMicroseconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

bool counts(jack_port_id_t id)
{
    jack_port_t* port = jack_port_by_id(client, id);
    return port != nullptr && std::strncmp(jack_port_name(port), prefix.c_str(), prefix.size()) == 0;
}

void onRegistration(jack_port_id_t id, int registered, void*)
{
    if (!byConnection && registered && readyAt.load() == 0 && counts(id))
        readyAt = nowMicroseconds();
}

void onConnection(jack_port_id_t a, jack_port_id_t b, int connected, void*)
{
    if (byConnection && connected && readyAt.load() == 0 && (counts(a) || counts(b)))
        readyAt = nowMicroseconds();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 6 || std::string(argv[4]) != "--") {
        std::fprintf(stderr, "usage: %s --port|--connection CLIENT_PREFIX RUNS -- COMMAND...\n", argv[0]);
        return 2;
    }
    byConnection = std::string(argv[1]) == "--connection";
    prefix = argv[2];
    const int runs = std::atoi(argv[3]);
    jack_status_t status;
    client = jack_client_open("ready-probe", JackNoStartServer, &status);
    if (client == nullptr) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    jack_set_port_registration_callback(client, onRegistration, nullptr);
    jack_set_port_connect_callback(client, onConnection, nullptr);
    jack_activate(client);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        readyAt = 0;
        const long long start = nowMicroseconds();
        pid_t child;
        if (posix_spawnp(&child, argv[5], nullptr, nullptr, argv + 5, environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", argv[5]);
            return 1;
        }
        while (readyAt.load() == 0 && nowMicroseconds() - start < 10000000)
            usleep(100);
        const long long ready = readyAt.load();
        kill(child, SIGTERM);
        int childStatus;
        waitpid(child, &childStatus, 0);
        if (ready == 0) {
            std::fprintf(stderr, "run %d: not ready within 10 s\n", run);
            return 1;
        }
        times.push_back(double(ready - start) / 1000.0);
        usleep(50000); // the server forgets the client before the next run
    }
    std::sort(times.begin(), times.end());
    std::printf("median %.2f ms  min %.2f ms  max %.2f ms  (%d runs)\n", times[times.size() / 2],
                times.front(), times.back(), runs);
    jack_client_close(client);
    return 0;
}
