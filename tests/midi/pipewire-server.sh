#!/usr/bin/env bash
# Starts or stops a private, headless PipeWire for the JACK tests that run through PipeWire's JACK
# library: its own runtime folder (so it never meets a desktop's PipeWire), a dummy driver that
# runs the graph without any audio device, no session manager and no session bus.
#   pipewire-server.sh start <state-dir>
#   pipewire-server.sh stop  <state-dir>
# Clients reach it with XDG_RUNTIME_DIR=<state-dir>/run and PipeWire's libjack first on
# LD_LIBRARY_PATH. Only the pipewire process whose pid is kept in <state-dir> is ever stopped.
set -u
action=$1 dir=$2
pidfile="$dir/pipewire.pid"
run="$dir/run"
mkdir -p "$dir"

stop_server() {
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null && grep -q "pipewire" "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$pidfile"
}

case $action in
start)
  stop_server
  command -v pipewire >/dev/null && [ -d /usr/lib/x86_64-linux-gnu/pipewire-0.3/jack ] || {
    echo "pipewire and pipewire-jack are not installed" >&2
    exit 1
  }
  rm -rf "$run"
  mkdir -p "$run"
  chmod 700 "$run"
  cat >"$dir/pipewire.conf" <<'CONF'
context.properties = {
    core.daemon = true
    core.name   = pipewire-0
    default.clock.rate        = 48000
    default.clock.quantum     = 256
    default.clock.min-quantum = 64
    default.clock.max-quantum = 1024
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-access args = { } }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
]
context.objects = [
    { factory = spa-node-factory
        args = {
            factory.name    = support.node.driver
            node.name       = Dummy-Driver
            node.group      = pipewire.dummy
            priority.driver = 20000
        }
    }
]
CONF
  XDG_RUNTIME_DIR=$run PIPEWIRE_CONFIG_DIR=$dir setsid pipewire -c "$dir/pipewire.conf" \
    </dev/null >"$dir/pipewire.log" 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 40); do
    if XDG_RUNTIME_DIR=$run LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu/pipewire-0.3/jack \
      timeout 5 jack_lsp >/dev/null 2>&1; then
      exit 0
    fi
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.25
  done
  echo "PipeWire did not come up:" >&2
  cat "$dir/pipewire.log" >&2
  stop_server
  exit 1
  ;;
stop)
  stop_server
  rm -rf "$run"
  ;;
esac
