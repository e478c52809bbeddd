#!/usr/bin/env bash
# The GUI stall probe of bench_monitor_stall against a private JACK server (dummy driver):
#
#   bench/shell/monitor-stall.sh [build-dir] [seconds]
#
# build-dir holds bench/shell/bench_monitor_stall (configure with -DVANTEL_BUILD_BENCH=ON, Release).
# The server is named by VANTEL_JACK_SERVER (default vantel-monitor-bench); it is started here and
# stopped with SIGTERM at the end.
set -eu
build=${1:-build-bench}
seconds=${2:-60}
server=${VANTEL_JACK_SERVER:-vantel-monitor-bench}
program="$build/bench/shell/bench_monitor_stall"
[ -x "$program" ] || { echo "missing $program (build with -DVANTEL_BUILD_BENCH=ON)" >&2; exit 1; }
command -v jackd >/dev/null || { echo "missing jackd (sudo apt-get install jackd2)" >&2; exit 1; }

export JACK_DEFAULT_SERVER=$server JACK_NO_START_SERVER=1
log=$(mktemp)
jackd --no-realtime -n "$server" -d dummy -r 48000 -p 256 </dev/null >"$log" 2>&1 &
jackd_pid=$!
trap 'kill -TERM $jackd_pid 2>/dev/null || true; wait $jackd_pid 2>/dev/null || true; rm -f "$log"' EXIT
jack_wait -w -t 10 >/dev/null 2>&1 || { cat "$log" >&2; exit 1; }
VANTEL_STALL_SECONDS=$seconds "$program" 2>&1
