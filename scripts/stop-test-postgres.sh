#!/usr/bin/env bash
# Stops the server scripts/start-test-postgres.sh started in the folder given, and removes it.
set -euo pipefail
dir=${1:?usage: stop-test-postgres.sh DIR}
[[ -d "$dir/data" ]] || exit 0
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as_owner=()
[[ $(id -u) -eq 0 ]] && as_owner=(runuser -u postgres --)
"${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
rm -rf "$dir"
