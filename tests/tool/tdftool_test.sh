#!/usr/bin/env bash
# Runs tdftool the way a user does and checks exit statuses and output.
#   tdftool_test.sh TDFTOOL EXAMPLES_DIR TEST_DATA_DIR
set -u
absolute() { (cd "$(dirname "$1")" && echo "$PWD/$(basename "$1")"); }
tool=$(absolute "$1")
examples=$(absolute "$2")
data=$(absolute "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0

# run NAME EXPECTED_STATUS COMMAND...: runs the command, keeping its output
# in $work/out (or in $stdout_to when set) and $work/err; its input is
# $stdin_from when set, else empty.
run() {
  local name=$1 expected=$2
  shift 2
  "$@" >"${stdout_to:-$work/out}" 2>"$work/err" <"${stdin_from:-/dev/null}"
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

# has STREAM TEXT: the last command's stdout or stderr contains TEXT.
has() {
  if [ "$last_ok" -eq 1 ] && ! grep -q -F -- "$2" "$work/$1"; then
    last_ok=0
    echo "FAIL $current: $1 lacks: $2"
    sed "s/^/  $1: /" "$work/$1" | head -n 5
  fi
}

lines_of() { wc -l <"$work/$1"; }

done_case() {
  if [ "$last_ok" -eq 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# Standard output holds the trace's line only; the reading rate goes to
# standard error.
run "check of the example" 0 "$tool" check "$examples/example.tdf"
has out "example.tdf: 59 lines, 29 objects, 1 definition blocks, 0 errors, 0 warnings"
[ "$(lines_of out)" -eq 1 ] || { last_ok=0; echo "FAIL $current: stdout is not one line"; }
grep -q -x 'read 59 lines (0.0 MB) in [0-9.]* s ([0-9.]* MB/s, [0-9]* lines/s)' "$work/err" &&
  [ "$(lines_of err)" -eq 1 ] || { last_ok=0; echo "FAIL $current: stderr is not the reading rate"; }
done_case

run "help" 0 "$tool" --help
has out "usage: tdftool COMMAND"
has out "--tcf FILE"
done_case

run "no command" 2 "$tool"
has err "tdftool: no command given"
[ "$(lines_of err)" -eq 1 ] || { last_ok=0; echo "FAIL $current: not one line"; }
done_case

run "unknown command" 2 "$tool" frob x.tdf
has err "unknown command \"frob\""
done_case

run "unknown option" 2 "$tool" check --bogus "$examples/example.tdf"
has err "unknown option --bogus for check"
done_case

run "option of another command" 2 "$tool" check --times "$examples/example.tdf"
done_case

run "missing trace argument" 2 "$tool" stats
has err "stats needs a trace file"
done_case

run "rewrite takes one trace" 2 "$tool" rewrite "$examples/example.tdf" "$examples/example.tdf"
done_case

run "missing configuration file" 1 "$tool" check --tcf "$work/none.tcf" "$examples/example.tdf"
has err "cannot read configuration file $work/none.tcf"
[ "$(lines_of err)" -eq 1 ] || { last_ok=0; echo "FAIL $current: not one line"; }
[ "$(lines_of out)" -eq 0 ] || { last_ok=0; echo "FAIL $current: stdout not empty"; }
done_case

run "missing trace" 1 "$tool" check "$work/none.tdf"
has err "error:Can't open file \"$work/none.tdf\": No such file or directory"
done_case

run "faulty trace" 1 "$tool" check --tcf "$data/reader.tcf" "$data/context.tdf"
has err "context.tdf:20:definition block not found (SF)"
has err "context.tdf:24:can't retrieve style"
has out "context.tdf: 24 lines, 1 objects, 1 definition blocks, 2 errors, 1 warnings"
done_case

# What follows an unended block is lost: no clean trace.
printf 'TM 1\nBA "waiting" 0\nTM 5\n' >"$work/unended.tdf"
run "trace ending inside an action block" 1 "$tool" check "$work/unended.tdf"
has err "unended.tdf:3:action block begun at line 2 has no end (EA)"
has out "unended.tdf: 3 lines, 0 objects, 0 definition blocks, 1 errors, 0 warnings"
done_case

# A NUL byte ends no line: the rest of the line is ignored with a warning,
# and its bytes count in the rate.
for _ in $(seq 1000); do printf 'OT\0%01000d\n' 0; done >"$work/nul.tdf"
run "NUL bytes in lines" 0 "$tool" check "$work/nul.tdf"
has err "nul.tdf:1000:line holds a NUL byte; the rest of the line is ignored"
has err "read 1000 lines (1.0 MB)"
has out "nul.tdf: 1000 lines, 0 objects, 0 definition blocks, 0 errors, 1000 warnings"
done_case

printf 'TM 1\rTM 2\rTM 3\r' >"$work/cr.tdf"
run "CR-only line ends" 0 "$tool" check "$work/cr.tdf"
has err "cr.tdf:1:carriage return inside a line: the file may have CR-only line ends"
has out "cr.tdf: 1 lines, 0 objects, 0 definition blocks, 0 errors, 1 warnings"
done_case

printf 'tcf = { name = "broken" id_length = "two" }\n' >"$work/broken.tcf"
run "faulty configuration" 1 "$tool" check --tcf "$work/broken.tcf" "$examples/example.tdf"
has err "broken.tcf:1:25:tcf.id_length must be an integer"
has err "undefined configuration name"
done_case

printf 'tcf = { name = "unclosed"\n' >"$work/unclosed.tcf"
run "configuration syntax error" 1 "$tool" check --tcf "$work/unclosed.tcf" "$examples/example.tdf"
has err "unclosed.tcf:1:7:the group opened here is not closed"
done_case

run "configurations of several files" 0 "$tool" check --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" \
  "$examples/example.tdf" "$data/full.tdf"
has out "example.tdf: 59 lines"
has out "full.tdf: 85 lines"
done_case

run "first file only" 1 "$tool" check --tcf "$data/reader.tcf" "$examples/example.tdf"
has err "example.tdf:2:undefined configuration name"
done_case

(cd "$work" && run "built-in default from anywhere" 0 "$tool" check "$examples/example.tdf"; done_case
 echo "$passed $failed" >"$work/counts")
read -r passed failed <"$work/counts"

run "rewrite" 0 "$tool" rewrite "$examples/example.tdf"
cp "$work/out" "$work/rewritten.tdf"
has out "ME 10 200"
done_case

run "rewritten trace reads cleanly" 0 "$tool" check "$work/rewritten.tdf"
done_case

run "rewrite with times" 0 "$tool" rewrite --times "$examples/example.tdf"
has out "TM 1005"
done_case

# A discarded first block still chose the trace's configuration.
printf 'DB "default"\nID 1\nIN "Bogus" 1 "x"\nED\n' >"$work/discarded.tdf"
run "rewrite of a discarded block" 1 "$tool" rewrite "$work/discarded.tdf"
has err "discarded.tdf:3:undefined instance type"
cp "$work/out" "$work/discarded_rewrite.tdf"
[ "$(cat "$work/out")" = "$(printf 'DB "default"\nED')" ] || { last_ok=0; echo "FAIL $current: wrote $(cat "$work/out")"; }
done_case
run "rewrite of a discarded block fails the same way" 1 "$tool" check "$work/discarded_rewrite.tdf"
has err "discarded_rewrite.tdf:2:definition block has no id"
has out "discarded_rewrite.tdf: 2 lines, 0 objects, 0 definition blocks, 1 errors, 0 warnings"
done_case

run "stats" 0 "$tool" stats --time-format "%mms %uus" "$examples/example.tdf"
has out "configuration: Default configuration"
has out "instances: 4"
has out "IRQ timer (Interrupt)"
has out "times: first 1ms, last 1ms 135us, min 1ms"
has out "threads: 2"
done_case

run "no progress in pipes" 0 "$tool" stats "$examples/example.tdf"
[ "$(lines_of err)" -eq 0 ] || { last_ok=0; echo "FAIL $current: stderr not empty"; }
done_case

run "render an SVG picture" 0 "$tool" render "$examples/example.tdf" -o "$work/trace.svg"
has out "trace.svg: 29 of 29 events, 5 lifelines"
grep -q '<svg' "$work/trace.svg" || { last_ok=0; echo "FAIL $current: no SVG written"; }
done_case

run "render an HTML page" 0 "$tool" render --time-format "%mms %uus" "$examples/example.tdf" -o "$work/trace.html"
grep -q 'id="titles"' "$work/trace.html" || { last_ok=0; echo "FAIL $current: no title header"; }
grep -q '1ms 135us' "$work/trace.html" || { last_ok=0; echo "FAIL $current: times not formatted"; }
done_case

run "render within the event limit" 0 "$tool" render --max-events 5 "$examples/example.tdf" -o "$work/five.svg"
has out "5 of 29 events"
has out "--max-events"
grep -q 'Showing 5 of 29 events' "$work/five.svg" || { last_ok=0; echo "FAIL $current: picture does not say it"; }
done_case

run "render needs an output" 2 "$tool" render "$examples/example.tdf"
has err "render needs an output file"
done_case

run "render writes SVG or HTML only" 2 "$tool" render "$examples/example.tdf" -o "$work/trace.png"
has err "render writes .svg or .html files"
done_case

run "render needs a positive event limit" 2 "$tool" render --max-events 0 "$examples/example.tdf" -o "$work/x.svg"
done_case

run "render window must not be reversed" 2 "$tool" render --from 20 --to 10 "$examples/example.tdf" -o "$work/x.svg"
has err "--from lies after --to"
done_case

run "render times are numbers" 2 "$tool" render --from soon "$examples/example.tdf" -o "$work/x.svg"
has err "--from needs a whole number"
done_case

run "render into a missing directory" 1 "$tool" render "$examples/example.tdf" -o "$work/none/trace.svg"
has err "cannot write $work/none/trace.svg"
done_case

# Output that can't be written is never taken for success; it is an error,
# not a usage error.
for command in check rewrite stats; do
  stdout_to=/dev/full run "$command on a full disk" 1 "$tool" "$command" "$examples/example.tdf"
  has err "tdftool: cannot write standard output: No space left on device"
  done_case
done

stdout_to=/dev/full run "help on a full disk" 1 "$tool" --help
done_case

stdout_to=/dev/full run "render summary on a full disk" 1 "$tool" render "$examples/example.tdf" -o "$work/full.svg"
has err "tdftool: cannot write standard output: No space left on device"
grep -q '</svg>' "$work/full.svg" || { last_ok=0; echo "FAIL $current: picture not written"; }
done_case

run "a directory is no empty trace" 1 "$tool" check "$work" "$examples/example.tdf"
has err "error:Can't read file \"$work\": Is a directory"
has out "example.tdf: 59 lines"
grep -q -F "$work:" "$work/out" && { last_ok=0; echo "FAIL $current: summary of the directory printed"; }
done_case

mkfifo "$work/pipe.svg"
run "render refuses a FIFO" 1 "$tool" render "$examples/example.tdf" -o "$work/pipe.svg"
has err "tdftool: cannot write $work/pipe.svg: it exists and is not a regular file"
[ -p "$work/pipe.svg" ] || { last_ok=0; echo "FAIL $current: the FIFO was replaced"; }
done_case

# A device of our own (a FIFO where devices can't be made), so that a
# failure replaces nothing outside the work directory.
mknod "$work/null" c 1 3 2>/dev/null || mkfifo "$work/null"
ln -s "$work/null" "$work/device.svg"
run "render refuses a link to a device" 1 "$tool" render "$examples/example.tdf" -o "$work/device.svg"
has err "tdftool: cannot write $work/device.svg: it exists and is not a regular file"
{ [ -L "$work/device.svg" ] && { [ -c "$work/null" ] || [ -p "$work/null" ]; }; } ||
  { last_ok=0; echo "FAIL $current: the device or its link was replaced"; }
done_case

ln -s "$work/trace.svg" "$work/link.svg"
run "render replaces the file behind a link" 0 "$tool" render --max-events 3 "$examples/example.tdf" -o "$work/link.svg"
[ -L "$work/link.svg" ] && grep -q 'Showing 3 of 29 events' "$work/trace.svg" ||
  { last_ok=0; echo "FAIL $current: the linked file was not replaced"; }
done_case

(trap '' XFSZ; ulimit -f 4
 run "render beyond the file size limit" 1 "$tool" render "$examples/example.tdf" -o "$work/big.svg"
 has err "tdftool: cannot write $work/big.svg: File too large"
 [ -z "$(find "$work" -name 'big.svg*')" ] || { last_ok=0; echo "FAIL $current: a partial picture is left"; }
 done_case
 echo "$passed $failed" >"$work/counts")
read -r passed failed <"$work/counts"

# A huge identification would make every DB line allocate gigabytes.
printf 'tcf = { name = "huge" id_length = 2000000000 }\n' >"$work/huge.tcf"
printf 'DB "huge"\nID 1\nED\n' >"$work/huge.tdf"
run "huge id length" 1 "$tool" check --tcf "$work/huge.tcf" "$work/huge.tdf"
has err "huge.tcf:1:23:tcf.id_length must be at most 9"
has out "huge.tdf: 3 lines"
done_case

run "endless configuration file" 1 "$tool" check --tcf /dev/zero "$examples/example.tdf"
has err "tdftool: cannot read configuration file /dev/zero: it is larger than 64 MiB"
done_case

# --- Command-line conventions ---

run "version" 0 "$tool" --version
grep -q -x 'tdftool [0-9][0-9]*\(\.[0-9][0-9]*\)*' "$work/out" && [ "$(lines_of out)" -eq 1 ] ||
  { last_ok=0; echo "FAIL $current: printed $(cat "$work/out")"; }
done_case

run "version in place of an option" 0 "$tool" check --version
has out "tdftool "
done_case

run "help after the command" 0 "$tool" stats --help
has out "usage: tdftool COMMAND"
done_case

# An option's value is the value, even when it looks like a request.
run "help as the value of --tcf" 1 "$tool" check --tcf -h "$examples/example.tdf"
has err "tdftool: cannot read configuration file -h"
done_case

cp "$examples/example.tdf" "$work/-h"
(cd "$work" && run "-- ends the options" 1 "$tool" check -- -h --help
 has out "-h: 59 lines"
 has err "Can't open file \"--help\""
 grep -q 'usage' "$work/out" && { last_ok=0; echo "FAIL $current: help printed"; }
 done_case
 echo "$passed $failed" >"$work/counts")
read -r passed failed <"$work/counts"

stdin_from="$examples/example.tdf" run "check from standard input" 0 "$tool" check -
has out "<stdin>: 59 lines, 29 objects, 1 definition blocks, 0 errors, 0 warnings"
done_case

stdin_from="$data/context.tdf" run "reports name standard input" 1 "$tool" check --tcf "$data/reader.tcf" -
has err "<stdin>:20:definition block not found (SF)"
done_case

run "standard input is read once" 2 "$tool" check - "$examples/example.tdf" -
has err "standard input (-) can be read only once"
done_case

# Two paths to the same rewrite: the file by name and through a pipe.
run "rewrite of the file" 0 "$tool" rewrite --times "$data/full.tdf" --tcf "$data/reader.tcf"
cp "$work/out" "$work/by_name.tdf"
done_case
stdin_from="$data/full.tdf" run "rewrite from standard input" 0 "$tool" rewrite --times - --tcf "$data/reader.tcf"
cmp -s "$work/out" "$work/by_name.tdf" || { last_ok=0; echo "FAIL $current: differs from the file's rewrite"; }
done_case

stdin_from="$examples/example.tdf" run "render from standard input" 0 "$tool" render - -o "$work/stdin.svg"
grep -q '&lt;stdin&gt;\|<stdin>' "$work/stdin.svg" || { last_ok=0; echo "FAIL $current: picture lacks its title"; }
done_case

run "check prints one line per trace" 1 "$tool" check --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" \
  "$examples/example.tdf" "$data/context.tdf" "$data/full.tdf"
[ "$(lines_of out)" -eq 3 ] || { last_ok=0; echo "FAIL $current: $(lines_of out) lines on stdout"; }
grep -q '^read ' "$work/out" && { last_ok=0; echo "FAIL $current: reading rate on stdout"; }
done_case

run "quiet check of clean traces" 0 "$tool" check -q "$examples/example.tdf" "$examples/example.tdf"
[ "$(lines_of out)" -eq 0 ] && [ "$(lines_of err)" -eq 0 ] || { last_ok=0; echo "FAIL $current: output printed"; }
done_case

run "quiet check names the failing trace" 1 "$tool" check -q --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" \
  "$examples/example.tdf" "$data/context.tdf"
has out "context.tdf: 24 lines"
has err "context.tdf:20:definition block not found (SF)"
[ "$(lines_of out)" -eq 1 ] || { last_ok=0; echo "FAIL $current: clean trace printed"; }
grep -q '^read ' "$work/err" && { last_ok=0; echo "FAIL $current: reading rate printed"; }
done_case

run "quiet and JSON exclude each other" 2 "$tool" check -q --json "$examples/example.tdf"
done_case

run "JSON for a command without it" 2 "$tool" rewrite --json "$examples/example.tdf"
has err "unknown option --json for rewrite"
done_case

# check --json carries the reports the text form prints: the two forms of
# the same run must list the same reports, in order.
json_diagnostics_as_text() {
  python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    trace = json.loads(line)
    for d in trace["diagnostics"]:
        prefix = (d["file"] + ":") if d["file"] is not None else d["severity"] + ":"
        position = "".join(str(d[k]) + ":" for k in ("line", "column") if d[k] is not None)
        print(prefix + position + d["message"])
' "$1"
}
checked=("$examples/example.tdf" "$data/context.tdf" "$work/none.tdf" "$work" "$data/full.tdf")
run "check text reports" 1 "$tool" check --tcf "$data/reader.tcf" "${checked[@]}"
grep -v '^read ' "$work/err" >"$work/text_reports"
done_case
run "check JSON reports" 1 "$tool" check --json --tcf "$data/reader.tcf" "${checked[@]}"
json_diagnostics_as_text "$work/out" >"$work/json_reports" ||
  { last_ok=0; echo "FAIL $current: not JSON Lines"; }
[ -s "$work/text_reports" ] && cmp -s "$work/text_reports" "$work/json_reports" ||
  { last_ok=0; echo "FAIL $current: reports differ from the text form"; diff "$work/text_reports" "$work/json_reports" | head; }
[ "$(lines_of out)" -eq 5 ] || { last_ok=0; echo "FAIL $current: not one object per trace"; }
python3 -c '
import json, sys
traces = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
keys = {"trace", "complete", "lines", "objects", "blocks", "errors", "warnings", "diagnostics"}
assert all(set(t) == keys for t in traces), traces
assert [t["complete"] for t in traces] == [True, True, False, False, True], traces
for t in traces:
    assert t["errors"] == sum(d["severity"] == "error" for d in t["diagnostics"]), t
    assert t["warnings"] == sum(d["severity"] == "warning" for d in t["diagnostics"]), t
example = traces[0]
assert (example["lines"], example["objects"], example["blocks"]) == (59, 29, 1) or example["errors"] > 0, example
' "$work/out" || { last_ok=0; echo "FAIL $current: wrong fields"; }
done_case

# The summary line and the JSON object say the same of each trace.
run "check text summary" 0 "$tool" check --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" "$examples/example.tdf" "$data/full.tdf"
cp "$work/out" "$work/summary_text"
done_case
run "check JSON summary" 0 "$tool" check --json --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" \
  "$examples/example.tdf" "$data/full.tdf"
python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    t = json.loads(line)
    print("%s: %d lines, %d objects, %d definition blocks, %d errors, %d warnings"
          % (t["trace"], t["lines"], t["objects"], t["blocks"], t["errors"], t["warnings"]))
' "$work/out" | cmp -s - "$work/summary_text" || { last_ok=0; echo "FAIL $current: differs from the text form"; }
done_case

# Names with quotes, backslashes, control characters and non-ASCII letters
# come out as valid JSON that reads back as the name.
odd=$(printf '%s/qu"ote\\back\ttab\001ctl-\303\251t\303\251.tdf' "$work")
cp "$examples/example.tdf" "$odd"
run "JSON escapes names" 0 "$tool" check --json "$odd"
python3 -c '
import json, os, sys
trace = json.loads(open(sys.argv[1], encoding="utf-8").read())
assert trace["trace"] == os.fsdecode(os.fsencode(sys.argv[2])), trace
' "$work/out" "$odd" || { last_ok=0; echo "FAIL $current: $(cat "$work/out")"; }
done_case

run "stats as JSON" 0 "$tool" stats --json --time-format "%mms %uus" "$examples/example.tdf"
python3 -m json.tool "$work/out" >/dev/null || { last_ok=0; echo "FAIL $current: not JSON"; }
python3 -c '
import json, sys
s = json.load(open(sys.argv[1], encoding="utf-8"))
for key in ("trace", "configuration", "lines", "objects", "instances", "loops", "times", "errors", "warnings"):
    assert key in s, key
assert s["configuration"] == "Default configuration", s
assert s["objects"]["total"] == 29 and s["objects"]["instance"] == 4, s["objects"]
assert s["instances"]["total"] == 4 and s["instances"]["listed"][3]["name"] == "IRQ timer", s["instances"]
assert s["times"]["last"] == {"count": 1135, "text": "1ms 135us"}, s["times"]
assert (s["errors"], s["warnings"]) == (0, 0), s
' "$work/out" || { last_ok=0; echo "FAIL $current: wrong facts"; }
done_case

# The JSON document holds the facts the text form prints.
for trace in "$examples/example.tdf" "$data/full.tdf" "$data/context.tdf"; do
  status=0
  [ "$trace" = "$data/context.tdf" ] && status=1
  run "stats text of $(basename "$trace")" "$status" "$tool" stats --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" "$trace"
  cp "$work/out" "$work/stats_text"
  done_case
  run "stats JSON of $(basename "$trace")" "$status" "$tool" stats --json --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" "$trace"
  python3 -c '
import json, re, sys
s = json.load(open(sys.argv[1], encoding="utf-8"))
text = open(sys.argv[2], encoding="utf-8").read()
def field(name):
    return re.search("^" + name + ": (.*)$", text, re.M).group(1)
assert field("trace") == s["trace"]
assert field("lines") == str(s["lines"])
assert field("definition blocks") == str(s["blocks"])
assert field("objects") == str(s["objects"]["total"])
for kind, count in s["objects"].items():
    if kind != "total":
        assert re.search("^  %s +%d$" % (kind, count), text, re.M), kind
assert field("loops") == "%d (nested %d deep at most)" % (s["loops"]["total"], s["loops"]["max_depth"])
assert field("instances") == str(s["instances"]["total"])
for i in s["instances"]["listed"]:
    assert re.search("^  %-10d %s" % (i["id"], re.escape(i["name"] or "(none)")), text, re.M), i
assert field("threads") == str(len(s["threads"]))
assert field("errors") == "%d, warnings: %d" % (s["errors"], s["warnings"])
t = s["times"]
if t["first"] is not None:
    assert field("times") == "first %s, last %s, min %s" % (t["first"]["text"], t["last"]["text"], t["min"]["text"])
' "$work/out" "$work/stats_text" || { last_ok=0; echo "FAIL $current: differs from the text form"; }
  done_case
done

run "stats JSON of a missing trace" 1 "$tool" stats --json "$work/none.tdf"
has err "Can't open file"
[ "$(lines_of out)" -eq 0 ] || { last_ok=0; echo "FAIL $current: stdout not empty"; }
done_case

stdout_to=/dev/full run "check JSON on a full disk" 1 "$tool" check --json "$examples/example.tdf"
has err "tdftool: cannot write standard output: No space left on device"
done_case

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
