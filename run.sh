#!/usr/bin/env bash
# Builds the program and starts it.
#   ./run.sh [--data-dir DIR] [mailto:...]   installs what is missing, builds into build/, runs fumibako
#   ./run.sh --demo                          also starts local demo mail servers and a demo account
set -euo pipefail
cd "$(dirname "$0")"

DEMO=0
if [ "${1:-}" = "--demo" ]; then DEMO=1; shift; fi

scripts/install-deps

if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "${XDG_RUNTIME_DIR}" ]; then
    export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
fi

BUILD_DIR="${BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" --target fumibako fumibako-tool
PROGRAM="$BUILD_DIR/src/app/program/fumibako"
TOOL="$BUILD_DIR/src/app/fumibako-tool"

if [ "$DEMO" = 0 ]; then
    exec "$PROGRAM" "$@"
fi

# --- demo: servers on free loopback ports, one account pointing at them -----------------------
# The demo account receives at start, so the unread view fills at once.
DEMO_DIR="${FUMIBAKO_DEMO_DIR:-$PWD/$BUILD_DIR/demo-data}"
coproc SERVERS { exec scripts/demo-mail-servers; }
SERVERS_PID=$SERVERS_PID
stop_servers() { kill "$SERVERS_PID" 2>/dev/null || true; wait "$SERVERS_PID" 2>/dev/null || true; }
trap stop_servers EXIT
read -r READY_LINE <&"${SERVERS[0]}" || { echo "run.sh: the demo mail servers did not start" >&2; exit 1; }
eval "${READY_LINE#READY }" # POP3_PORT SMTP_PORT CA_FILE RUN_DIR
echo "run.sh: demo servers: POP3 127.0.0.1:$POP3_PORT, SMTP 127.0.0.1:$SMTP_PORT (user demo / demo-pass)"

mkdir -p "$DEMO_DIR"
ACCOUNT="デモ"
set_value() { "$TOOL" profile set "$@" >/dev/null; }
set_value "$DEMO_DIR/AName.ini" AName Count 1
set_value "$DEMO_DIR/AName.ini" AName 0 "$ACCOUNT"
USER_FILE="$DEMO_DIR/$ACCOUNT.ini"
SENDER_NAME="デモ太郎"
for kv in "AccName=demo" "MailAddress=demo@localhost" "SMTPServer=127.0.0.1" "POP3Server=127.0.0.1" \
          "Name=$SENDER_NAME" "APOP=0" "SMTPport=1" "SportNum=$SMTP_PORT" "POPport=1" "PportNum=$POP3_PORT"; do
    set_value "$USER_FILE" Property "${kv%%=*}" "${kv#*=}"
done
printf '%s\n' demo-pass | "$TOOL" --data-dir "$DEMO_DIR" password "$ACCOUNT" 2>/dev/null
for kv in KidouJusin=1 MailHozon=0 MailJusin=1 AutoPOP=0 AutoPOPTime=3 MailSound=0 Syomei=0 GridLine=0; do
    set_value "$USER_FILE" Kankyou "${kv%%=*}" "${kv#*=}"
done

export FUMIBAKO_CA_FILE="$CA_FILE"
"$PROGRAM" --data-dir "$DEMO_DIR" "$@" || true
