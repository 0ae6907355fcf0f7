#!/usr/bin/env bash
# tdftool reads a trace in streaming mode unless --whole-model is given; the
# two readings must print the same, byte for byte, for check, stats and
# rewrite. Runs over every test trace and over generated traces of each
# kind the generator makes, and stats over files of several traces (NT)
# with each test configuration and the built-in one. GENERATED_LINES
# (30000 unless given) is the length of each generated trace.
#   streaming_equivalence.sh TDFTOOL TRACE_GENERATOR EXAMPLES_DIR TEST_DATA_DIR [GENERATED_LINES]
set -u
tool=$1
generator=$2
examples=$3
data=$4
generated_lines=${5:-30000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

traces=("$examples"/*.tdf "$data"/*.tdf)
for kind in mixed messages bounded; do
  for seed in 1 2 3; do
    flag=
    [ "$kind" = messages ] && flag=--messages
    [ "$kind" = bounded ] && flag=--bounded
    "$generator" $flag --seed "$seed" "$generated_lines" >"$work/$kind-$seed.tdf" || { echo "FAIL generator $kind $seed"; exit 1; }
    traces+=("$work/$kind-$seed.tdf")
  done
done

# Files of several traces. The reader frees the first trace's objects at
# NT, and the next trace's may take their memory.
{ cat "$work/mixed-1.tdf"; printf '\nNT\n'; cat "$work/messages-2.tdf"; } >"$work/nt-generated.tdf"
{ cat "$examples/example.tdf"; printf '\nNT\n'; cat "$data/view.tdf"; printf '\nNT\n'; cat "$examples/example.tdf"; } \
  >"$work/nt-examples.tdf"
{ printf 'DB "default"\nID 1\nIN "Task" 1 "A"\nMS 10 "m"\nED\n'
  printf 'SF 1 1\nNI 1 4\nNT\nSF 1 1\nNI 1 5\nDA\nDA\n'; } >"$work/nt-deleted.tdf"
printf 'TM 58\nDA\nNT\n' >"$work/nt-empty-last.tdf"
several_traces=("$data/full.tdf" "$work"/nt-*.tdf)

# outcome MODE COMMAND...: stdout, stderr and exit status of one reading;
# check's reading-rate line (on stderr) says how fast, which differs run to
# run.
outcome() {
  local mode=$1
  shift
  "$tool" "$@" $mode >"$work/out" 2>"$work/err" </dev/null
  echo "exit $?"
  cat "$work/out"
  echo "-- stderr"
  grep -v '^read [0-9]* lines' "$work/err"
}

failed=0
compared=0
# compare TRACE COMMAND [OPTION...]: one command read both ways.
compare() {
  local trace=$1 command=$2
  shift 2
  # shellcheck disable=SC2086
  outcome "" $command "$@" "$trace" >"$work/streamed"
  # shellcheck disable=SC2086
  outcome --whole-model $command "$@" "$trace" >"$work/whole"
  compared=$((compared + 1))
  if ! cmp -s "$work/streamed" "$work/whole"; then
    failed=$((failed + 1))
    echo "FAIL $command $* $(basename "$trace"): streaming and whole model differ"
    diff "$work/whole" "$work/streamed" | head -n 10
  fi
}

for trace in "${traces[@]}"; do
  configuration=()
  case $trace in
    "$data"/*) configuration=(--tcf "$data/reader.tcf" --tcf "$data/round_trip.tcf" --tcf "$examples/default.tcf") ;;
  esac
  for command in "check" "stats" "stats --time-format %Hh%Mmn%ss%mms" "stats --json" "rewrite" "rewrite --times"; do
    compare "$trace" "$command" "${configuration[@]}"
  done
done

for trace in "${several_traces[@]}"; do
  for tcf in "" "$data"/*.tcf all; do
    case $tcf in
      "") configuration=() ;;
      all) configuration=(--tcf "$data/reader.tcf" --tcf "$data/round_trip.tcf" --tcf "$examples/default.tcf") ;;
      *) configuration=(--tcf "$tcf") ;;
    esac
    for command in "stats" "stats --json" "stats --json --time-format %Hh%Mmn%ss%mms"; do
      compare "$trace" "$command" "${configuration[@]}"
    done
  done
done
echo "$compared readings compared, $failed differ"
[ "$failed" -eq 0 ]
