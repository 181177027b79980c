#!/usr/bin/env bash
# Builds and tests everything in a fresh root of another Debian release (default trixie), made
# with debootstrap from the Debian archive this machine uses, then builds the release's Debian
# package there from the same build (scripts/package.sh, lintian included) and keeps it in
# build-debian/RELEASE/. Needs root (debootstrap, chroot, mounts).
#
#   scripts/test-in-debian.sh [RELEASE]
#
# Prints each stage's time: debootstrap, deps, build, tests, package. The sources are
# bind-mounted read-only; the build folder lives inside the root, which is removed at the end,
# with everything mounted in it. The root builds without debug information and without clang
# (the fuzz targets run on the machine's own release only), and has no compiler cache.
#
# Exit status: 0 when everything passed; 77 when the root cannot be made for a reason of the
# machine (not root, no right to mount, the archive unreachable): nothing was tested; any other
# status is a failure of the installation, the build, a test or the package.
#
# Settings:
#   GLASSPANE_DEBIAN_MIRROR  the archive (default: the first Debian archive of this machine's apt
#                            sources, else http://deb.debian.org/debian)
#   GLASSPANE_DEBIAN_ROOT    use (and keep) this root instead of a temporary one: made when it
#                            does not exist yet, so that a second run skips debootstrap and the
#                            installation of the packages
#   GLASSPANE_DEBIAN_CACHE   apt's download cache for the root, kept between runs (default
#                            /var/cache/glasspane-debian/RELEASE; "none": a fresh one each run)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
release="${1:-trixie}"

# The root cannot be made on this machine: said loudly, and nothing is tested.
skip() {
    echo "test-in-debian: SKIPPED, the $release root cannot be made on this machine: $*" >&2
    exit 77
}
if [ "$(id -u)" -ne 0 ]; then
    skip "needs root (debootstrap, chroot, mount)"
fi
if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap ||
        skip "debootstrap cannot be installed"
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
# Whether the archive answers at all, to tell a machine without it from a failing installation.
archive_reachable() {
    local file
    file=$(mktemp)
    timeout 60 /usr/lib/apt/apt-helper download-file "$mirror/dists/$release/InRelease" "$file" \
        >/dev/null 2>&1
    local status=$?
    rm -f "$file"
    return $status
}

cache="${GLASSPANE_DEBIAN_CACHE:-/var/cache/glasspane-debian/$release}"

keep=0
if [ -n "${GLASSPANE_DEBIAN_ROOT:-}" ]; then
    root=$GLASSPANE_DEBIAN_ROOT
    keep=1
    mkdir -p "$root"
else
    root=$(mktemp -d "${TMPDIR:-/var/tmp}/glasspane-$release.XXXXXX")
fi
# The root's "/": every user inside must reach it (apt's _apt, the tests' ordinary user).
chmod 755 "$root"
root=$(cd "$root" && pwd)

mounts=()
cache_tmp=""
times_file=$(mktemp)
cleanup() {
    local status=$?
    rm -f "$times_file"
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
            rm -rf "$root" "$root.deps.log" "$root.debootstrap.log"
        fi
    fi
    [ -z "$cache_tmp" ] || rm -rf "$cache_tmp"
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

started=$SECONDS
stage_started=$SECONDS
stage_cpu=0
stage_name=""
summary=""
# CPU seconds (user and system) of the programs this script ran and that have ended: with the
# load of the machine, a stage's time alone says little about another machine.
# Read from the file that the shell's own `times` wrote (a subshell's `times` counts nothing).
cpu_read() {
    awk 'NR == 2 { split($1, u, "m"); split($2, s, "m"); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "$times_file"
}
# Each stage's time, printed as it ends and together at the end.
stage() {
    local cpu
    if [ -n "$stage_name" ]; then
        times >"$times_file"
        cpu=$(cpu_read)
        echo "== test-in-debian $release: $stage_name took $((SECONDS - stage_started)) s, CPU $((cpu - stage_cpu)) s, load $(cut -d' ' -f1-3 /proc/loadavg)"
        summary+="$stage_name $((SECONDS - stage_started)) s (CPU $((cpu - stage_cpu)) s); "
    fi
    stage_name=$1
    stage_started=$SECONDS
    times >"$times_file"
    stage_cpu=$(cpu_read)
    [ -z "$stage_name" ] || echo "== test-in-debian $release: $stage_name${2:+ ($2)}, load $(cut -d' ' -f1-3 /proc/loadavg)"
}

if [ "$cache" = none ]; then
    cache_tmp=$(mktemp -d "${TMPDIR:-/var/tmp}/glasspane-$release-apt.XXXXXX")
    cache=$cache_tmp
fi
mkdir -p "$cache/partial"
chmod 755 "$cache"

if [ ! -x "$root/usr/bin/apt-get" ]; then
    stage debootstrap "from $mirror"
    debootstrap --variant=minbase --include=ca-certificates --cache-dir="$cache" \
        "$release" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 || {
        tail -n 30 "$root.debootstrap.log" >&2
        archive_reachable || skip "the archive $mirror does not answer"
        exit 1
    }
    rm -f "$root.debootstrap.log"
    # The release's updates, as on a freshly installed machine.
    echo "deb $mirror $release-updates main" >>"$root/etc/apt/sources.list"
    security="${mirror%/debian}/debian-security"
    [ "$security" = "$mirror/debian-security" ] || echo "deb $security $release-security main" >>"$root/etc/apt/sources.list"
fi
# The root is thrown away: dpkg need not sync every file it unpacks, and nobody reads its manual
# pages (lintian brings man-db, which would index them all).
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/glasspane-unsafe-io"
echo 'man-db man-db/auto-update boolean false' | chroot "$root" debconf-set-selections
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# Packages do not start services inside the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

mount_in() { # type-or-bind source target [options]
    local target="$root$3"
    mkdir -p "$target" || return 1
    if [ "$1" = bind ]; then
        mount --rbind "$2" "$target" || return 1
        mounts+=("$target")
        mount --make-rslave "$target" || return 1
        [ -z "${4:-}" ] || mount -o remount,bind,"$4" "$target" || return 1
    else
        mount -t "$1" -o "${4:-defaults}" "$2" "$target" || return 1
        mounts+=("$target")
    fi
}
# The browser engine needs /proc, /dev and a shared-memory folder of its own.
{
    mount_in proc proc /proc &&
        mount_in bind /sys /sys &&
        mount_in bind /dev /dev &&
        mount_in tmpfs shm /dev/shm mode=1777 &&
        mount_in bind "$source_dir" /src ro &&
        mount_in bind "$cache" /var/cache/apt/archives
} || skip "no right to mount inside $root"
mkdir -p "$root/build"

in_root() {
    env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM=dumb GLASSPANE_BUILD_DIR=/build chroot "$root" "$@"
}

in_root_env=(GLASSPANE_DEPS_FUZZ=0 GLASSPANE_BUILD_TYPE=Release)
stage deps "$(in_root sh -c '. /etc/os-release; echo "$PRETTY_NAME"')"
# apt's and dpkg's thousands of lines go to a log, shown when the installation fails.
in_root env "${in_root_env[@]}" /src/scripts/install-deps.sh >"$root.deps.log" 2>&1 || {
    tail -n 40 "$root.deps.log" >&2
    archive_reachable || skip "the archive $mirror does not answer"
    exit 1
}
grep '^Installing' "$root.deps.log" || true
stage build
in_root env "${in_root_env[@]}" /src/scripts/build.sh
# A failing test fails the run, but the package is still built and checked.
stage tests
status=0
in_root env "${in_root_env[@]}" /src/scripts/test.sh || status=$?

stage package
if deb=$(in_root env "${in_root_env[@]}" GLASSPANE_PACKAGE_DIR=/build/package /src/scripts/package.sh); then
    out="$source_dir/build-debian/$release"
    rm -rf "$out"
    mkdir -p "$out"
    cp "$root$deb" "$out/"
    echo "$out/$(basename "$deb")"
else
    status=1
fi
stage ""
echo "== test-in-debian $release: ${summary}in all $((SECONDS - started)) s, status $status"
exit $status
