#!/usr/bin/env bash
# Install what is missing, build, start a private MariaDB, run the whole test suite with CTest, stop
# the server. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${MORVANE_BUILD_DIR:-$root/build}

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

sandbox="$build/sandbox"
scripts/mariadb-sandbox.sh stop "$sandbox" >/dev/null 2>&1 || true
rm -rf "$sandbox"
# Assigned first: a failed start must stop the script, and eval of a failed substitution would not.
sandbox_env=$(scripts/mariadb-sandbox.sh start "$sandbox")
eval "$sandbox_env"
trap 'scripts/mariadb-sandbox.sh stop "$sandbox"' EXIT
export MYSQL_HOME MORVANE_SANDBOX="$sandbox"

ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 900 "$@"
