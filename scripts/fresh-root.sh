#!/bin/bash
# Runs a command in a clean clone of this repository's committed HEAD inside a fresh, minimal
# Debian 12 root, so that only what our own scripts install is there: a package missing from
# the install lists fails here even when the machine you work on happens to have it.
#
#   scripts/fresh-root.sh COMMAND...      e.g.  scripts/fresh-root.sh scripts/test.sh
#
# Needs root (chroot, mount). The bare root (debootstrap --variant=minbase bookworm) is made once
# per machine and kept as a tarball in $FRESH_ROOT_CACHE (default /var/tmp/zarovia-bookworm.tar);
# every run unpacks it anew, clones HEAD into /root/project, copies the shared folder beside it
# when there is one (../shared: the test corpus) and runs COMMAND there with CI=true. The package
# mirror is the one this machine's apt uses. Exit status: COMMAND's. FRESH_ROOT_OUT=DIR makes the
# folder DIR of this machine the root's /root/out, for what COMMAND hands in or out.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 COMMAND..." >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (chroot and mount)" >&2; exit 2; }
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${FRESH_ROOT_CACHE:-/var/tmp/zarovia-bookworm.tar}

mirror=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
[ -n "$mirror" ] || mirror=$(awk '$1=="deb"{print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
[ -n "$mirror" ] || { echo "$0: no Debian mirror in this machine's apt sources" >&2; exit 2; }

if [ ! -s "$cache" ]; then
    command -v debootstrap >/dev/null || {
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    }
    base=$(mktemp -d /var/tmp/zarovia-root-base.XXXXXX)
    echo "fresh-root: making a bare Debian 12 root (once per machine)"
    debootstrap --variant=minbase bookworm "$base" "$mirror" >"$base.log" 2>&1 ||
        { tail -20 "$base.log"; rm -rf "$base" "$base.log"; exit 2; }
    tar -C "$base" -cf "$cache.part" . && mv "$cache.part" "$cache"
    rm -rf "$base" "$base.log"
fi

root=$(mktemp -d /var/tmp/zarovia-root.XXXXXX)
cleanup() {
    for mount in root/out dev/pts dev proc; do umount -l "$root/$mount" 2>/dev/null || true; done
    # Never delete through a folder of this machine that is still mounted inside.
    if mountpoint -q "$root/root/out" 2>/dev/null; then
        echo "fresh-root: $root/root/out is still mounted; $root is left in place" >&2
        return
    fi
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT
tar -C "$root" -xf "$cache"
git clone -q "$repo" "$root/root/project"
[ -d "$repo/../shared" ] && cp -a "$repo/../shared" "$root/root/shared"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
if [ -n "${FRESH_ROOT_OUT:-}" ]; then
    mkdir -p "$FRESH_ROOT_OUT" "$root/root/out"
    mount --bind "$FRESH_ROOT_OUT" "$root/root/out"
fi
echo "fresh-root: running '$*' in a fresh Debian 12 root"
chroot "$root" /usr/bin/env -i HOME=/root CI=true LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c 'cd /root/project && "$@"' fresh-root "$@"
