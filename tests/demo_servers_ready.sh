#!/usr/bin/env bash
# The demo's mail servers (run.sh --demo) come up and say where they listen.
set -euo pipefail
coproc SERVERS { exec "$1"; }
pid=$SERVERS_PID
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
read -r -t 60 line <&"${SERVERS[0]}" || { echo "the demo mail servers said nothing" >&2; exit 1; }
[[ "$line" == READY* ]] || { echo "unexpected first line: $line" >&2; exit 1; }
echo "$line"
