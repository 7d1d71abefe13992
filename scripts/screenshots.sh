#!/usr/bin/env bash
# Saves a picture of each of the wizard's six pages into docs/screenshots/ (page1.png ... page6.png),
# taken while it converts the sample shop database into an Oracle stand-in. The window runs under Xvfb,
# a display server of its own, so no desktop is needed (offscreen drawing where Xvfb cannot be had).
#
#   scripts/screenshots.sh     (MORVANE_BUILD_DIR chooses the build folder, default ./build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${MORVANE_BUILD_DIR:-$root/build}
work="$build/screenshots"

scripts/install-deps.sh xvfb xauth
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target morvane-screenshots oracle-sim-admin clntsh

eval "$(scripts/mariadb-sandbox.sh start "$work/mariadb")"
export MYSQL_HOME
trap 'scripts/mariadb-sandbox.sh stop "$work/mariadb"' EXIT
scripts/sample-db.sh shop -umorvane -pmorvane

export ORACLE_SIM_HOME="$work/oracle"
rm -rf "$ORACLE_SIM_HOME"
mkdir -p "$ORACLE_SIM_HOME"
"$build/oracle-sim/oracle-sim-admin" create-user SHOPDEMO SHOP shop
export LD_LIBRARY_PATH="$build/oracle-sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

tour=("$build/app/morvane-screenshots" "$root/docs/screenshots" shop morvane morvane SHOPDEMO SHOP shop)
if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "${tour[@]}"
else
    QT_QPA_PLATFORM=offscreen "${tour[@]}"
fi
