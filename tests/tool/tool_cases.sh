# The cases of the tool tests: each runs a command and checks its exit
# status and output. Sourced by a test script that has set $work.

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

