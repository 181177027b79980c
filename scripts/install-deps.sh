#!/usr/bin/env bash
# Installs the Debian packages Glasspane needs to build, test and run; only what is missing.
set -euo pipefail
# Names that differ between Debian releases: 12 (bookworm) and 13 (trixie) or later.
. /etc/os-release
case "${VERSION_CODENAME:-}" in
    bookworm) clang_runtime=libclang-rt-14-dev ;;
    *) clang_runtime=libclang-rt-dev ;;
esac
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-webengine-dev libcurl4-openssl-dev
          libgl-dev libxcb1-dev libx11-dev libxss-dev xvfb xauth xdotool curl python3 dbus fonts-dejavu-core
          # a Wayland compositor's idle inhibition: its protocol, and Qt's window surfaces
          libwayland-dev wayland-protocols qt6-base-private-dev
          # the desktop's programs the end-to-end tests meet: XScreenSaver, a Wayland compositor
          xscreensaver weston qt6-wayland wayland-utils
          # the configuration password's hash
          libsodium-dev
          # a real window manager, for the end-to-end tests that need one
          openbox
          # to check an installation and build the Debian package
          desktop-file-utils libxml2-utils shared-mime-info groff-base systemd dpkg-dev file lintian
          # the fuzz targets (scripts/fuzz.sh): clang and its libFuzzer
          clang "$clang_runtime"
          # the INI reader compared with Windows: a Windows program built with MinGW-w64, run
          # under Wine (tests/wine/)
          wine wine64 gcc-mingw-w64-x86-64)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
