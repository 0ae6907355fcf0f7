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
# in $work/out (or in $stdout_to when set) and $work/err.
run() {
  local name=$1 expected=$2
  shift 2
  "$@" >"${stdout_to:-$work/out}" 2>"$work/err" </dev/null
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

run "check of the example" 0 "$tool" check "$examples/example.tdf"
has out "example.tdf: 59 lines, 29 objects, 1 definition blocks, 0 errors, 0 warnings"
[ "$(lines_of err)" -eq 0 ] || { last_ok=0; echo "FAIL $current: unexpected stderr"; }
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

run "missing configuration file" 2 "$tool" check --tcf "$work/none.tcf" "$examples/example.tdf"
has err "cannot read configuration file $work/none.tcf"
[ "$(lines_of err)" -eq 1 ] || { last_ok=0; echo "FAIL $current: not one line"; }
done_case

run "missing trace" 1 "$tool" check "$work/none.tdf"
has err "error:Can't open file \"$work/none.tdf\""
done_case

run "faulty trace" 1 "$tool" check --tcf "$data/reader.tcf" "$data/context.tdf"
has err "context.tdf:20:definition block not found (SF)"
has err "context.tdf:24:can't retrieve style"
has out "context.tdf: 24 lines, 1 objects, 1 definition blocks, 2 errors, 1 warnings"
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

run "render into a missing directory" 2 "$tool" render "$examples/example.tdf" -o "$work/none/trace.svg"
has err "cannot write $work/none/trace.svg"
done_case

# Output that can't be written is never taken for success.
for command in check rewrite stats; do
  stdout_to=/dev/full run "$command on a full disk" 2 "$tool" "$command" "$examples/example.tdf"
  has err "tdftool: cannot write standard output: No space left on device"
  done_case
done

stdout_to=/dev/full run "help on a full disk" 2 "$tool" --help
done_case

stdout_to=/dev/full run "render summary on a full disk" 2 "$tool" render "$examples/example.tdf" -o "$work/full.svg"
has err "tdftool: cannot write standard output: No space left on device"
grep -q '</svg>' "$work/full.svg" || { last_ok=0; echo "FAIL $current: picture not written"; }
done_case

run "a directory is no empty trace" 1 "$tool" check "$work" "$examples/example.tdf"
has err "error:Can't read file \"$work\": Is a directory"
has out "example.tdf: 59 lines"
grep -q -F "$work:" "$work/out" && { last_ok=0; echo "FAIL $current: summary of the directory printed"; }
done_case

mkfifo "$work/pipe.svg"
run "render refuses a FIFO" 2 "$tool" render "$examples/example.tdf" -o "$work/pipe.svg"
has err "tdftool: cannot write $work/pipe.svg: it exists and is not a regular file"
[ -p "$work/pipe.svg" ] || { last_ok=0; echo "FAIL $current: the FIFO was replaced"; }
done_case

# A device of our own (a FIFO where devices can't be made), so that a
# failure replaces nothing outside the work directory.
mknod "$work/null" c 1 3 2>/dev/null || mkfifo "$work/null"
ln -s "$work/null" "$work/device.svg"
run "render refuses a link to a device" 2 "$tool" render "$examples/example.tdf" -o "$work/device.svg"
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
 run "render beyond the file size limit" 2 "$tool" render "$examples/example.tdf" -o "$work/big.svg"
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

run "endless configuration file" 2 "$tool" check --tcf /dev/zero "$examples/example.tdf"
has err "tdftool: cannot read configuration file /dev/zero: it is larger than 64 MiB"
done_case

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
