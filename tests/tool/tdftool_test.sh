#!/usr/bin/env bash
# Runs tdftool the way a user does and checks exit statuses and output.
#   tdftool_test.sh TDFTOOL EXAMPLES_DIR TEST_DATA_DIR TRACE_GENERATOR
set -u
absolute() { (cd "$(dirname "$1")" && echo "$PWD/$(basename "$1")"); }
tool=$(absolute "$1")
examples=$(absolute "$2")
data=$(absolute "$3")
generator=$(absolute "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/tool_cases.sh"

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
has err "tdftool: error: no command given"
[ "$(lines_of err)" -eq 1 ] || { last_ok=0; echo "FAIL $current: not one line"; }
done_case

run "unknown command" 2 "$tool" frob x.tdf
has err "tdftool: error: unknown command \"frob\""
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
has err "tdftool: error: Can't open file \"$work/none.tdf\": No such file or directory"
done_case

run "faulty trace" 1 "$tool" check --tcf "$data/reader.tcf" "$data/context.tdf"
has err "context.tdf:20: error: definition block not found (SF)"
has err "context.tdf:23: warning: due to previous error"
has err "context.tdf:24: error: can't retrieve style"
has out "context.tdf: 24 lines, 1 objects, 1 definition blocks, 2 errors, 1 warnings"
done_case

# Every report is one line that tells its severity, also the reader's notice
# that it stops reporting (a message that ends with its own line feed).
for i in $(seq 105); do echo "ZZ $i"; done >"$work/noise.tdf"
run "reports past the error limit" 1 "$tool" check "$work/noise.tdf"
has err "noise.tdf:101: error: error limit reached, continue to parsing silently."
grep -v '^read ' "$work/err" >"$work/reports"
[ "$(lines_of reports)" -eq 101 ] && ! grep -q -v "^$work/noise.tdf:[0-9]*: error: [a-z]" "$work/reports" ||
  { last_ok=0; echo "FAIL $current: not one report a line"; grep -v ': error: ' "$work/reports" | head -n 3; }
done_case

# What follows an unended block is lost: no clean trace.
printf 'TM 1\nBA "waiting" 0\nTM 5\n' >"$work/unended.tdf"
run "trace ending inside an action block" 1 "$tool" check "$work/unended.tdf"
has err "unended.tdf:3: error: action block begun at line 2 has no end (EA)"
has out "unended.tdf: 3 lines, 0 objects, 0 definition blocks, 1 errors, 0 warnings"
done_case

# A NUL byte ends no line: the rest of the line is ignored with a warning,
# and its bytes count in the rate.
for _ in $(seq 1000); do printf 'OT\0%01000d\n' 0; done >"$work/nul.tdf"
run "NUL bytes in lines" 0 "$tool" check "$work/nul.tdf"
has err "nul.tdf:1000: warning: line holds a NUL byte; the rest of the line is ignored"
has err "read 1000 lines (1.0 MB)"
has out "nul.tdf: 1000 lines, 0 objects, 0 definition blocks, 0 errors, 1000 warnings"
done_case

printf 'TM 1\rTM 2\rTM 3\r' >"$work/cr.tdf"
run "CR-only line ends" 0 "$tool" check "$work/cr.tdf"
has err "cr.tdf:1: warning: carriage return inside a line: the file may have CR-only line ends"
has out "cr.tdf: 1 lines, 0 objects, 0 definition blocks, 0 errors, 1 warnings"
done_case

# A configuration file that reports an error or defines no configuration
# stops the run before any trace is read, after every file was loaded: the
# trace would only give follow-on errors.
printf 'tcf = { name = "broken" id_length = "two" }\n' >"$work/broken.tcf"
printf 'tcf = { name = "unclosed"\n' >"$work/unclosed.tcf"
printf 'style = { name = "plain" id = 1 }\n' >"$work/styles_only.tcf"
for faulty in "broken.tcf|broken.tcf:1:25: error: tcf.id_length must be an integer" \
              "unclosed.tcf|unclosed.tcf:1:7: error: the group opened here is not closed" \
              "styles_only.tcf|tdftool: error: $work/styles_only.tcf: defines no trace configuration"; do
  file=${faulty%%|*}
  faulty=${faulty#*|}
  run "faulty configuration $file" 1 "$tool" check --tcf "$work/$file" --tcf "$examples/default.tcf" "$examples/example.tdf"
  has err "$faulty"
  [ "$(lines_of err)" -eq 1 ] && [ "$(lines_of out)" -eq 0 ] ||
    { last_ok=0; echo "FAIL $current: a trace was read"; sed 's/^/  /' "$work/err" "$work/out" | head -n 5; }
  done_case
done

run "every configuration file is loaded" 1 "$tool" check --tcf "$work/broken.tcf" --tcf "$work/none.tcf" \
  --tcf "$work/styles_only.tcf" "$examples/example.tdf"
[ "$(lines_of err)" -eq 3 ] || { last_ok=0; echo "FAIL $current: $(lines_of err) reports"; }
has err "cannot read configuration file $work/none.tcf"
done_case

run "configurations of several files" 0 "$tool" check --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" \
  "$examples/example.tdf" "$data/full.tdf"
has out "example.tdf: 59 lines"
has out "full.tdf: 85 lines"
done_case

run "first file only" 1 "$tool" check --tcf "$data/reader.tcf" "$examples/example.tdf"
has err "example.tdf:2: error: undefined configuration name"
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
has err "discarded.tdf:3: error: undefined instance type"
cp "$work/out" "$work/discarded_rewrite.tdf"
[ "$(cat "$work/out")" = "$(printf 'DB "default"\nED')" ] || { last_ok=0; echo "FAIL $current: wrote $(cat "$work/out")"; }
done_case
run "rewrite of a discarded block fails the same way" 1 "$tool" check "$work/discarded_rewrite.tdf"
has err "discarded_rewrite.tdf:2: error: definition block has no id"
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
grep -q 'warning' "$work/err" && { last_ok=0; echo "FAIL $current: a warning without --from, --to or --max-events"; }
done_case

# The page holds the whole trace: a window asked for is said not to apply,
# and the page is the one drawn without it.
"$tool" render "$examples/example.tdf" -o "$work/whole.html" >/dev/null 2>&1
for window in "--from 1000" "--to 2000" "--max-events 5"; do
  # shellcheck disable=SC2086
  run "render an HTML page with $window" 0 "$tool" render $window "$examples/example.tdf" -o "$work/window.html"
  has err "tdftool: warning: render: $work/window.html holds the whole trace: --from, --to and --max-events apply to an SVG picture only"
  cmp -s "$work/window.html" "$work/whole.html" || { last_ok=0; echo "FAIL $current: the page differs from the whole one"; }
  done_case
done

run "render within the event limit" 0 "$tool" render --max-events 5 "$examples/example.tdf" -o "$work/five.svg"
has out "5 of 29 events"
# Standard output holds what was written, standard error what was left out.
has err "The other 24 events of the window are not drawn (at most 5 with --max-events)"
[ "$(lines_of out)" -eq 1 ] || { last_ok=0; echo "FAIL $current: the notice is on standard output"; }
grep -q 'Showing 5 of 29 events' "$work/five.svg" || { last_ok=0; echo "FAIL $current: picture does not say it"; }
done_case

# The picture lists the first problems of the reading under its caption;
# standard error still has every one, once.
{ cat "$examples/example.tdf"; for i in $(seq 12); do printf 'QQ %d\nTM %d\n' "$i" "$((900000 + i))"; done; } \
  >"$work/faulty.tdf"
run "render lists the trace's problems" 1 "$tool" render "$work/faulty.tdf" -o "$work/faulty.svg"
[ "$(grep -c ': error: unknown opcode' "$work/err")" -eq 12 ] || { last_ok=0; echo "FAIL $current: stderr"; }
[ "$(grep -c "faulty.tdf:[0-9]*: error: unknown opcode" "$work/faulty.svg")" -eq 10 ] ||
  { last_ok=0; echo "FAIL $current: the picture does not list the first ten"; }
grep -q '>and 2 more (tdftool check lists every problem)<' "$work/faulty.svg" ||
  { last_ok=0; echo "FAIL $current: the picture does not count the rest"; }
done_case

# The SVG picture shows the model, which holds the last trace: it says so.
{ cat "$examples/example.tdf"; echo NT; echo "SF 1 1"; echo NT; echo "SF 1 1"; } >"$work/three.tdf"
run "render names the traces it leaves out" 0 "$tool" render "$work/three.tdf" -o "$work/three.svg"
grep -q 'of the last of 3 traces in the file (an HTML page shows them all)' "$work/three.svg" ||
  { last_ok=0; echo "FAIL $current: the picture does not say it"; }
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
  has err "tdftool: error: cannot write standard output: No space left on device"
  done_case
done

stdout_to=/dev/full run "help on a full disk" 1 "$tool" --help
done_case

stdout_to=/dev/full run "render summary on a full disk" 1 "$tool" render "$examples/example.tdf" -o "$work/full.svg"
has err "tdftool: error: cannot write standard output: No space left on device"
grep -q '</svg>' "$work/full.svg" || { last_ok=0; echo "FAIL $current: picture not written"; }
done_case

run "a directory is no empty trace" 1 "$tool" check "$work" "$examples/example.tdf"
has err "tdftool: error: Can't read file \"$work\": Is a directory"
has out "example.tdf: 59 lines"
grep -q -F "$work:" "$work/out" && { last_ok=0; echo "FAIL $current: summary of the directory printed"; }
done_case

mkfifo "$work/pipe.svg"
run "render refuses a FIFO" 1 "$tool" render "$examples/example.tdf" -o "$work/pipe.svg"
has err "tdftool: error: cannot write $work/pipe.svg: it exists and is not a regular file"
[ -p "$work/pipe.svg" ] || { last_ok=0; echo "FAIL $current: the FIFO was replaced"; }
done_case

# A device of our own (a FIFO where devices can't be made), so that a
# failure replaces nothing outside the work directory.
mknod "$work/null" c 1 3 2>/dev/null || mkfifo "$work/null"
ln -s "$work/null" "$work/device.svg"
run "render refuses a link to a device" 1 "$tool" render "$examples/example.tdf" -o "$work/device.svg"
has err "tdftool: error: cannot write $work/device.svg: it exists and is not a regular file"
{ [ -L "$work/device.svg" ] && { [ -c "$work/null" ] || [ -p "$work/null" ]; }; } ||
  { last_ok=0; echo "FAIL $current: the device or its link was replaced"; }
done_case

ln -s "$work/trace.svg" "$work/link.svg"
run "render replaces the file behind a link" 0 "$tool" render --max-events 3 "$examples/example.tdf" -o "$work/link.svg"
[ -L "$work/link.svg" ] && grep -q 'Showing 3 of 29 events' "$work/trace.svg" ||
  { last_ok=0; echo "FAIL $current: the linked file was not replaced"; }
done_case

# Past the file size limit a write fails like one on a full disk, whether
# the signal that the limit sends is ignored by the caller or not.
"$generator" --seed 2 2000 >"$work/medium.tdf"
for disposition in ignored default; do
  (if [ "$disposition" = ignored ]; then trap '' XFSZ; else trap - XFSZ; fi
   ulimit -f 4
   run "render beyond the file size limit, signal $disposition" 1 "$tool" render "$examples/example.tdf" -o "$work/big.svg"
   has err "tdftool: error: cannot write $work/big.svg: File too large"
   [ -z "$(find "$work" -name 'big.svg*')" ] || { last_ok=0; echo "FAIL $current: a partial picture is left"; }
   done_case
   stdout_to=$work/big.tdf run "rewrite beyond the file size limit, signal $disposition" 1 "$tool" rewrite "$work/medium.tdf"
   has err "tdftool: error: cannot write standard output: File too large"
   done_case
   echo "$passed $failed" >"$work/counts")
  read -r passed failed <"$work/counts"
done

# A huge identification would make every DB line allocate gigabytes: the
# configuration is refused, and with it the run.
printf 'tcf = { name = "huge" id_length = 2000000000 }\n' >"$work/huge.tcf"
printf 'DB "huge"\nID 1\nED\n' >"$work/huge.tdf"
run "huge id length" 1 "$tool" check --tcf "$work/huge.tcf" "$work/huge.tdf"
has err "huge.tcf:1:23: error: tcf.id_length must be at most 9"
[ "$(lines_of out)" -eq 0 ] || { last_ok=0; echo "FAIL $current: the trace was read"; }
done_case

run "endless configuration file" 1 "$tool" check --tcf /dev/zero "$examples/example.tdf"
has err "tdftool: error: cannot read configuration file /dev/zero: it is larger than 64 MiB"
done_case

# Memory that runs out while a trace is read whole ends the run as an error,
# not as a crash; the streamed reading of the same trace fits. Where the
# tool can't start within the limit (a sanitizer's reserved memory), the
# case is skipped.
"$generator" --bounded --seed 1 2000000 >"$work/large.tdf"
(ulimit -v 200000
 if "$tool" --version >/dev/null 2>&1; then
   run "out of memory" 1 "$tool" check --whole-model "$work/large.tdf"
   has err "tdftool: error: out of memory"
   [ "$(lines_of err)" -eq 1 ] || { last_ok=0; echo "FAIL $current: not one line"; }
   done_case
   run "streamed within the same memory" 0 "$tool" check -q "$work/large.tdf"
   done_case
 else
   echo "SKIP out of memory: tdftool does not start within 200 MB"
 fi
 echo "$passed $failed" >"$work/counts")
read -r passed failed <"$work/counts"

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
has err "tdftool: error: cannot read configuration file -h"
done_case

# --option=value is the same option as --option value.
run "values after =" 0 "$tool" check --tcf="$data/reader.tcf" --tcf="$examples/default.tcf" "$examples/example.tdf"
has out "example.tdf: 59 lines, 29 objects"
done_case
run "render options after =" 0 "$tool" render --max-events=5 --time-format="%mms %uus" --from=0 --to=99999 \
  "$examples/example.tdf" -o "$work/joined.svg"
has out "5 of 29 events"
grep -q '>1ms' "$work/joined.svg" || { last_ok=0; echo "FAIL $current: times not formatted"; }
done_case

# A value given twice for an option that takes one is a usage error, not an
# override; --tcf may be repeated.
for twice in "-o|$work/b.svg" "--from|2" "--to|9" "--max-events|6" "--time-format|%m"; do
  option=${twice%%|*}
  run "$option given twice" 2 "$tool" render "$examples/example.tdf" -o "$work/twice.svg" --from 1 --to 5000 \
    --max-events 5 --time-format %v "$option" "${twice#*|}"
  has err "tdftool: error: $option may be given once only"
  [ ! -e "$work/twice.svg" ] && [ ! -e "$work/b.svg" ] || { last_ok=0; echo "FAIL $current: a picture was written"; }
  done_case
done

run "-v is no command" 2 "$tool" -v
has err "tdftool: error: unknown option -v; see tdftool --help"
done_case
run "-v after a command" 2 "$tool" check -v "$examples/example.tdf"
has err "tdftool: error: unknown option -v for check"
done_case

# --help is written from the option table: each option it lists is one the
# README tells, and it tells the HTML page as the README does.
run "help and README" 0 "$tool" --help
readme=$examples/../README.md
listed=$(sed -n 's/^  \(-[a-z], \)\{0,1\}\(-[-a-z]*\).*/\2/p' "$work/out")
[ "$(echo "$listed" | wc -l)" -ge 12 ] || { last_ok=0; echo "FAIL $current: options not found in the help"; }
for option in $listed; do
  grep -q -E -- "(^|[^-a-z])$option([^-a-z]|\$)" "$readme" || { last_ok=0; echo "FAIL $current: README lacks $option"; }
done
tr -s ' \n' '  ' <"$work/out" |
  grep -q -F "OUT.html is a page that holds the whole trace (--from, --to and --max-events don't apply to it)" ||
  { last_ok=0; echo "FAIL $current: the help does not tell which options the page obeys"; }
grep -q -i 'embed' "$work/out" && { last_ok=0; echo "FAIL $current: the page is said to embed the picture"; }
grep -q -F -- '`--from`, `--to` and `--max-events` apply to the SVG' "$readme" ||
  { last_ok=0; echo "FAIL $current: README does not tell which options the page obeys"; }
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
has err "<stdin>:20: error: definition block not found (SF)"
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

# Where both streams meet (a terminal, 2>&1), each trace's line follows its
# reports and the reading rate comes last.
both_streams() { "$@" 2>&1; }
run "check output in order" 1 both_streams "$tool" check --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" \
  "$data/context.tdf" "$examples/example.tdf"
sed -e 's/^.*context\.tdf:[0-9][0-9]*: .*/report/' -e 's/^.*: [0-9]* lines, .*/summary/' -e 's/^read .*/rate/' \
  "$work/out" | tr '\n' ' ' >"$work/order"
[ "$(cat "$work/order")" = "report report report summary summary rate " ] ||
  { last_ok=0; echo "FAIL $current: in the order $(cat "$work/order")"; }
done_case

# on_terminal COMMAND...: runs the command with its standard error on a
# terminal and prints what the terminal showed.
on_terminal() {
  python3 -c '
import os, pty, subprocess, sys
terminal, child_side = pty.openpty()
child = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=child_side)
os.close(child_side)
shown = b""
while True:
    try:
        chunk = os.read(terminal, 65536)
    except OSError:
        break
    if not chunk:
        break
    shown += chunk
sys.stdout.buffer.write(shown)
sys.exit(child.wait())
' "$@"
}

# A terminal shows the progress of a long reading, except with -q.
run "progress on a terminal" 0 on_terminal "$tool" check "$work/large.tdf"
has out "large.tdf: "
has out "%"
done_case
run "no progress with -q" 0 on_terminal "$tool" check -q "$work/large.tdf"
[ "$(wc -c <"$work/out")" -eq 0 ] || { last_ok=0; echo "FAIL $current: the terminal showed $(tr '\r' '\n' <"$work/out" | tail -n 1)"; }
done_case

run "quiet check of clean traces" 0 "$tool" check -q "$examples/example.tdf" "$examples/example.tdf"
[ "$(lines_of out)" -eq 0 ] && [ "$(lines_of err)" -eq 0 ] || { last_ok=0; echo "FAIL $current: output printed"; }
done_case

run "quiet check names the failing trace" 1 "$tool" check -q --tcf "$data/reader.tcf" --tcf "$examples/default.tcf" \
  "$examples/example.tdf" "$data/context.tdf"
has out "context.tdf: 24 lines"
has err "context.tdf:20: error: definition block not found (SF)"
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
# The text form names no file for a trace that can't be opened or read
# (the report is about the whole trace); JSON gives the trace as its file.
json_diagnostics_as_text() {
  python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    trace = json.loads(line)
    for d in trace["diagnostics"]:
        # A report about a trace as a whole names no file in the text form.
        whole = d["file"] is None or (d["file"] == trace["trace"] and d["line"] is None)
        where = "tdftool" if whole else d["file"]
        where += "".join(":" + str(d[k]) for k in ("line", "column") if d[k] is not None)
        print(where + ": " + d["severity"] + ": " + d["message"].rstrip("\n"))
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
keys = {"version", "trace", "complete", "lines", "objects", "blocks", "errors", "warnings", "diagnostics"}
assert all(set(t) == keys for t in traces), traces
assert [t["complete"] for t in traces] == [True, True, False, False, True], traces
# The reports of a trace that could not be opened or read name it.
for t in traces[2:4]:
    assert [d["file"] for d in t["diagnostics"]] == [t["trace"]], t
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

# Files of two traces (NT); the first one's instance is freed at NT.
{ printf 'DB "default"\nID 1\nIN "Task" 1 "A"\nMS 10 "m"\nED\n'
  printf 'SF 1 1\nTM 58\nNI 1 4\nLS 2\nLS 3\nLE\nLE\nNT\nSF 1 1\nNI 1 5\nDA\nDA\n'; } >"$work/two_traces.tdf"
printf 'TM 58\nDA\nNT\n' >"$work/empty_last_trace.tdf"

# The JSON document holds the facts the text form prints.
for trace in "$examples/example.tdf" "$data/full.tdf" "$data/context.tdf" "$work/two_traces.tdf" \
  "$work/empty_last_trace.tdf"; do
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
traces = re.findall("^traces: (.*)$", text, re.M)
assert traces == (["%d (figures of the last)" % s["traces"]] if s["traces"] > 1 else []), traces
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
last = t["last"]["text"] if t["last"] is not None else "(none)"
if t["first"] is not None:
    assert field("times") == "first %s, last %s, min %s" % (t["first"]["text"], last, t["min"]["text"])
else:
    assert field("times") == "last %s (no TM record)" % last
' "$work/out" "$work/stats_text" || { last_ok=0; echo "FAIL $current: differs from the text form"; }
  done_case
done

# A trace that can't be opened or read still gives its JSON document, which
# says that it is not complete.
for unreadable in "$work/none.tdf" "$work"; do
  run "stats JSON of the unreadable $(basename "$unreadable")" 1 "$tool" stats --json "$unreadable"
  has err "Can't "
  python3 -c '
import json, sys
s = json.loads(open(sys.argv[1], encoding="utf-8").read())
assert (s["trace"], s["complete"], s["lines"], s["errors"]) == (sys.argv[2], False, 0, 1), s
assert s["times"]["last"] is None and s["instances"] == {"total": 0, "listed": []}, s
' "$work/out" "$unreadable" || { last_ok=0; echo "FAIL $current: $(cat "$work/out")"; }
  done_case
done

# Every JSON document opens with the version of the tool and of the
# documents' form.
run "JSON versions" 0 "$tool" --version
tool_version=$(sed 's/^tdftool //' "$work/out")
done_case
for command in check stats; do
  run "$command JSON version" 0 "$tool" "$command" --json "$examples/example.tdf"
  python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    pairs = json.loads(line, object_pairs_hook=lambda pairs: pairs)
    assert pairs[0] == ("version", [("tool", sys.argv[2]), ("schema", 2)]), pairs[0]
' "$work/out" "$tool_version" || { last_ok=0; echo "FAIL $current: $(head -c 200 "$work/out")"; }
  done_case
done

# Counts that a JavaScript number can't hold exactly (above 2^53) are
# strings of their digits; 2^53 itself is a number.
printf 'TM 2097152 0\nDA\nTM 4294967295 4294967295\nDA\n' >"$work/huge_times.tdf"
run "stats JSON of times beyond 2^53" 0 "$tool" stats --json "$work/huge_times.tdf"
python3 -c '
import json, sys
t = json.loads(open(sys.argv[1], encoding="utf-8").read())["times"]
assert t["first"]["count"] == 9007199254740992 and t["min"]["count"] == 9007199254740992, t
assert t["last"]["count"] == "18446744073709551615", t
' "$work/out" || { last_ok=0; echo "FAIL $current: $(cat "$work/out")"; }
done_case

# "last" is the time of the trace's last event, not the largest time: the
# message at 20 after an instance at 50, whose note was read at 10.
printf 'DB "default"\nID 1\nIN "Task" 1 "A"\nMS 10 "m"\nED\nSF 1 1\nTM 50\nNI 1 4\nTM 10\nNO "n"\nTM 20\nME 10 4\n' \
  >"$work/last_time.tdf"
for mode in "" --whole-model; do
  run "stats last time $mode" 0 "$tool" stats $mode "$work/last_time.tdf"
  has out "times: first 50, last 20, min 10"
  done_case
done

# A file of two traces: stats tells the last one, in both readings and
# forms. The first trace's loops and times are gone with it, and the second
# trace's instance, which may take the memory of the first one's, is listed
# all the same.
for mode in "" --whole-model; do
  run "stats of the last of two traces $mode" 0 "$tool" stats $mode "$work/two_traces.tdf"
  grep -A1 '^lines: 17$' "$work/out" | grep -q -x 'traces: 2 (figures of the last)' ||
    { last_ok=0; echo "FAIL $current: no traces line after the lines"; }
  has out "loops: 0 (nested 0 deep at most)"
  has out "instances: 1"
  has out "  5          A (Task) deleted"
  has out "times: last 0 (no TM record)"
  done_case
  run "stats JSON of the last of two traces $mode" 0 "$tool" stats --json $mode "$work/two_traces.tdf"
  python3 -c '
import json, sys
s = json.loads(open(sys.argv[1], encoding="utf-8").read())
assert (s["lines"], s["traces"], s["loops"]["max_depth"]) == (17, 2, 0), s
assert [i["id"] for i in s["instances"]["listed"]] == [5], s["instances"]
' "$work/out" || { last_ok=0; echo "FAIL $current: $(cat "$work/out")"; }
  done_case
  run "stats of an empty last trace $mode" 0 "$tool" stats $mode "$work/empty_last_trace.tdf"
  has out "times: last (none) (no TM record)"
  done_case
  run "stats JSON of an empty last trace $mode" 0 "$tool" stats --json $mode "$work/empty_last_trace.tdf"
  python3 -c '
import json, sys
s = json.loads(open(sys.argv[1], encoding="utf-8").read())
assert s["traces"] == 2 and s["times"]["last"] is None, s
' "$work/out" || { last_ok=0; echo "FAIL $current: $(cat "$work/out")"; }
  done_case
done

stdout_to=/dev/full run "check JSON on a full disk" 1 "$tool" check --json "$examples/example.tdf"
has err "tdftool: error: cannot write standard output: No space left on device"
done_case

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
