#!/usr/bin/env bash
# The Dovecot configuration that the tests, the demo and the benchmarks share: Dovecot's own
# parser takes it with and without bearer tokens, and a placeholder of the template that the
# writer has no value for stops it before it writes anything.
#   dovecot_config.sh FIXTURES_DIR
set -euo pipefail
fixtures="$1"
scratch="$(mktemp -d /tmp/fumibako-dovecot-config.XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "dovecot_config: $*" >&2; exit 1; }

for mode in password bearer; do
    run="$scratch/$mode"
    mkdir "$run"
    extra=()
    [ "$mode" = bearer ] && extra=(--introspection-url http://127.0.0.1:9/introspect)
    /usr/bin/python3 "$fixtures/dovecot_config.py" "$run" 11110 11995 --user taro:secret "${extra[@]}"
    touch "$run/server.crt" "$run/server.key" # read, not checked, by doveconf
    doveconf -n -c "$run/dovecot.conf" >"$run/parsed" || fail "Dovecot refuses the $mode configuration"
    grep -q "port = 11995" "$run/parsed" || fail "the $mode configuration lacks the POP3S port"
    if [ "$mode" = bearer ]; then
        grep -q "driver = oauth2" "$run/parsed" || fail "no oauth2 passdb with bearer tokens"
    elif grep -q oauth2 "$run/parsed"; then
        fail "an oauth2 passdb without bearer tokens"
    fi
done

# A placeholder added to the template but not to the writer.
run="$scratch/new-placeholder"
mkdir "$run"
{ cat "$fixtures/dovecot.conf.in"; echo "mail_max_userip_connections = @NEW_LIMIT@"; } >"$scratch/template"
if /usr/bin/python3 "$fixtures/dovecot_config.py" "$run" 11110 11995 --template "$scratch/template" 2>"$scratch/err"; then
    fail "a template with an unknown placeholder was written"
fi
grep -q "@NEW_LIMIT@" "$scratch/err" || fail "the refusal does not name the placeholder: $(cat "$scratch/err")"
[ ! -e "$run/dovecot.conf" ] || fail "a configuration was written despite the unknown placeholder"
echo "dovecot_config: all checks passed"
