#!/usr/bin/env bash
# Starts or stops the private JACK server (dummy driver) that the JACK tests run against.
#   jack-server.sh start <server-name> <state-dir> <period>
#   jack-server.sh stop  <server-name> <state-dir>
# The server's pid is kept in <state-dir>/jackd.pid; only that process is ever stopped.
set -u
action=$1 name=$2 dir=$3
pidfile="$dir/jackd.pid"
mkdir -p "$dir"

# True while the process runs: a server that ended but whose parent has not collected it yet (a
# zombie, state Z) counts as ended.
running() {
  kill -0 "$1" 2>/dev/null && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null
}

stop_server() {
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  # Only a jackd that we started under this name.
  if kill -0 "$pid" 2>/dev/null && grep -q "jackd" "/proc/$pid/cmdline" 2>/dev/null; then
    # SIGTERM only: a server that dies uncleanly stays in JACK's shared registry of servers.
    kill "$pid" 2>/dev/null
    for _ in $(seq 100); do running "$pid" || break; sleep 0.1; done
    if running "$pid"; then echo "jackd $pid did not stop within 10 s" >&2; fi
  fi
  rm -f "$pidfile"
}

case $action in
start)
  period=${4:-64}
  stop_server # left over from an interrupted run
  # A server that fails to come up (a busy machine, a registry entry left by a server that died)
  # gets two more tries; starting again under the same name takes over its old entry.
  for attempt in 1 2 3; do
    # No terminal, no pipes back to CTest: it must not wait for the server's output.
    jackd --no-realtime -n "$name" -t 5000 -d dummy -r 48000 -p "$period" \
      </dev/null >"$dir/jackd.log" 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 40); do
      # jack_wait -c exits 0 either way; what it prints tells.
      if [ "$(JACK_NO_START_SERVER=1 timeout 5 jack_wait -s "$name" -c 2>/dev/null)" = "running" ]; then
        exit 0
      fi
      kill -0 "$(cat "$pidfile")" 2>/dev/null || break
      sleep 0.25
    done
    echo "jackd did not come up (attempt $attempt):" >&2
    cat "$dir/jackd.log" >&2
    stop_server
    sleep 1
  done
  exit 1
  ;;
stop)
  stop_server
  ;;
*)
  echo "usage: $0 start|stop <server-name> <state-dir> [period]" >&2
  exit 2
  ;;
esac
