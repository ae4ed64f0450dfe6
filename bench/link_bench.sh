#!/usr/bin/env bash
# Receive and send timings over a slow link (see link_bench.py).
#   link_bench.sh BUILD_DIR [link_bench.py options]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
shift
if [ "$(id -u)" -ne 0 ]; then
    echo "link_bench.sh: skipped, the local Dovecot needs root" >&2
    exit 0
fi
exec /usr/bin/python3 "$here/link_bench.py" --tool "$build/src/app/fumibako-tool" \
    --account "$build/bench/transfer_account" --fixtures "$here/../tests/fixtures/mailservers" "$@"
