#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build="${GLASSPANE_BUILD_DIR:-build}"
cd "$build"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 GLASSPANE_REBOOT_COMMAND=true
ctest --output-on-failure -j 2 --timeout 600
