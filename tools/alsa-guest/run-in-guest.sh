#!/usr/bin/env bash
# Runs a command inside a small QEMU guest that has an ALSA sequencer (snd-seq-dummy and
# snd-virmidi loaded), for machines without /dev/snd. The guest boots Debian's kernel from /boot
# with an initramfs made here of busybox and the needed modules, mounts this machine's root
# filesystem read-only over virtio 9p, and runs the command chrooted into it, so the build folder
# and its libraries are where they are here. The command's output goes to standard output, and its
# exit status is this script's.
#
#   tools/alsa-guest/run-in-guest.sh [--timeout SECONDS] [--cwd DIR] -- COMMAND [ARGS...]
#
# Exit status 77 when the guest cannot be made here (no kernel or busybox); CTest counts it as a
# skip.
set -euo pipefail

timeout_s=280
cwd=$PWD
while (($#)); do
  case "$1" in
    --timeout) timeout_s=$2; shift 2 ;;
    --cwd) cwd=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
(($#)) || { echo "usage: $0 [--timeout S] [--cwd DIR] -- COMMAND..." >&2; exit 2; }

kernel=""
for k in $(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V -r); do
  v=${k#/boot/vmlinuz-}
  if [ -r "$k" ] && [ -f "/lib/modules/$v/modules.dep" ]; then kernel=$k; version=$v; break; fi
done
busybox=$(command -v busybox || true)
qemu=$(command -v qemu-system-x86_64 || true)
# busybox-static's busybox: the initramfs has no libraries for a dynamic one.
if [ -z "$kernel" ] || [ -z "$busybox" ] || [ -z "$qemu" ] || ldd "$busybox" >/dev/null 2>&1; then
  echo "run-in-guest: needs a Debian kernel in /boot with its modules, busybox-static and qemu-system-x86" >&2
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vantel-alsa-guest.XXXXXX")
[ -n "${GUEST_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/bin" "$work/root/modules" "$work/out"

# The modules in load order, each after what it depends on.
moddir=/lib/modules/$version
wanted=(virtio_pci 9pnet_virtio 9p snd-hrtimer snd-seq-dummy snd-virmidi)
declare -A seen=()
order=()
add_module() {
  local path=$1
  [ -n "${seen[$path]:-}" ] && return
  seen[$path]=1
  local deps
  deps=$(awk -v m="$path:" '$1 == m { $1 = ""; print }' "$moddir/modules.dep")
  # modules.dep lists a module's dependencies from the nearest to the farthest; load the farthest
  # first.
  local rev=()
  for d in $deps; do rev=("$d" "${rev[@]}"); done
  for d in "${rev[@]}"; do add_module "$d"; done
  order+=("$path")
}
for m in "${wanted[@]}"; do
  p=$(awk -F: -v m="$m" '{ n = $1; sub(/.*\//, "", n); sub(/\.ko.*$/, "", n); gsub(/_/, "-", n); mm = m; gsub(/_/, "-", mm); if (n == mm) { print $1; exit } }' "$moddir/modules.dep")
  [ -n "$p" ] || { echo "run-in-guest: module $m not found in $moddir" >&2; exit 77; }
  add_module "$p"
done
: >"$work/root/modules/order"
for p in "${order[@]}"; do
  name=$(basename "$p")
  case "$name" in
    *.ko) cp "$moddir/$p" "$work/root/modules/$name" ;;
    *.ko.xz) xz -dc "$moddir/$p" >"$work/root/modules/${name%.xz}"; name=${name%.xz} ;;
    *.ko.zst) zstd -qdc "$moddir/$p" >"$work/root/modules/${name%.zst}"; name=${name%.zst} ;;
  esac
  echo "$name" >>"$work/root/modules/order"
done
cp "$busybox" "$work/root/bin/busybox"

# The checkout and the command's folder are shared again at their own paths: they may lie below
# /tmp or /run, which the guest covers with folders of its own.
top=$(cd "$(dirname "$0")/../.." && pwd)
shares=("$top")
case "$cwd/" in "$top"/*) ;; *) shares+=("$cwd") ;; esac
: >"$work/out/mounts"
share_args=()
for i in "${!shares[@]}"; do
  printf 'share%d %s\n' "$i" "${shares[$i]}" >>"$work/out/mounts"
  share_args+=(-virtfs "local,path=${shares[$i]},mount_tag=share$i,security_model=none,readonly=on,multidevs=remap")
done

# The command, quoted for the guest's shell.
{
  printf 'cd %q\n' "$cwd"
  printf 'exec'
  printf ' %q' "$@"
  printf '\n'
} >"$work/out/command"

cat >"$work/root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc 2>/dev/null || { mkdir -p /proc; mount -t proc proc /proc; }
mkdir -p /sys /dev /host /out
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
while read -r m; do insmod "/modules/$m" || echo "guest: insmod $m failed"; done </modules/order
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose,ro hostroot /host
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 out /out
for d in dev proc sys; do mount --bind /$d /host/$d; done
mount -t tmpfs tmp /host/tmp
mount -t tmpfs run /host/run
mount -t tmpfs shm /host/dev/shm 2>/dev/null
mount -t devpts pts /host/dev/pts 2>/dev/null
hostname alsa-guest
echo "guest: sequencer $(ls /dev/snd 2>/dev/null | tr '\n' ' ')"
while read -r tag path; do
  mkdir -p "/host$path" 2>/dev/null
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose,ro "$tag" "/host$path" ||
    echo "guest: cannot mount $path"
done </out/mounts
mkdir -p /host/tmp/guest-out
mount --bind /out /host/tmp/guest-out
chroot /host /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/tmp XDG_RUNTIME_DIR=/tmp \
  QT_QPA_PLATFORM=offscreen $(cat /out/env 2>/dev/null) /bin/sh /tmp/guest-out/command >/out/output 2>&1 </dev/null
echo $? >/out/status
umount /host/tmp/guest-out
sync
umount /out
poweroff -f
INIT
chmod +x "$work/root/init"
for v in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS QT_LOGGING_RULES VANTEL_TEST_ARGS; do
  [ -n "${!v:-}" ] && printf '%s=%q ' "$v" "${!v}" >>"$work/out/env"
done
(cd "$work/root" && mkdir -p proc && find . | cpio -o -H newc --quiet | gzip -1 >"$work/initrd.gz")

boot() {
  timeout --signal=KILL "$timeout_s" "$qemu" "$@" -m 3072 -smp 2 -nodefaults -no-reboot \
    -display none -monitor none -serial "file:$work/console.log" \
    -kernel "$kernel" -initrd "$work/initrd.gz" \
    -append "console=ttyS0 rdinit=/init panic=-1 ${GUEST_KERNEL_ARGS:-quiet loglevel=3}" \
    -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$work/out,mount_tag=out,security_model=none,multidevs=remap" \
    "${share_args[@]}"
}

start=$(date +%s)
status=0
# Plain emulation: nested KVM on this machine kind stops the guest kernel at its start. Where KVM
# works, GUEST_ACCEL=kvm makes the guest several times faster.
if [ "${GUEST_ACCEL:-tcg}" = kvm ]; then
  boot -accel kvm -cpu host,-arch-capabilities || status=$?
else
  boot -accel tcg -cpu max || status=$?
fi
cat "$work/out/output" 2>/dev/null || true
echo "run-in-guest: $(( $(date +%s) - start )) s in the guest" >&2
if [ -f "$work/out/status" ]; then
  exit "$(cat "$work/out/status")"
fi
echo "run-in-guest: the guest ended without a result (qemu status $status); its console:" >&2
cat "$work/console.log" >&2 || true
exit 1
