#!/bin/bash
# Builds the Debian package and proves it the way a user meets it: built in a fresh Debian 12
# root, installed with apt into another fresh root, run there from its installed paths, made the
# default for a file type, and removed without a trace.
#
#   scripts/package.sh                  both steps, each in a fresh root (needs root); the
#                                       packages end up in build-deb/
#   scripts/package.sh --build OUTDIR   build the packages on this system (installing what the
#                                       build needs), check them with lintian, copy them to OUTDIR
#   scripts/package.sh --check DEB      on this (fresh) system: install DEB with apt, use it,
#                                       remove it, and check that nothing is left
#   scripts/package.sh --check-fresh DEB   the same check in a fresh root (needs root)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

build_packages() {
    local out=$1
    cd "$top"
    [ -n "$(ls /var/lib/apt/lists/ 2>/dev/null | grep -v lock)" ] || apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends ./ >/dev/null
    apt_install lintian
    echo "build dependencies and lintian installed: ${SECONDS} s"
    # dpkg-buildpackage writes its results beside the source tree: build a copy, so the tree
    # and its parent stay as they were. The committed files, or (no git, as in a fresh root's
    # clean clone) the tree without its build folders.
    local work
    work=$(mktemp -d /tmp/zarovia-deb.XXXXXX)
    if command -v git >/dev/null && git -C "$top" rev-parse --git-dir >/dev/null 2>&1; then
        git -C "$top" archive --format=tar --prefix=zarovia/ HEAD | tar -C "$work" -xf -
    else
        mkdir "$work/zarovia"
        tar -C "$top" --exclude=./.git --exclude='./build*' --exclude=./out -cf - . |
            tar -C "$work/zarovia" -xf -
    fi
    # The compiler's every command line is kept out of the output, unless the build fails.
    (cd "$work/zarovia" && dpkg-buildpackage -us -uc -b >"$work/build.log" 2>&1) ||
        { tail -60 "$work/build.log"; echo "dpkg-buildpackage failed"; exit 1; }
    grep -E '^(dpkg-deb: building|dpkg-genchanges)' "$work/build.log" || true
    echo "package built: ${SECONDS} s"
    # Errors and warnings fail the build; informational tags are shown.
    lintian --fail-on error,warning --display-info "$work"/zarovia_*.changes
    echo "lintian: no errors, no warnings (${SECONDS} s)"
    mkdir -p "$out"
    cp "$work"/*.deb "$out"/
    rm -rf "$work"
    ls -l "$out"/*.deb
}

check_package() {
    local deb
    deb=$(readlink -f "$1")
    [ -n "$(ls /var/lib/apt/lists/ 2>/dev/null | grep -v lock)" ] || apt-get update -qq
    # As a user installs it: with what it recommends.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
    echo "installed with what it recommends: ${SECONDS} s"
    local listed
    listed=$(mktemp)
    dpkg -L zarovia >"$listed"
    echo "package: $(dpkg-query -W -f='${Package} ${Version}' zarovia), $(wc -l <"$listed") paths"
    "$top/scripts/package-smoke.sh"
    # Made the default viewer for a file type, as a file manager's "open with" does.
    apt_install xdg-utils
    xdg-mime default zarovia.desktop image/x-emf
    local default
    default=$(xdg-mime query default image/x-emf)
    [ "$default" = "zarovia.desktop" ] ||
        { echo "xdg-mime names '$default' for image/x-emf, not zarovia.desktop"; exit 1; }
    echo "xdg-mime: image/x-emf opens with $default"
    apt-get purge -y -qq zarovia >/dev/null
    local status
    status=$(dpkg-query -W -f='${db:Status-Status}' zarovia 2>/dev/null || true)
    if [ -n "$status" ] && [ "$status" != "not-installed" ]; then
        echo "zarovia is '$status' after the purge"
        exit 1
    fi
    local left=0
    while read -r path; do
        [ "$path" = "/." ] && continue
        # A folder that another package also holds stays.
        if [ -d "$path" ] && [ ! -L "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then continue; fi
        if [ -e "$path" ] || [ -L "$path" ]; then
            echo "left behind: $path"
            left=1
        fi
    done <"$listed"
    rm -f "$listed"
    [ $left -eq 0 ] || exit 1
    echo "removed: nothing left behind (${SECONDS} s)"
}

case "${1:-}" in
--build) build_packages "${2:?usage: $0 --build OUTDIR}" ;;
--check) check_package "${2:?usage: $0 --check DEB}" ;;
--check-fresh)
    # The check in a fresh root, of a package built elsewhere (CI builds it in its test root).
    deb=$(readlink -f "${2:?usage: $0 --check-fresh DEB}")
    FRESH_ROOT_OUT="$(dirname "$deb")" "$top/scripts/fresh-root.sh" \
        scripts/package.sh --check "/root/out/$(basename "$deb")"
    ;;
"")
    out="$top/build-deb"
    rm -rf "$out" && mkdir -p "$out"
    start=$(date +%s)
    FRESH_ROOT_OUT="$out" "$top/scripts/fresh-root.sh" scripts/package.sh --build /root/out
    echo "package built: $(($(date +%s) - start)) s"
    deb=$(cd "$out" && ls zarovia_*.deb | grep -v dbgsym | head -1)
    "$0" --check-fresh "$out/$deb"
    echo "package built and checked: $(($(date +%s) - start)) s"
    ;;
*) echo "usage: $0 [--build OUTDIR | --check DEB | --check-fresh DEB]" >&2; exit 2 ;;
esac
