#!/usr/bin/env bash
# Runs a command with a PostgreSQL 15 server of its own, made for the command and dropped after it, named by
# the standard PG* variables (PGHOST, PGPORT, PGUSER, PGPASSWORD, PGDATABASE) as pg_virtualenv sets them.
# Installs the server and Qt's driver for it when they are missing.
#   tools/with-postgres.sh ctest --output-on-failure
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

"$top/tools/install-deps.sh" postgresql-15 postgresql-common libqt6sql6-psql
# A cluster in a temporary folder on a port of its own, so that several runs on one machine do not meet.
port=$(( 20000 + RANDOM % 20000 ))
exec pg_virtualenv -t -c "-p $port" -v 15 "$@"
