#!/usr/bin/env bash
# Thru timing at a JACK peer: jack_midiseq's notes go to one jack_midi_dump -a directly and, through
# the program's Port1 In, thru and Port1 Out (vantel_thru_driver), to a second one, on a private
# dummy server. The notes are 8000, 4000 and 12000 frames apart.
#
#   bench/midi/thru-timing.sh [build-dir] [seconds] [period]
#
# build-dir holds bench/midi/vantel_thru_driver (configure with -DVANTEL_BUILD_BENCH=ON; a Release
# build gives the figures worth quoting). The server is named by VANTEL_BENCH_SERVER (default
# vantel-thru-bench). Needs jackd, jack_midiseq, jack_midi_dump, jack_connect (Debian: jackd2).
# Prints, per path, the number of intervals, the deviation of each interval from the sequencer's
# (median, 99th percentile, maximum, in frames) and the share within a frame, then the cycles the
# server missed: on a loaded machine those move the notes of both paths.
set -eu
build=${1:-build-bench}
seconds=${2:-30}
period=${3:-256}
driver="$build/bench/midi/vantel_thru_driver"
server=${VANTEL_BENCH_SERVER:-vantel-thru-bench}
rate=48000
work=$(mktemp -d)
here=$(cd "$(dirname "$0")" && pwd)

for tool in jackd jack_midiseq jack_midi_dump jack_connect python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (sudo apt-get install jackd2)" >&2; exit 1; }
done
[ -x "$driver" ] || { echo "missing $driver (build with -DVANTEL_BUILD_BENCH=ON)" >&2; exit 1; }

export JACK_DEFAULT_SERVER=$server JACK_NO_START_SERVER=1
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  "$here/../../tests/midi/jack-server.sh" stop "$server" "$work" || true
  rm -rf "$work"
}
trap cleanup EXIT

"$here/../../tests/midi/jack-server.sh" start "$server" "$work" "$period"

jack_midi_dump -a direct-dump >"$work/direct.txt" 2>/dev/null &
direct_pid=$!
pids+=($direct_pid)
jack_midi_dump -a thru-dump >"$work/thru.txt" 2>/dev/null &
thru_pid=$!
pids+=($thru_pid)
jack_midiseq thru-seq 24000 0 60 2000 8000 62 2000 12000 64 2000 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do jack_connect thru-seq:out direct-dump:input 2>/dev/null && break; sleep 0.1; done

"$driver" thru-seq:out thru-dump:input "$seconds" >"$work/driver.log" 2>&1 || { cat "$work/driver.log" >&2; exit 1; }
# jack_midi_dump writes through a buffer: the files are complete once the dumps have ended.
kill -TERM $direct_pid $thru_pid 2>/dev/null || true
wait $direct_pid $thru_pid 2>/dev/null || true

python3 - "$work/direct.txt" "$work/thru.txt" <<'PY'
import sys

def onsets(path):
    out = []
    for line in open(path):
        head, _, rest = line.partition(':')
        if rest.split()[:1] == ['90'] and head.strip().isdigit():
            out.append(int(head))
    return out

pattern = [8000, 4000, 12000]

def deviations(frames):
    # The first and last notes are the start-up and the end. Each interval is matched with the
    # sequencer's interval nearest to it, so that a note the server lost in a missed cycle costs
    # one large deviation rather than shifting every later one.
    frames = frames[3:-3]
    intervals = [b - a for a, b in zip(frames, frames[1:])]
    return sorted(min(abs(v - p) for p in pattern) for v in intervals)

def row(name, path):
    dev = deviations(onsets(path))
    if not dev:
        print(f"{name:10} no notes received")
        return
    pick = lambda q: dev[min(len(dev) - 1, int(q * len(dev)))]
    exact = 100.0 * sum(1 for d in dev if d <= 1) / len(dev)
    print(f"{name:10} {len(dev):9d} {pick(0.5):14d} {pick(0.99):11d} {dev[-1]:11d} {exact:13.1f}")

print(f"{'path':10} {'intervals':>9} {'median frames':>14} {'p99 frames':>11} {'max frames':>11} {'<= 1 frame %':>13}")
row("direct", sys.argv[1])
row("thru", sys.argv[2])
PY
sed -n 's/^xruns /server xruns during the run: /p' "$work/driver.log"
uptime
