#!/usr/bin/env bash
# A private MariaDB server for tests and the demo: its own data folder, socket and TCP port on
# 127.0.0.1, never the system-wide server.
#
#   scripts/mariadb-sandbox.sh start DIR   start (initialising DIR/data on first use), print the env to use
#   scripts/mariadb-sandbox.sh stop DIR    shut it down
#
# DIR/my.cnf has a [client] group pointing at the server, so any MySQL client (ours included) reaches it
# with MYSQL_HOME=DIR. The account morvane/morvane may do everything; root (and the account that ran
# the installer) log in over the socket only.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
cmd=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
sock="$dir/mysqld.sock"
pidfile="$dir/mysqld.pid"
user=$(id -un)

find_tool() { for t in "$@"; do command -v "$t" >/dev/null 2>&1 && { command -v "$t"; return; }; for d in /usr/sbin /usr/bin /usr/local/sbin; do [ -x "$d/$t" ] && { echo "$d/$t"; return; }; done; done; echo "missing: $*" >&2; exit 1; }

free_port() {
    local p
    for p in $(seq 33306 33999); do
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return; fi
    done
    echo "no free port between 33306 and 33999" >&2; exit 1
}

# The installer gives both root and the installing account socket authentication: log in as whoever runs this.
client() { "$(find_tool mariadb mysql)" --no-defaults --socket="$sock" -u"$user" "$@"; }

running() { [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; }

start() {
    local server installer port
    server=$(find_tool mariadbd mysqld)
    installer=$(find_tool mariadb-install-db mysql_install_db)
    if running; then
        echo "sandbox already running in $dir" >&2
        echo "export MYSQL_HOME=$dir"
        return
    fi
    if [ ! -d "$dir/data/mysql" ]; then
        rm -rf "$dir/data"
        "$installer" --no-defaults --datadir="$dir/data" --user="$user" --auth-root-authentication-method=socket \
            --skip-test-db >"$dir/install.log" 2>&1 || { cat "$dir/install.log" >&2; exit 1; }
    fi
    port=$(free_port)
    # setsid: the server must outlive this script and not take its terminal's signals.
    setsid "$server" --no-defaults --datadir="$dir/data" --socket="$sock" --port="$port" --bind-address=127.0.0.1 \
        --pid-file="$pidfile" --log-error="$dir/mysqld.log" --user="$user" \
        --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
        --innodb-buffer-pool-size=512M --innodb-flush-log-at-trx-commit=2 --innodb-log-file-size=256M \
        --max-allowed-packet=256M --max-connections=300 </dev/null >/dev/null 2>&1 &
    local i
    for i in $(seq 1 120); do
        if [ -S "$sock" ] && client -e 'select 1' >/dev/null 2>&1; then break; fi
        sleep 0.5
    done
    if ! client -e 'select 1' >/dev/null 2>&1; then
        echo "MariaDB did not start; its log says:" >&2; tail -n 30 "$dir/mysqld.log" >&2; exit 1
    fi
    client -e "CREATE USER IF NOT EXISTS 'morvane'@'localhost' IDENTIFIED BY 'morvane';
               CREATE USER IF NOT EXISTS 'morvane'@'%' IDENTIFIED BY 'morvane';
               GRANT ALL PRIVILEGES ON *.* TO 'morvane'@'localhost' WITH GRANT OPTION;
               GRANT ALL PRIVILEGES ON *.* TO 'morvane'@'%' WITH GRANT OPTION;"
    cat >"$dir/my.cnf" <<CNF
# Written by mariadb-sandbox.sh: MySQL clients started with MYSQL_HOME=$dir reach the private server.
[client]
socket=$sock
port=$port

[morvane-sandbox]
user=morvane
password=morvane
port=$port
CNF
    echo "export MYSQL_HOME=$dir"
}

stop() {
    if ! running; then echo "no sandbox running in $dir" >&2; return 0; fi
    local pid; pid=$(cat "$pidfile")
    client -e 'shutdown' >/dev/null 2>&1 || kill "$pid" 2>/dev/null || true
    local i
    for i in $(seq 1 60); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.5; done
    kill -9 "$pid" 2>/dev/null || true
}

case "$cmd" in
    start) start ;;
    stop) stop ;;
    *) usage ;;
esac
