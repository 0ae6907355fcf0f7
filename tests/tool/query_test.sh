#!/usr/bin/env bash
# Runs tdftool query the way a user does: the output formats, where the
# statements come from, SQL errors, the database of --db (built, reused,
# built again, or refused) and the statements refused on it.
#   query_test.sh TDFTOOL EXAMPLES_DIR
set -u
absolute() { (cd "$(dirname "$1")" && echo "$PWD/$(basename "$1")"); }
tool=$(absolute "$1")
examples=$(absolute "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/tool_cases.sh"

command -v sqlite3 >/dev/null || { echo "FAIL: the sqlite3 shell is missing (scripts/setup installs it)"; exit 1; }

cp "$examples/example.tdf" "$work/trace.tdf"
trace=$work/trace.tdf

# same FILE EXPECTED: the file holds exactly the text EXPECTED (with a final
# line feed).
same() {
  if [ -n "$2" ]; then printf '%s\n' "$2"; fi >"$work/expected"
  if [ "$last_ok" -eq 1 ] && ! cmp -s "$work/$1" "$work/expected"; then
    last_ok=0
    echo "FAIL $current: $1 differs from what was expected"
    diff "$work/expected" "$work/$1" | head -n 10
  fi
}

# no_file PATH: the path was not made.
no_file() {
  [ ! -e "$1" ] || { last_ok=0; echo "FAIL $current: $1 was made"; }
}

# unchanged FILE COPY: the file is still what COPY holds.
unchanged() {
  cmp -s "$1" "$2" || { last_ok=0; echo "FAIL $current: $1 was changed"; }
}

values="SELECT 'a,b' AS c1, 'say \"hi\"' AS c2, 'one' || char(10) || 'two' AS c3, NULL AS c4, '' AS c5, 42 AS c6, \
2.5 AS c7, x'00ff' AS c8"

run "CSV when piped" 0 "$tool" query "$trace" "$values"
same out 'c1,c2,c3,c4,c5,c6,c7,c8
"a,b","say ""hi""","one
two",,"",42,2.5,00ff'
done_case

run "JSON Lines" 0 "$tool" query --json "$trace" "$values" "SELECT 9007199254740993 AS big, -3 AS negative, 1e400 AS inf"
same out '{"c1":"a,b","c2":"say \"hi\"","c3":"one\u000atwo","c4":null,"c5":"","c6":42,"c7":2.5,"c8":"00ff"}
{"big":"9007199254740993","negative":-3,"inf":null}'
done_case

# A statement without result columns prints nothing; in memory the tables
# may change.
run "statements without results" 0 "$tool" query "$trace" "CREATE TEMP TABLE t(a); INSERT INTO t VALUES (7)" \
  "DELETE FROM event" "SELECT a, (SELECT count(*) FROM event) AS events FROM t"
same out 'a,events
7,0'
done_case

# A result without rows still has its header; JSON Lines has no line.
run "CSV of no rows" 0 "$tool" query "$trace" "SELECT id FROM event WHERE 0"
same out 'id'
done_case
run "JSON of no rows" 0 "$tool" query --json "$trace" "SELECT id FROM event WHERE 0"
same out ''
done_case

run "table with --table" 0 "$tool" query --table "$trace" "SELECT dynamic_id, name, deleted FROM instance ORDER BY id" \
  "SELECT 'tab' || char(9) || 'in' AS t"
same out 'dynamic_id  name        deleted
----------  ----------  -------
       100  Controller
       200  Sensor#0         25
       300  obj0:io
       400  IRQ timer

t
-------
tab\tin'
cp "$work/out" "$work/table"
done_case

if command -v script >/dev/null; then
  # script gives the tool a terminal: a table unless --csv asks otherwise.
  run "table on a terminal" 0 script -qec "'$tool' query '$trace' \
    \"SELECT dynamic_id, name, deleted FROM instance ORDER BY id\" \"SELECT 'tab' || char(9) || 'in' AS t\" 2>/dev/null" \
    /dev/null
  tr -d '\r' <"$work/out" >"$work/terminal"
  cmp -s "$work/terminal" "$work/table" || { last_ok=0; echo "FAIL $current: not the table"; cat "$work/terminal"; }
  done_case
  run "CSV on a terminal with --csv" 0 script -qec "'$tool' query --csv '$trace' 'SELECT 1 AS one' 2>/dev/null" /dev/null
  tr -d '\r' <"$work/out" >"$work/csv"
  same csv 'one
1'
  done_case
fi

printf 'SELECT 2 AS two;\n-- a comment\nSELECT 3 AS three; SELECT 4 AS four;\n' >"$work/statements.sql"
run "arguments, then the file" 0 "$tool" query "$trace" "SELECT 1 AS one" -f "$work/statements.sql"
same out 'one
1
two
2
three
3
four
4'
done_case

stdin_from=$work/statements.sql run "file from standard input" 0 "$tool" query "$trace" -f -
has out 'four'
done_case

stdin_from=$work/statements.sql run "standard input without SQL" 0 "$tool" query "$trace"
same out 'two
2
three
3
four
4'
done_case

run "missing statement file" 1 "$tool" query "$trace" -f "$work/none.sql"
has err "tdftool: query: cannot read $work/none.sql"
# The trace is not read for statements that can't be.
grep -q '^read ' "$work/err" && { last_ok=0; echo "FAIL $current: the trace was read"; }
done_case

# An error stops the run: what came before is printed, what follows is not
# run.
run "syntax error" 1 "$tool" query "$trace" "SELECT 1 AS one" "SELECT id FROM event WHERE" "SELECT 3 AS three"
has err 'tdftool: query: incomplete input'
same out 'one
1'
done_case

printf 'SELECT 1;\n\nSELECT nosuch\n  FROM event;\nSELECT 2;\n' >"$work/faulty.sql"
run "error in a file" 1 "$tool" query "$trace" -f "$work/faulty.sql"
has err "tdftool: query: no such column: nosuch (at byte 18, line 3, of $work/faulty.sql)"
done_case

run "error while running" 1 "$tool" query "$trace" "SELECT abs(-9223372036854775807 - 1)"
has err 'tdftool: query: integer overflow'
done_case

printf 'SELECT 1;\0SELECT 2;' >"$work/nul.sql"
run "NUL byte in the statements" 1 "$tool" query "$trace" -f "$work/nul.sql"
has err "tdftool: query: $work/nul.sql holds a NUL byte"
done_case

# The trace's own errors are reported as check reports them and are rows
# to query; they don't fail the query.
printf 'ZZ 1\nTM 5\n' >"$work/faulty.tdf"
run "trace errors are rows" 0 "$tool" query "$work/faulty.tdf" "SELECT severity, line, message FROM diagnostic"
same out 'severity,line,message
error,1,unknown opcode or unexpected opcode'
has err "$work/faulty.tdf:1: error: unknown opcode or unexpected opcode"
done_case

# Nothing may open or write another file, nor load code, also in memory.
run "ATTACH refused in memory" 1 "$tool" query "$trace" "ATTACH '$work/other.db' AS other"
has err 'tdftool: query: ATTACH and VACUUM INTO are refused'
no_file "$work/other.db"
done_case
run "VACUUM INTO refused in memory" 1 "$tool" query "$trace" "VACUUM INTO '$work/copy.db'"
has err 'tdftool: query: ATTACH and VACUUM INTO are refused'
no_file "$work/copy.db"
done_case
run "load_extension refused" 1 "$tool" query "$trace" "SELECT load_extension('$work/none.so')"
has err 'tdftool: query: load_extension() is refused'
done_case

for usage in "--csv --json|--csv, --json and --table don't go together" \
             "--table --csv|--csv, --json and --table don't go together" \
             "-f -|standard input (-) can't be both the trace and the SQL" \
             "--db $work/x.db|query --db needs a trace file, not standard input" \
             "|query of standard input needs SQL arguments or -f FILE"; do
  options=${usage%%|*}
  if [ -n "$options" ]; then
    # shellcheck disable=SC2086
    run "usage: $options with the trace on standard input" 2 "$tool" query $options - "SELECT 1"
  else
    run "usage: no SQL with the trace on standard input" 2 "$tool" query -
  fi
  has err "${usage#*|}"
  done_case
done

stdout_to=/dev/full run "query on a full disk" 1 "$tool" query "$trace" "SELECT * FROM event"
has err "tdftool: error: cannot write standard output: No space left on device"
done_case

# The database of --db: built when missing, reused while the trace is as it
# was, built again when it changed.
database=$work/trace.db
count="SELECT count(*) AS events FROM event"
run "--db built" 0 "$tool" query --db "$database" "$trace" "$count"
same out 'events
29'
has err "read 59 lines"
[ "$(ls "$work" | grep -c 'trace\.db')" -eq 1 ] || { last_ok=0; echo "FAIL $current: $(ls "$work")"; }
done_case

run "--db reused" 0 "$tool" query --db "$database" "$trace" "$count"
same out 'events
29'
same err ''
done_case

touch -d '2001-01-01' "$trace"
run "--db built again for a newer modification time" 0 "$tool" query --db "$database" "$trace" "$count"
has err "tdftool: query: building $database again: it was made from another trace, or the trace has changed since"
has err "read 59 lines"
done_case

printf 'TM 2000\nME 14 200\n' >>"$trace"
run "--db built again for more lines" 0 "$tool" query --db "$database" "$trace" "$count"
has err "building $database again"
same out 'events
31'
done_case

run "--db built again for other --tcf files" 0 "$tool" query --db "$database" --tcf "$examples/default.tcf" "$trace" \
  "$count"
has err "building $database again: it was made with other configuration files (--tcf)"
done_case
run "--db reused with the same --tcf files" 0 "$tool" query --db "$database" --tcf "$examples/default.tcf" "$trace" \
  "$count"
same err ''
done_case

run "export for --db" 0 "$tool" export --sqlite "$database" "$trace"
done_case
run "--db reuses an export" 0 "$tool" query --db "$database" "$trace" "$count"
same err ''
done_case

# Every statement that would change the database is refused, before
# SQLite's read-only connection would refuse it too.
cp "$database" "$work/before.db"
for statement in "INSERT INTO event(id, kind) VALUES (99, 'note')|INSERT on event is refused" \
                 "UPDATE event SET time = 0|UPDATE on event is refused" \
                 "DELETE FROM message|DELETE on message is refused" \
                 "CREATE TABLE extra(a)|CREATE is refused" \
                 "CREATE TEMP VIEW recent AS SELECT 1|CREATE is refused" \
                 "CREATE INDEX by_name ON event(name)|CREATE is refused" \
                 "DROP TABLE loop|DROP is refused" \
                 "DROP INDEX event_time|DROP is refused" \
                 "ALTER TABLE event RENAME TO events|ALTER TABLE is refused" \
                 "ATTACH '$work/other.db' AS other|ATTACH and VACUUM INTO are refused" \
                 "DETACH main|DETACH is refused" \
                 "VACUUM|ATTACH and VACUUM INTO are refused" \
                 "REINDEX|REINDEX is refused" \
                 "ANALYZE|ANALYZE is refused" \
                 "PRAGMA user_version = 5|PRAGMA user_version = ... is refused" \
                 "PRAGMA journal_mode = WAL|PRAGMA journal_mode = ... is refused" \
                 "PRAGMA optimize|PRAGMA optimize is refused" \
                 "SELECT load_extension('$work/none.so')|load_extension() is refused"; do
  run "--db refuses ${statement%%|*}" 1 "$tool" query --db "$database" "$trace" "${statement%%|*}"
  has err "tdftool: query: ${statement#*|}"
  unchanged "$database" "$work/before.db"
  no_file "$work/other.db"
  done_case
done

run "--db reads" 0 "$tool" query --db "$database" "$trace" "PRAGMA table_info(meta)" \
  "SELECT count(*) AS columns FROM pragma_table_info('event')" "BEGIN; SELECT 1 AS one; COMMIT" "PRAGMA user_version"
has out 'columns'
has out 'user_version'
done_case

# Files that are not tdftool's databases of this schema are left alone.
sqlite3 "$work/foreign.db" "CREATE TABLE notes(text); INSERT INTO notes VALUES ('keep me')"
sqlite3 "$work/foreign_meta.db" "CREATE TABLE meta(key, value); INSERT INTO meta VALUES ('owner', 'someone')"
sqlite3 "$work/meta_view.db" "CREATE VIEW meta(key, value) AS SELECT 'schema_version', 1"
cp "$database" "$work/newer.db"
sqlite3 "$work/newer.db" "UPDATE meta SET value = 2 WHERE key = 'schema_version'"
head -c 20000 /dev/urandom >"$work/garbage.db"
printf 'my notes\n' >"$work/text.db"
head -c 30000 "$database" >"$work/truncated.db"
for refusal in "foreign.db|is an SQLite database that tdftool did not make" \
               "foreign_meta.db|is an SQLite database that tdftool did not make" \
               "meta_view.db|is an SQLite database that tdftool did not make" \
               "newer.db|was made by a newer tdftool (schema version 2; this one knows 1)" \
               "garbage.db|is not an SQLite database (file is not a database)" \
               "text.db|is not an SQLite database" \
               "truncated.db|is damaged (database disk image is malformed)"; do
  file=$work/${refusal%%|*}
  cp "$file" "$work/copy"
  run "--db refuses ${refusal%%|*}" 1 "$tool" query --db "$file" "$trace" "$count"
  has err "tdftool: query: $file ${refusal#*|}"
  unchanged "$file" "$work/copy"
  same out ''
  done_case
done

# Damage past meta is found when a statement reads it: the root page of
# event (numbered from 1) overwritten.
cp "$database" "$work/damaged.db"
page_size=$(sqlite3 "$database" "PRAGMA page_size")
root=$(sqlite3 "$database" "SELECT rootpage FROM sqlite_schema WHERE name = 'event'")
head -c "$page_size" /dev/zero | tr '\0' '\377' |
  dd of="$work/damaged.db" bs="$page_size" seek=$((root - 1)) conv=notrunc 2>/dev/null
run "--db damaged past its meta" 1 "$tool" query --db "$work/damaged.db" "$trace" "SELECT * FROM event"
has err "tdftool: query: database disk image is malformed: $work/damaged.db is damaged; remove it to have it built again"
done_case

mkdir "$work/directory.db"
run "--db refuses a directory" 1 "$tool" query --db "$work/directory.db" "$trace" "$count"
has err "tdftool: query: $work/directory.db exists and is not a regular file"
done_case

cp "$database" "$work/older.db"
sqlite3 "$work/older.db" "UPDATE meta SET value = 0 WHERE key = 'schema_version'; DELETE FROM event"
run "--db built again for an older schema" 0 "$tool" query --db "$work/older.db" "$trace" "$count"
has err "building $work/older.db again: it has schema version 0, this tdftool makes 1"
has out '31'
done_case

: >"$work/empty.db"
run "--db builds into an empty file" 0 "$tool" query --db "$work/empty.db" "$trace" "$count"
has out '31'
done_case

run "--db of a missing trace" 1 "$tool" query --db "$work/missing.db" "$work/none.tdf" "$count"
has err "tdftool: query: cannot read $work/none.tdf"
no_file "$work/missing.db"
done_case

# An interrupt stops the statement, not the tool: it reports and fails.
# The first statement's result, printed once it is done, tells that the
# endless one runs.
endless="WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT count(*) FROM n"
set -m
"$tool" query --db "$database" "$trace" "SELECT 'running' AS state" "$endless" >"$work/out" 2>"$work/err" </dev/null &
query=$!
set +m
for _ in $(seq 100); do
  grep -q running "$work/out" && break
  sleep 0.1
done
kill -INT "$query"
wait "$query"
status=$?
last_ok=1
current="interrupted query"
[ "$status" -eq 1 ] || { last_ok=0; echo "FAIL $current: exit status $status, expected 1"; }
has err 'tdftool: query: interrupted'
done_case

if command -v script >/dev/null; then
  # A session on a terminal: an error does not end it (but fails the run),
  # an unended statement at the end of input still runs.
  printf 'SELECT 1 AS one;\nSELEC 2;\nSELECT 3\n  AS three;\nSELECT 4 AS four\n' >"$work/typed"
  stdin_from=$work/typed run "session on a terminal" 1 script -qec "'$tool' query --db '$database' '$trace'" /dev/null
  tr -d '\r' <"$work/out" >"$work/session"
  grep -q -F 'tdftool: query: near "SELEC": syntax error (at byte 0 of the statement)' "$work/session" &&
    grep -q -x ' *1' "$work/session" && grep -q -x ' *3' "$work/session" && grep -q -x ' *4' "$work/session" ||
    { last_ok=0; echo "FAIL $current:"; sed 's/^/  /' "$work/session" | head -n 20; }
  done_case
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
