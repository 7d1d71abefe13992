#!/usr/bin/env bash
# Builds what an installation holds, in Release, and makes the Debian package of it with CPack. Prints
# the package's path.
#   scripts/package.sh     (MORVANE_PACKAGE_DIR chooses the build folder, default ./build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MORVANE_PACKAGE_DIR:-$(pwd)/build-package}

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only what is installed: the two programs, the icon and the manual page; no tests, no stand-in.
cmake --build "$build" -j"$(nproc)" --target morvane morvane-cli morvane-icons morvane-cli-manpage
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/morvane_*.deb
