#!/usr/bin/env bash
# Opens the wizard with a sample MySQL database and an Oracle stand-in, both private to this demo:
# installs what is missing, builds, starts a private MariaDB with the sample shop database, creates a
# stand-in Oracle service with a user, prints what to type, and opens the wizard. The MariaDB server is
# stopped again when the wizard closes.
#
#   scripts/demo.sh            (MORVANE_BUILD_DIR chooses the build folder, default ./build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${MORVANE_BUILD_DIR:-$root/build}
demo="$build/demo"

# Oracle stand-in names; the service is a plain net service name, as tnsnames.ora would give one.
service=SHOPDEMO
oracle_user=SHOP
oracle_password=shop

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'TEXT'
scripts/demo.sh: there is no display to open the wizard on (neither DISPLAY nor WAYLAND_DISPLAY is set).
Run it in a desktop session, or over "ssh -X" from one. To see the six pages without a display,
scripts/screenshots.sh saves a picture of each into docs/screenshots/.
TEXT
    exit 1
fi

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target morvane oracle-sim-admin oracle-sim-sql clntsh

# MySQL: the private server and the sample database.
eval "$(scripts/mariadb-sandbox.sh start "$demo/mariadb")"
export MYSQL_HOME
trap 'scripts/mariadb-sandbox.sh stop "$demo/mariadb"' EXIT
scripts/sample-db.sh shop -umorvane -pmorvane

# Oracle: a fresh stand-in service for every demo, so each one starts from an empty schema.
export ORACLE_SIM_HOME="$demo/oracle"
rm -rf "$ORACLE_SIM_HOME"
mkdir -p "$ORACLE_SIM_HOME"
"$build/oracle-sim/oracle-sim-admin" create-user "$service" "$oracle_user" "$oracle_password"
export LD_LIBRARY_PATH="$build/oracle-sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

cat <<TEXT

The wizard is opening. Type:

  Page 2 (MySQL)    Access mode: Local
                    Database: shop     User name: morvane     Password: morvane
  Page 3 (Oracle)   Service: $service     User name: $oracle_user     Password: $oracle_password
  Page 4            choose "shop" (already selected), keep the options
  Page 5            "Add all >", then "Next >"

Then look at the converted tables with the stand-in's line client, for example:

  export ORACLE_SIM_HOME=$ORACLE_SIM_HOME LD_LIBRARY_PATH=$build/oracle-sim
  $build/oracle-sim/oracle-sim-sql $oracle_user/$oracle_password@$service "select table_name from user_tables"
  $build/oracle-sim/oracle-sim-sql $oracle_user/$oracle_password@$service "select * from CUSTOMERS where ID <= 5"

And at the MySQL side with:

  MYSQL_HOME=$MYSQL_HOME mariadb -umorvane -pmorvane shop -e "select * from customers limit 5"

The private MariaDB server stops when the wizard closes.
TEXT

"$build/app/morvane"
