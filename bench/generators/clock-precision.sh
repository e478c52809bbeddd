#!/usr/bin/env bash
# Timing clock precision at a JACK peer: our clock thread through the JACK backend beside Debian's
# jack_midi_clock, each into a jack_midi_dump -a of its own, on a private dummy server.
#
#   bench/generators/clock-precision.sh [build-dir] [seconds] [bpm]
#
# build-dir holds bench/generators/vantel_clock_driver (configure with -DVANTEL_BUILD_BENCH=ON; a
# Release build gives the figures worth quoting). Needs jackd, jack_midi_dump, jack_transport and
# jack_midi_clock (Debian packages jackd2, jack-midi-clock: sudo apt-get install jackd2 jack-midi-clock).
# The server is named by VANTEL_BENCH_SERVER (default vantel-clock-bench).
# Prints, per clock source, the number of intervals, the deviation of each interval from the ideal
# period (median, 99th percentile, maximum, in ms) and the CPU the process used (% of one core),
# then whether our maximum stays within the reference's plus 0.05 ms.
set -eu
build=${1:-build-bench}
seconds=${2:-40}
bpm=${3:-300}
driver="$build/bench/generators/vantel_clock_driver"
server=${VANTEL_BENCH_SERVER:-vantel-clock-bench}
rate=48000
period=256
work=$(mktemp -d)
here=$(cd "$(dirname "$0")" && pwd)

for tool in jackd jack_midi_dump jack_transport jack_midi_clock python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (sudo apt-get install jackd2 jack-midi-clock)" >&2; exit 1; }
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

"$here/../../tests/midi/jack-server.sh" start "$server" "$work" $period

jack_midi_dump -a vantel-dump >"$work/ours.txt" 2>/dev/null &
pids+=($!)
jack_midi_dump -a reference-dump >"$work/reference.txt" 2>/dev/null &
pids+=($!)
sleep 1

# -B: the tempo given, no timecode master; -T -P: clocks only.
jack_midi_clock -b "$bpm" -B -T -P >/dev/null 2>&1 &
clock_pid=$!
pids+=($clock_pid)
for _ in $(seq 50); do jack_connect jack_midi_clock:mclk_out reference-dump:input 2>/dev/null && break; sleep 0.1; done
echo play | jack_transport >/dev/null 2>&1

"$driver" vantel-dump:input "$((seconds + 4))" "$bpm" >"$work/driver.log" 2>&1 &
driver_pid=$!
pids+=($driver_pid)

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Both run for a while before the measured stretch begins.
sleep 2
start_ours=$(ticks $driver_pid)
start_reference=$(ticks $clock_pid)
start=$(date +%s.%N)
sleep "$seconds"
end_ours=$(ticks $driver_pid)
end_reference=$(ticks $clock_pid)
end=$(date +%s.%N)
wait $driver_pid || { cat "$work/driver.log" >&2; exit 1; }
kill -TERM $clock_pid 2>/dev/null || true
sleep 0.5

python3 - "$work/ours.txt" "$work/reference.txt" "$rate" "$bpm" "$(getconf CLK_TCK)" \
  "$start" "$end" "$start_ours" "$end_ours" "$start_reference" "$end_reference" <<'PY'
import sys
ours, reference, rate, bpm, hz, start, end, so, eo, sr, er = sys.argv[1:]
rate, bpm, hz = int(rate), int(bpm), int(hz)
wall = float(end) - float(start)
ideal = 60.0 / (bpm * 24) * 1000.0

def frames(path):
    out = []
    for line in open(path):
        head, _, rest = line.partition(':')
        if rest.split()[:1] == ['f8'] and head.strip().isdigit():
            out.append(int(head))
    return out

def row(name, path, cpu_ticks):
    f = frames(path)
    # The first second is the start-up; the last is the end.
    f = f[bpm * 24 // 60: len(f) - bpm * 24 // 60]
    dev = sorted(abs((b - a) * 1000.0 / rate - ideal) for a, b in zip(f, f[1:]))
    if not dev:
        print(f"{name:18} no clocks received")
        return None
    pick = lambda q: dev[min(len(dev) - 1, int(q * len(dev)))]
    cpu = 100.0 * cpu_ticks / hz / wall
    print(f"{name:18} {len(dev):9d} {pick(0.5):10.3f} {pick(0.99):10.3f} {dev[-1]:10.3f} {cpu:8.2f}")
    return dev[-1]

print(f"{bpm} BPM, ideal period {ideal:.3f} ms, {wall:.0f} s measured, dummy driver {rate} Hz")
print(f"{'clock':18} {'intervals':>9} {'median ms':>10} {'p99 ms':>10} {'max ms':>10} {'CPU %':>8}")
ours_max = row("vantel (JACK)", ours, int(eo) - int(so))
reference_max = row("jack_midi_clock", reference, int(er) - int(sr))
if ours_max is not None and reference_max is not None:
    met = ours_max <= reference_max + 0.05
    print(f"maximum {ours_max:.3f} ms beside the reference's {reference_max:.3f} ms: "
          f"goal (reference + 0.05 ms) {'met' if met else 'NOT met'}")
PY
# Cycles the server missed while the driver ran: a loaded machine makes the dummy driver's frame
# count fall behind the wall clock, which shows in both rows.
sed -n 's/^xruns /server xruns during the run: /p' "$work/driver.log"
uptime
