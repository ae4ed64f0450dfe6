#!/usr/bin/env bash
# The demo's mail servers (run.sh --demo) come up, say where they listen, and stop completely
# when sent SIGTERM right after that line: no server left running, no files left behind.
set -euo pipefail
# The servers' messages go to a file, so that a server left running cannot hold the test's output open.
log=$(mktemp)
coproc SERVERS { exec "$1" 2>"$log"; }
pid=$SERVERS_PID
trap 'rc=$?; kill "$pid" 2>/dev/null || true; [[ $rc == 0 ]] || cat "$log" >&2; rm -f "$log"' EXIT
read -r -t 60 line <&"${SERVERS[0]}" || { echo "the demo mail servers said nothing" >&2; exit 1; }
[[ "$line" == READY* ]] || { echo "unexpected first line: $line" >&2; exit 1; }
echo "$line"
kill "$pid"
wait "$pid" 2>/dev/null || true
run_dir=${line##*RUN_DIR=}
pop3=${line#*POP3_PORT=}; pop3=${pop3%% *}
smtp=${line#*SMTP_PORT=}; smtp=${smtp%% *}
[[ ! -e "$run_dir" ]] || { echo "left behind: $run_dir" >&2; exit 1; }
for port in "$pop3" "$smtp"; do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        echo "a server still listens on port $port" >&2; exit 1
    fi
done
echo "stopped"
