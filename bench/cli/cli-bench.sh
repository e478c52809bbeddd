#!/bin/sh
# vantel-midi-cli beside Debian's jack_midi_dump, through a private JACK server (dummy driver, 64
# frames) of its own:
#   1. start to ready: the program started until its MIDI port is there (jack_midi_dump) or
#      connected to the peer and listening (vantel-midi-cli monitor);
#   2. request round trip: a whole `vantel-midi-cli request` run (start, connect, send an identity
#      request, the responder's reply, exit) against the test responder;
#   3. monitor throughput into a pipe, time and details on (bench_cli_monitor).
# usage: bench/cli/cli-bench.sh BUILD_DIR [SERVER_NAME]   (a Release build gives the real figures)
set -eu
build=$(cd "$1" && pwd)
server=${2:-vantel-bench-cli}
here=$(cd "$(dirname "$0")" && pwd)
state=$(mktemp -d)
cli="$build/src/cli/vantel-midi-cli"
responder="$build/tests/cli/vantel_midi_responder"
probe="$build/bench/cli/jack_ready_probe"
runs=${RUNS:-20}

"$here/../../tests/midi/jack-server.sh" start "$server" "$state" 64
export JACK_DEFAULT_SERVER="$server" JACK_NO_START_SERVER=1
cleanup() {
  [ -n "${peer:-}" ] && kill "$peer" 2>/dev/null || true
  "$here/../../tests/midi/jack-server.sh" stop "$server" "$state" || true
  rm -rf "$state"
}
trap cleanup EXIT

"$responder" bench-peer identity > "$state/peer.out" &
peer=$!
while ! grep -q ready "$state/peer.out" 2>/dev/null; do sleep 0.05; done

echo "start to ready ($runs runs)"
printf '  jack_midi_dump (port there):            '
"$probe" --port dump-probe: "$runs" -- jack_midi_dump dump-probe
printf '  vantel-midi-cli monitor (connected):    '
"$probe" --connection bench-peer:out "$runs" -- "$cli" --midi-api jack monitor --in bench-peer:out

echo "request round trip, whole process ($runs runs)"
start=$(date +%s%N)
i=0
while [ "$i" -lt "$runs" ]; do
  "$cli" --midi-api jack request --out bench-peer:in --in bench-peer:out --send "F0 7E 7F 06 01 F7" \
    --expect "F0 7E .. 06 02 * F7" > /dev/null
  i=$((i + 1))
done
end=$(date +%s%N)
echo "  mean $(( (end - start) / runs / 1000 )) us per request"

echo "monitor throughput into a pipe (time and details on)"
"$build/bench/cli/bench_cli_monitor" --benchmark_counters_tabular=true
