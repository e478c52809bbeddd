#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the program and the test suite need and the machine
# does not have yet. Safe to run again: it installs nothing when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qtbase5-dev qtbase5-dev-tools
  libjack-jackd2-dev jackd2 jack-midi-clock
  libasound2-dev
  libbenchmark-dev
  clang libclang-rt-dev clang-format
  fonts-dejavu-core
  desktop-file-utils
  # the JUnit report check of the command-line tests
  libxml2-utils
  # the ALSA backend's tests: a QEMU guest with Debian's kernel (sequencer modules) where this
  # machine has no /dev/snd
  qemu-system-x86 linux-image-amd64 busybox-static cpio
  # the JACK tests through PipeWire's JACK (a private headless PipeWire needs no session bus)
  pipewire pipewire-jack
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  # jackd2 asks whether to enable real-time scheduling; the default answer is fine here.
  echo "jackd2 jackd/tweak_rt_limits boolean false" | "${sudo_cmd[@]}" debconf-set-selections 2>/dev/null || true
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
