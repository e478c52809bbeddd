#!/usr/bin/env bash
# Runs the ALSA backend's test programs against a real sequencer: here where /dev/snd/seq can be
# opened (a desktop with snd-seq-dummy and snd-virmidi loaded), otherwise all of them in one boot of
# a QEMU guest that has them (tools/alsa-guest/run-in-guest.sh).
#   alsa-tests.sh <test-program>...
# Exit status: 0 when every program passed, 77 when there is no sequencer and no guest.
set -u
here=$(cd "$(dirname "$0")" && pwd)
runner="$here/../../tools/alsa-guest/run-in-guest.sh"

run_all() {
  local failed=0
  for t in "$@"; do
    echo "== $t"
    "$t" || failed=1
  done
  return $failed
}

if [ -r /dev/snd/seq ] && [ -w /dev/snd/seq ] && [ -z "${VANTEL_ALSA_GUEST:-}" ]; then
  if ! grep -qs VirMIDI /proc/asound/cards; then
    echo "alsa-tests: the sequencer is here but snd-virmidi is not loaded; as root:" >&2
    echo "  modprobe snd-seq-dummy; modprobe snd-virmidi" >&2
    exit 77
  fi
  run_all "$@"
  exit $?
fi

# In the guest the same programs run, one after the other, in one boot.
script='failed=0; for t in "$@"; do echo "== $t"; "$t" || failed=1; done; exit $failed'
"$runner" --timeout "${VANTEL_ALSA_GUEST_TIMEOUT:-280}" --cwd "$PWD" -- /bin/sh -c "$script" alsa-tests "$@"
