#!/usr/bin/env bash
# Runs tdftool view the way a user does: it prints its URL once it
# answers, serves the page and the data to requests with the token only,
# listens on 127.0.0.1 only and stops with exit status 0 on SIGTERM; a
# busy port, a bad --bind and a trace that can't be read end it at once.
#   view_test.sh TDFTOOL TEST_DATA_DIR
set -u
absolute() { (cd "$(dirname "$1")" && echo "$PWD/$(basename "$1")"); }
tool=$(absolute "$1")
data=$(absolute "$2")
work=$(mktemp -d)
view_pid=
stop_left_view() { [ -z "$view_pid" ] || kill "$view_pid" 2>/dev/null; }
trap 'stop_left_view; rm -rf "$work"' EXIT

. "$(dirname "$0")/tool_cases.sh"

trace=$data/view.tdf

fail() { last_ok=0; echo "FAIL $current: $*"; }

# start_view NAME ARGUMENTS...: starts tdftool view in the background and
# waits for its URL line (the sanitizers' build is slow to read).
start_view() {
  current=$1
  last_ok=1
  shift
  "$tool" view "$@" >"$work/view.out" 2>"$work/view.err" </dev/null &
  view_pid=$!
  url=
  for _ in $(seq 600); do
    url=$(sed -n 's/^tdftool: view of .* at \(http:.*\)$/\1/p' "$work/view.out")
    [ -n "$url" ] && break
    kill -0 "$view_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$url" ] || { fail "no URL line"; sed 's/^/  stderr: /' "$work/view.err" | head -n 5; return 1; }
  port=$(echo "$url" | sed -n 's|^http://127\.0\.0\.1:\([0-9]*\)/?token=[0-9a-f]\{64\}$|\1|p')
  [ -n "$port" ] || fail "the URL is not http://127.0.0.1:PORT/?token=TOKEN: $url"
}

# stop_view [STATUS]: SIGTERM, then exit status STATUS (0, or 1 after a
# trace with errors) within a few seconds.
stop_view() {
  local expected=${1:-0}
  kill -TERM "$view_pid"
  for _ in $(seq 100); do
    kill -0 "$view_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$view_pid" 2>/dev/null; then
    fail "still running 10 s after SIGTERM"
    kill -KILL "$view_pid"
  fi
  local status=0
  wait "$view_pid" || status=$?
  view_pid=
  [ "$status" -eq "$expected" ] || { fail "exit status $status after SIGTERM"; sed 's/^/  stderr: /' "$work/view.err" | head -n 20; }
}

# fetch URL: the answer's status, its body in $work/body; to 127.0.0.1
# only, past any proxy of the environment.
fetch() {
  case $1 in http://127.0.0.1:*) ;; *) echo "not a loopback URL: $1" >&2; return 1 ;; esac
  if command -v curl >/dev/null; then
    curl -s --noproxy '*' --max-time 10 -o "$work/body" -w '%{http_code}' "$1"
  else
    python3 - "$1" "$work/body" <<'PY'
import sys, urllib.request, urllib.error
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
try:
    answer = opener.open(sys.argv[1], timeout=10)
    status, body = answer.status, answer.read()
except urllib.error.HTTPError as error:
    status, body = error.code, error.read()
open(sys.argv[2], "wb").write(body)
print(status, end="")
PY
  fi
}

# answers URL STATUS [TEXT]: the URL answers STATUS, with TEXT in its body.
answers() {
  local status
  status=$(fetch "$1")
  [ "$status" = "$2" ] || { fail "$1 answered $status, not $2"; return; }
  [ -z "${3:-}" ] || grep -q -F -- "$3" "$work/body" || fail "$1 lacks: $3"
}

# listens_only_on ADDRESS: ss lists the port on ADDRESS and nowhere else.
listens_only_on() {
  command -v ss >/dev/null || { echo "skipped: ss is missing"; return; }
  local listed
  listed=$(ss -Hltn | awk '{print $4}' | grep -E ":$port\$" | sort -u | tr '\n' ' ')
  [ "$listed" = "$1:$port " ] || fail "listening on: $listed"
}

if start_view "serves the view" "$trace"; then
  base=${url%%/\?token=*}
  token=${url##*token=}
  case $token in *0) wrong=${token%?}1 ;; *) wrong=${token%?}0 ;; esac
  answers "$url" 200 '<!DOCTYPE html>'
  answers "$base/api/meta?token=$token" 200 '"ready":true'
  answers "$base/api/meta" 403
  answers "$base/" 403
  answers "$base/api/meta?token=$wrong" 403
  answers "$base/api/nothing?token=$token" 404
  answers "$base/api/sql?token=$token&q=SELECT%201" 404
  listens_only_on 127.0.0.1
  ! grep -q 'warning' "$work/view.err" || fail "a warning on the loopback address: $(cat "$work/view.err")"
  done_case

  # While it runs, its port is busy, also for every address.
  run "a busy port" 1 "$tool" view --port "$port" "$trace"
  has err "tdftool: view: cannot listen on 127.0.0.1:$port: "
  done_case
  run "another address warns before listening" 1 "$tool" view --bind 0.0.0.0 --port "$port" "$trace"
  has err "tdftool: warning: view: listening on 0.0.0.0: other machines can reach the view"
  has err "tdftool: view: cannot listen on 0.0.0.0:$port: "
  done_case

  current="stops on SIGTERM"
  last_ok=1
  stop_view
fi
done_case

# With --db the view builds the database, answers SQL from it read only,
# and a later query reuses it as it stands.
if start_view "--db answers SQL read only" --db "$work/view.db" "$trace"; then
  base=${url%%/\?token=*}
  token=${url##*token=}
  answers "$base/api/sql?token=$token&q=SELECT%20count(*)%20AS%20n%20FROM%20event" 200 '"columns":["n"]'
  served=$(sed -n 's/.*"rows":\[\[\([0-9]*\)\]\].*/\1/p' "$work/body")
  before=$(cksum <"$work/view.db")
  answers "$base/api/sql?token=$token&q=DELETE%20FROM%20event" 403 '"error":"DELETE on event is refused'
  answers "$base/api/sql?token=$token&q=SELECT%201;SELECT%202" 400 'more than one statement'
  answers "$base/api/sql?q=SELECT%201" 403
  stop_view
  [ "$(cksum <"$work/view.db")" = "$before" ] || fail "the database changed"
  queried=$("$tool" query --db "$work/view.db" --csv "$trace" "SELECT count(*) FROM event" 2>"$work/query.err" |
    tail -n 1)
  [ -n "$served" ] && [ "$served" = "$queried" ] || fail "served $served events, query counts $queried"
  ! grep -q 'building' "$work/query.err" || fail "query built the database again: $(cat "$work/query.err")"
fi
done_case
# Building the database and the page takes one reading of the trace: the
# view has read little more than its bytes once it serves.
seq 0 10 1999990 | sed 's/^/TM /' >"$work/times.tdf"
if start_view "--db reads the trace once" --db "$work/times.db" "$work/times.tdf"; then
  read_bytes=$(sed -n 's/^rchar: //p' "/proc/$view_pid/io")
  trace_bytes=$(stat -c %s "$work/times.tdf")
  [ "$((read_bytes * 2))" -lt "$((trace_bytes * 3))" ] ||
    fail "read $read_bytes bytes for a trace of $trace_bytes"
  stop_view
fi
done_case
# The page and the database both get the reading's reports; standard
# error shows each once.
{ sed -n '/^DB/,/^NI 1 /p' "$trace"; printf 'TM 1\nME 99 200\nQQ\nME 11 200\n'; } >"$work/faulty.tdf"
if start_view "--db and the page both get the reports" --db "$work/faulty.db" "$work/faulty.tdf"; then
  base=${url%%/\?token=*}
  token=${url##*token=}
  answers "$base/api/meta?token=$token" 200 '"problemCount":2'
  stop_view 1
  [ "$(grep -c ': error: ' "$work/view.err")" -eq 2 ] || fail "stderr: $(cat "$work/view.err")"
  stored=$("$tool" query --db "$work/faulty.db" --csv "$work/faulty.tdf" "SELECT count(*) FROM diagnostic" \
    2>/dev/null | tail -n 1)
  [ "$stored" = 2 ] || fail "the database holds $stored diagnostics"
fi
done_case
run "--db needs a trace file" 2 "$tool" view --db "$work/input.db" - </dev/null
has err "view --db needs a trace file, not standard input"
[ ! -e "$work/input.db" ] || fail "wrote $work/input.db"
done_case

run "--bind needs an address" 2 "$tool" view --bind example.org "$trace"
has err '--bind needs an IPv4 or IPv6 address, not "example.org"'
done_case
run "--port is a port" 2 "$tool" view --port 65536 "$trace"
has err "--port needs a port number up to 65535"
done_case
run "a trace that can't be read" 1 "$tool" view "$work/missing.tdf"
[ ! -s "$work/out" ] || fail "printed: $(cat "$work/out")"
done_case

echo "view_test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
