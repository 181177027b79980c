#!/usr/bin/env bash
# Builds the Debian package of this machine's release into build-debian/RELEASE/ (or
# $GLASSPANE_PACKAGE_DIR) from the build folder, and checks it with lintian: no error and no
# warning. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GLASSPANE_BUILD_DIR:-build}"
. /etc/os-release
out="${GLASSPANE_PACKAGE_DIR:-build-debian/${VERSION_CODENAME:-debian}}"
scripts/build.sh glasspane gpane manual_pages changelog >/dev/null
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || {
    cat "$out/cpack.log" >&2
    exit 1
}
rm -rf "$out/_CPack_Packages" "$out/cpack.log"
deb=$(ls "$out"/glasspane_*.deb)
if command -v lintian >/dev/null; then
    # lintian says so when it runs as root; its findings are the lines that begin with a tag.
    complaints=$(lintian "$deb" 2>&1 | grep -E '^[EW]: ' || true)
    if [ -n "$complaints" ]; then
        echo "$complaints" >&2
        echo "package: lintian reports errors or warnings on $deb" >&2
        exit 1
    fi
fi
echo "$deb"
