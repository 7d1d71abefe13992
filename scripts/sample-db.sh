#!/usr/bin/env bash
# Loads the demo's sample shop database (scripts/sample-db.sql) into a MySQL or MariaDB server, replacing
# a database of the same name.
#
#   scripts/sample-db.sh [DATABASE] [client option ...]
#
# DATABASE defaults to "shop". The server is the one the mariadb/mysql client reaches with the given
# options and its usual option files (with MYSQL_HOME=DIR of scripts/mariadb-sandbox.sh, the sandbox).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
database=${1:-shop}
shift || true
case "$database" in
    *[!A-Za-z0-9_]*|'') echo "sample-db.sh: a database name of letters, digits and _ only, not '$database'" >&2; exit 2 ;;
esac
client=$(command -v mariadb || command -v mysql || true)
[ -n "$client" ] || { echo "sample-db.sh: no mariadb or mysql client found (scripts/install-deps.sh installs one)" >&2; exit 1; }

{
    echo "DROP DATABASE IF EXISTS \`$database\`;"
    echo "CREATE DATABASE \`$database\` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;"
    echo "USE \`$database\`;"
    cat "$here/sample-db.sql"
} | "$client" --default-character-set=utf8mb4 "$@"

"$client" --default-character-set=utf8mb4 "$@" --batch --skip-column-names -e "
    SELECT CONCAT(COUNT(*), ' tables, ', SUM(table_rows), ' rows (estimated) in $database')
    FROM information_schema.tables WHERE table_schema = '$database'"
