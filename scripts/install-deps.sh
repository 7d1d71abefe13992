#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages Morvane needs to build and test, and only those missing.
#   scripts/install-deps.sh [extra package ...]
set -euo pipefail

# python3-jsonschema: the tests validate run reports against docs/run-report.schema.json with it.
# qtkeychain-qt6-dev, libsecret-1-0: the passwords in the keyring (QtKeychain loads libsecret at run
# time). dbus-daemon, dbus-bin, gnome-keyring, libsecret-tools: the keyring test's own session bus,
# keyring daemon and a second client. desktop-file-utils, appstream, groff-base, dpkg-dev: the checks
# of the install tree and the Debian package (dpkg-shlibdeps finds its dependencies).
packages=(cmake make g++ pkg-config qt6-base-dev libmariadb-dev libsqlite3-dev libgtest-dev
          mariadb-server mariadb-client python3-jsonschema
          qtkeychain-qt6-dev libsecret-1-0 dbus-daemon dbus-bin gnome-keyring libsecret-tools
          desktop-file-utils appstream groff-base dpkg-dev "$@")
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
# The package scripts of mariadb-server try to start the system-wide server; we never use it.
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
