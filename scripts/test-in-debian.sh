#!/usr/bin/env bash
# Runs scripts/test.sh in a fresh root of another Debian release (default trixie), made with
# debootstrap from the Debian archive this machine uses, then builds the release's Debian package
# there (scripts/package.sh, lintian included) and keeps it in build-debian/RELEASE/. Needs root
# (debootstrap, chroot, mounts).
#
#   scripts/test-in-debian.sh [RELEASE]
#
# The sources are bind-mounted read-only; the build folder lives inside the root, which is
# removed at the end, with everything mounted in it. Settings:
#   GLASSPANE_DEBIAN_MIRROR  the archive (default: the first Debian archive of this machine's apt
#                            sources, else http://deb.debian.org/debian)
#   GLASSPANE_DEBIAN_ROOT    use (and keep) this root instead of a temporary one: made when it
#                            does not exist yet, so that a second run skips debootstrap and the
#                            installation of the packages
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
release="${1:-trixie}"

if [ "$(id -u)" -ne 0 ]; then
    echo "test-in-debian: needs root (debootstrap, chroot, mount)" >&2
    exit 1
fi
if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

# The archive of this machine's apt sources: deb822 (URIs:) or one-line (deb URL ...) entries.
host_archive() {
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null |
        sed -n -e 's/^URIs:[[:space:]]*\(\S*\).*/\1/p' -e 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\(\S*\).*/\2/p' |
        grep -v -- '-security' | grep '/debian/\?$' | head -n 1 || true
}
mirror="${GLASSPANE_DEBIAN_MIRROR:-$(host_archive)}"
mirror="${mirror:-http://deb.debian.org/debian}"
mirror="${mirror%/}"

keep=0
if [ -n "${GLASSPANE_DEBIAN_ROOT:-}" ]; then
    root=$GLASSPANE_DEBIAN_ROOT
    keep=1
    mkdir -p "$root"
else
    root=$(mktemp -d "${TMPDIR:-/var/tmp}/glasspane-$release.XXXXXX")
fi
root=$(cd "$root" && pwd)

mounts=()
cleanup() {
    local status=$?
    # Whatever still runs inside the root (a D-Bus daemon, an X server) keeps its mounts busy.
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null
    done
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount -R "${mounts[i]}" 2>/dev/null || umount -R -l "${mounts[i]}"
    done
    if [ "$keep" -eq 0 ]; then
        # Only once nothing is mounted inside: rm must never reach the sources.
        if findmnt -rno TARGET | grep -q "^$root/"; then
            echo "test-in-debian: $root still has mounts; left in place" >&2
        else
            rm -rf "$root"
        fi
    fi
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

started=$SECONDS
step() { echo "== test-in-debian $release: $* ($((SECONDS - started)) s)"; }

if [ ! -x "$root/usr/bin/apt-get" ]; then
    step "debootstrap from $mirror"
    debootstrap --variant=minbase --include=ca-certificates "$release" "$root" "$mirror" \
        >"$root.debootstrap.log" 2>&1 || {
        tail -n 30 "$root.debootstrap.log" >&2
        exit 1
    }
    rm -f "$root.debootstrap.log"
    # The release's updates, as on a freshly installed machine.
    echo "deb $mirror $release-updates main" >>"$root/etc/apt/sources.list"
    security="${mirror%/debian}/debian-security"
    [ "$security" = "$mirror/debian-security" ] || echo "deb $security $release-security main" >>"$root/etc/apt/sources.list"
fi
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# Packages do not start services inside the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

mount_in() { # type-or-bind source target [options]
    local target="$root$3"
    mkdir -p "$target"
    if [ "$1" = bind ]; then
        mount --rbind "$2" "$target"
        mount --make-rslave "$target"
        [ -z "${4:-}" ] || mount -o remount,bind,"$4" "$target"
    else
        mount -t "$1" -o "${4:-defaults}" "$2" "$target"
    fi
    mounts+=("$target")
}
# The browser engine needs /proc, /dev and a shared-memory folder of its own.
mount_in proc proc /proc
mount_in bind /sys /sys
mount_in bind /dev /dev
mount_in tmpfs shm /dev/shm mode=1777
mount_in bind "$source_dir" /src ro
mkdir -p "$root/build"

in_root() {
    env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM=dumb GLASSPANE_BUILD_DIR=/build chroot "$root" "$@"
}

step "installing, building and testing ($(in_root sh -c '. /etc/os-release; echo "$PRETTY_NAME"'))"
status=0
in_root /src/scripts/test.sh || status=$?

step "the package"
if deb=$(in_root env GLASSPANE_PACKAGE_DIR=/build/package /src/scripts/package.sh); then
    out="$source_dir/build-debian/$release"
    rm -rf "$out"
    mkdir -p "$out"
    cp "$root$deb" "$out/"
    echo "$out/$(basename "$deb")"
else
    status=1
fi
step "done, status $status"
exit $status
