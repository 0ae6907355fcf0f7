#!/usr/bin/env bash
# tdftool export --sqlite as a user runs it: what the database holds
# against what stats says of the same trace, and that the database is
# whole or absent, whatever stops the export (a refused target, a missing
# trace, the file size limit, a signal).
#   export_test.sh TDFTOOL EXAMPLES_DIR TEST_DATA_DIR TRACE_GENERATOR
set -u
absolute() { (cd "$(dirname "$1")" && echo "$PWD/$(basename "$1")"); }
tool=$(absolute "$1")
examples=$(absolute "$2")
data=$(absolute "$3")
generator=$(absolute "$4")
command -v sqlite3 >/dev/null || { echo "sqlite3 is missing (scripts/setup installs it)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0

run() {
  local name=$1 expected=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err" <"${stdin_from:-/dev/null}"
  local status=$?
  if [ "$status" -eq "$expected" ]; then
    last_ok=1
  else
    last_ok=0
    echo "FAIL $name: exit status $status, expected $expected"
    sed 's/^/  stderr: /' "$work/err" | head -n 5
  fi
  current=$name
}

has() {
  if [ "$last_ok" -eq 1 ] && ! grep -q -F -- "$2" "$work/$1"; then
    last_ok=0
    echo "FAIL $current: $1 lacks: $2"
    sed "s/^/  $1: /" "$work/$1" | head -n 5
  fi
}

fail() { last_ok=0; echo "FAIL $current: $*"; }

done_case() {
  if [ "$last_ok" -eq 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# No database and no temporary file of one is left in the directory.
nothing_left() {
  [ -z "$(find "$1" -name "*$2*")" ] || fail "left behind: $(find "$1" -name "*$2*" | tr '\n' ' ')"
}

# same_as_stats DB TRACE: the kinds, instances and loops in the database
# are those stats --json counts (of a trace with no NT, whose counts are
# the file's).
same_as_stats() {
  "$tool" stats --json "$2" >"$work/stats.json" 2>/dev/null
  sqlite3 -json "$1" "SELECT kind, count(*) AS n FROM event GROUP BY kind" >"$work/kinds.json"
  sqlite3 "$1" "SELECT (SELECT count(*) FROM instance), (SELECT count(*) FROM loop), (SELECT max(depth) FROM loop),
                       (SELECT count(*) FROM message WHERE duration IS NOT (returned - sent)),
                       (SELECT value FROM meta WHERE key = 'lines'), (SELECT value FROM meta WHERE key = 'blocks')" \
    >"$work/figures"
  python3 - "$work/stats.json" "$work/kinds.json" "$work/figures" <<'PY' || fail "the database and stats differ"
import json, sys
stats = json.load(open(sys.argv[1]))
kinds = {row["kind"]: row["n"] for row in json.loads(open(sys.argv[2]).read() or "[]")}
objects = {k: v for k, v in stats["objects"].items() if k != "total"}
assert kinds == objects, (kinds, objects)
instances, loops, depth, wrong, lines, blocks = open(sys.argv[3]).read().strip().split("|")
assert int(instances) == stats["instances"]["total"], (instances, stats["instances"]["total"])
assert int(loops) == stats["loops"]["total"], loops
assert int(depth or 0) == stats["loops"]["max_depth"], depth
assert int(wrong) == 0, wrong
assert int(lines) == stats["lines"], lines
assert int(blocks) == stats["blocks"], blocks
PY
}

run "export of the example" 0 "$tool" export --sqlite "$work/example.db" "$examples/example.tdf"
has out "$work/example.db: 29 events, 4 instances, 5 messages, 1 loops"
grep -q -x 'read 59 lines (0.0 MB) in [0-9.]* s ([0-9.]* MB/s, [0-9]* lines/s)' "$work/err" ||
  fail "stderr is not the reading rate: $(cat "$work/err")"
same_as_stats "$work/example.db" "$examples/example.tdf"
[ "$(sqlite3 "$work/example.db" "SELECT count(*) FROM meta WHERE key IN ('trace', 'configuration', 'unit',
      'lines', 'schema_version', 'tool_version', 'trace_size', 'trace_mtime', 'trace_hash')")" = 9 ] ||
  fail "meta lacks keys"
[ "$(sqlite3 "$work/example.db" "SELECT value FROM meta WHERE key = 'trace_size'")" = "$(stat -c %s "$examples/example.tdf")" ] ||
  fail "trace_size is not the trace's"
[ "$(sqlite3 "$work/example.db" "SELECT group_concat(name) FROM (SELECT name FROM sqlite_schema WHERE type = 'index'
      AND name NOT LIKE 'sqlite_%' ORDER BY name)")" = "event_kind,event_time,message_duration,message_name" ] ||
  fail "the indexes are not the four documented"
# The deleted sensor, its messages' durations, the loop's three iterations.
[ "$(sqlite3 "$work/example.db" "SELECT i.name, e.kind FROM instance i JOIN event e ON e.id = i.deleted")" = "Sensor#0|instance_delete" ] ||
  fail "the deletion is not the sensor's"
[ "$(sqlite3 "$work/example.db" "SELECT group_concat(duration) FROM (SELECT duration FROM message ORDER BY event)")" = "10,20,5,10,5" ] || fail "durations"
[ "$(sqlite3 "$work/example.db" "SELECT iterations, depth FROM loop")" = "3|1" ] || fail "the loop"
done_case

run "export of a trace with errors" 1 "$tool" export --sqlite "$work/full.db" "$data/full.tdf"
has err "error:"
has out "$work/full.db:"
[ "$(sqlite3 "$work/full.db" "SELECT count(*) FROM diagnostic WHERE severity = 'error'")|$(sqlite3 "$work/full.db" "SELECT count(*) FROM diagnostic WHERE severity = 'warning'")" = "9|3" ] ||
  fail "the diagnostics are not the 9 errors and 3 warnings check reports"
[ "$(sqlite3 "$work/full.db" "SELECT value FROM meta WHERE key = 'errors'")" = 9 ] || fail "meta errors"
done_case

for seed in 1 2 3 4 5 6; do
  "$generator" --seed "$seed" 3000 >"$work/generated.tdf"
  run "export of generated trace $seed" 0 "$tool" export --sqlite "$work/generated.db" "$work/generated.tdf"
  same_as_stats "$work/generated.db" "$work/generated.tdf"
  done_case
done
"$generator" --bounded 5000 >"$work/bounded.tdf"
run "export of a bounded trace" 0 "$tool" export --sqlite "$work/bounded.db" "$work/bounded.tdf"
same_as_stats "$work/bounded.db" "$work/bounded.tdf"
done_case

# A DI of an instance already deleted deletes it again: its row keeps the
# last deletion, as the instance does, also once the row was written.
printf 'DB "default"\nID 1\nIN "Task" 1 "t"\nMS 10 "go"\nED\nSF 1 1\nTM 1\nTS 1\nNI 1 5\nCI 5\nME 10 6\nMR\nDI 6\nAC "a" 5\nDI 6\n' >"$work/twice.tdf"
run "export of an instance deleted twice" 0 "$tool" export --sqlite "$work/twice.db" "$work/twice.tdf"
[ "$(sqlite3 "$work/twice.db" "SELECT group_concat(kind) FROM event WHERE id = (SELECT deleted FROM instance WHERE dynamic_id = 6)
      OR id > (SELECT deleted FROM instance WHERE dynamic_id = 6)")" = instance_delete ] ||
  fail "the row does not keep the last deletion: $(sqlite3 "$work/twice.db" "SELECT * FROM instance")"
done_case

# The streaming reader frees what no later line reaches, keeps old open
# messages compact and makes freed instances anew; the database must be
# the one the whole model gives, row for row.
for kind in "" --messages --bounded; do
  for seed in 1 2; do
    "$generator" $kind --seed "$seed" 20000 >"$work/both.tdf"
    run "streamed and whole exports of a generated trace ${kind:---mixed} $seed" 0 \
      "$tool" export --sqlite "$work/streamed.db" "$work/both.tdf"
    "$tool" export --whole-model --sqlite "$work/whole.db" "$work/both.tdf" >/dev/null 2>&1 || fail "whole export"
    sqlite3 "$work/streamed.db" .dump >"$work/streamed.sql"
    sqlite3 "$work/whole.db" .dump >"$work/whole.sql"
    cmp -s "$work/streamed.sql" "$work/whole.sql" ||
      fail "the databases differ: $(diff "$work/whole.sql" "$work/streamed.sql" | head -n 4 | tr '\n' ' ')"
    [ "$(sqlite3 "$work/streamed.db" "SELECT count(*) FROM message WHERE return_event IS NOT NULL")" -gt 0 ] ||
      fail "no message returned"
    done_case
  done
done

stdin_from=$examples/example.tdf run "export of standard input" 0 "$tool" export --sqlite "$work/stdin.db" -
[ "$(sqlite3 "$work/stdin.db" "SELECT value FROM meta WHERE key = 'trace'")" = "<stdin>" ] || fail "trace is not <stdin>"
[ "$(sqlite3 "$work/stdin.db" "SELECT count(*) FROM meta WHERE key IN ('trace_size', 'trace_mtime', 'trace_hash')")" = 0 ] ||
  fail "standard input has a fingerprint"
done_case

run "export needs --sqlite" 2 "$tool" export "$examples/example.tdf"
has err "export needs a database file: --sqlite OUT.db"
done_case

mkdir "$work/missing"
run "export of a missing trace" 1 "$tool" export --sqlite "$work/missing/none.db" "$work/no-such.tdf"
has err "no-such.tdf"
nothing_left "$work/missing" none.db
done_case

echo "old" >"$work/old.db"
run "export replaces a file" 0 "$tool" export --sqlite "$work/old.db" "$examples/example.tdf"
[ "$(sqlite3 "$work/old.db" "SELECT count(*) FROM event")" = 29 ] || fail "not replaced"
done_case

echo "kept" >"$work/kept.db"
run "a failed export keeps the file it would replace" 1 "$tool" export --sqlite "$work/kept.db" "$work/no-such.tdf"
[ "$(cat "$work/kept.db")" = kept ] || fail "the file was touched"
done_case

ln -s "$work/old.db" "$work/link.db"
run "export replaces the file behind a link" 0 "$tool" export --sqlite "$work/link.db" "$data/view.tdf"
[ -L "$work/link.db" ] && [ "$(sqlite3 "$work/old.db" "SELECT value FROM meta WHERE key = 'trace'")" = "$data/view.tdf" ] ||
  fail "the linked file was not replaced"
done_case

cp "$examples/example.tdf" "$work/self.tdf"
ln -s "$work/self.tdf" "$work/self.db"
run "export refuses to replace its own trace" 1 "$tool" export --sqlite "$work/self.db" "$work/self.tdf"
has err "tdftool: error: cannot write $work/self.db: it is the trace being read"
cmp -s "$examples/example.tdf" "$work/self.tdf" || fail "the trace was replaced"
done_case

mkfifo "$work/pipe.db"
run "export refuses a FIFO" 1 "$tool" export --sqlite "$work/pipe.db" "$examples/example.tdf"
has err "tdftool: error: cannot write $work/pipe.db: it exists and is not a regular file"
[ -p "$work/pipe.db" ] || fail "the FIFO was replaced"
done_case

mkdir "$work/directory.db"
run "export refuses a directory" 1 "$tool" export --sqlite "$work/directory.db" "$examples/example.tdf"
has err "tdftool: error: cannot write $work/directory.db: it exists and is not a regular file"
[ -d "$work/directory.db" ] || fail "the directory was replaced"
done_case

mkdir "$work/closed"
chmod 500 "$work/closed"
if [ ! -w "$work/closed" ]; then  # root writes anywhere
  run "export into a directory it can't write" 1 "$tool" export --sqlite "$work/closed/x.db" "$examples/example.tdf"
  has err "tdftool: error: cannot write $work/closed/x.db: Permission denied"
  done_case
fi
chmod 700 "$work/closed"

# Beyond the file size limit a write fails (the tool ignores SIGXFSZ) or
# the signal ends the tool: either way no database is left, and the file
# it would have replaced stays.
"$generator" --bounded 20000 >"$work/large.tdf"
mkdir "$work/limited"
echo "kept" >"$work/limited/kept.db"
for disposition in ignored default; do
  (if [ "$disposition" = ignored ]; then trap '' XFSZ; else trap - XFSZ; fi
   ulimit -f 64
   run "export beyond the file size limit, signal $disposition" 1 "$tool" export --sqlite "$work/limited/big.db" "$work/large.tdf"
   has err "tdftool: error: cannot write $work/limited/big.db: disk I/O error"
   nothing_left "$work/limited" big.db
   done_case
   run "export over a file beyond the file size limit, signal $disposition" 1 "$tool" export --sqlite "$work/limited/kept.db" "$work/large.tdf"
   [ "$(cat "$work/limited/kept.db")" = kept ] || fail "the file was touched"
   [ "$(find "$work/limited" -type f | wc -l)" -eq 1 ] || fail "a temporary file is left"
   done_case
   echo "$passed $failed" >"$work/counts")
  read -r passed failed <"$work/counts"
done

# A signal while the database is written: the tool ends by it (128 + its
# number) and leaves nothing.
"$generator" --bounded 400000 >"$work/signalled.tdf"
for signal in TERM INT HUP; do
  mkdir "$work/signal-$signal"
  echo "kept" >"$work/signal-$signal/kept.db"
  current="export ended by SIG$signal"
  last_ok=1
  # A job in the background has SIGINT ignored: started with every signal
  # at its default, as from a terminal.
  python3 -c 'import os, signal, sys
for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
    signal.signal(s, signal.SIG_DFL)
os.execv(sys.argv[1], sys.argv[1:])' "$tool" export --sqlite "$work/signal-$signal/kept.db" "$work/signalled.tdf" \
    >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 200); do
    [ -n "$(find "$work/signal-$signal" -name '.kept.db.*' -size +100k)" ] && break
    sleep 0.05
  done
  [ -n "$(find "$work/signal-$signal" -name '.kept.db.*')" ] || fail "no temporary file seen"
  kill -s "$signal" "$pid"
  wait "$pid"
  status=$?
  [ "$status" -ne 0 ] || fail "exit status 0"
  [ "$(cat "$work/signal-$signal/kept.db")" = kept ] || fail "the file was touched"
  [ "$(find "$work/signal-$signal" -type f | wc -l)" -eq 1 ] || fail "a temporary file is left"
  done_case
done

# Started with SIGHUP ignored (nohup), the export goes on past one.
current="export started with SIGHUP ignored"
last_ok=1
(trap '' HUP; exec "$tool" export --sqlite "$work/nohup.db" "$work/signalled.tdf" >/dev/null 2>&1) &
pid=$!
for _ in $(seq 200); do
  [ -n "$(find "$work" -maxdepth 1 -name '.nohup.db.*' -size +100k)" ] && break
  sleep 0.05
done
kill -s HUP "$pid"
wait "$pid" || fail "exit status $?"
[ "$(sqlite3 "$work/nohup.db" "SELECT value FROM meta WHERE key = 'lines'")" = 400000 ] || fail "no whole database"
done_case

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
