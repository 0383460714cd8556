#!/usr/bin/env bash
# Starts a throwaway PostgreSQL server for the tests: a fresh cluster in a temporary folder,
# listening on 127.0.0.1 only (port ORVANE_TEST_POSTGRES_PORT, default 54329, or the next free
# one). The superuser "postgres" connects from loopback without a password; every other role
# needs its password. Prints two lines for eval:
#   ORVANE_TEST_POSTGRES_URI=postgresql://postgres@127.0.0.1:PORT/orvane_test
#   ORVANE_TEST_POSTGRES_DIR=the folder, for scripts/stop-test-postgres.sh
set -euo pipefail
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as_owner=()
dir=$(mktemp -d /tmp/orvane-postgres.XXXXXX)
# The server refuses to run as root.
if [[ $(id -u) -eq 0 ]]; then
  chown postgres:postgres "$dir"
  as_owner=(runuser -u postgres --)
fi
port=${ORVANE_TEST_POSTGRES_PORT:-54329}
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do
  port=$((port + 1))
done
"${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U postgres -E UTF8 --no-locale --auth=trust >"$dir/initdb.log" 2>&1 ||
  { cat "$dir/initdb.log" >&2; exit 1; }
"${as_owner[@]}" tee "$dir/data/pg_hba.conf" >/dev/null <<'HBA'
local all postgres trust
host all postgres 127.0.0.1/32 trust
host all all 127.0.0.1/32 scram-sha-256
HBA
"${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
  -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir -c fsync=off" start >/dev/null ||
  { cat "$dir/server.log" >&2; exit 1; }
"$bin/psql" -q -h 127.0.0.1 -p "$port" -U postgres -d postgres -c "CREATE DATABASE orvane_test" >/dev/null
echo "ORVANE_TEST_POSTGRES_URI=postgresql://postgres@127.0.0.1:$port/orvane_test"
echo "ORVANE_TEST_POSTGRES_DIR=$dir"
