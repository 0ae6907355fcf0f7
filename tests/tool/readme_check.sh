#!/usr/bin/env bash
# Keeps the README's account of fuzzing in step with the build: its table
# has a row for every fuzz target, and the smoke run it tells of is as long
# as the one .ci/run makes.
#   readme_check.sh SOURCE_DIR
set -u
source_dir=$1
readme=$source_dir/README.md
failed=0
fail() {
  echo "FAIL $*"
  failed=1
}

targets=$(sed -n 's/^tdf_fuzzer(\([a-z_]*\).*/\1/p' "$source_dir/fuzz/CMakeLists.txt")
[ -n "$targets" ] || fail "no fuzz target found in fuzz/CMakeLists.txt"
for target in $targets; do
  grep -q "^| \`$target\` |" "$readme" || fail "the README's fuzz table has no row for $target"
done

seconds=$(sed -n 's/.*FUZZ_SMOKE_SECONDS:-\([0-9]*\)}.*/\1/p' "$source_dir/.ci/run")
[ -n "$seconds" ] || fail "no smoke-run length found in .ci/run"
tr -s ' \n' '  ' <"$readme" | grep -q "a $seconds-second smoke run of every target" ||
  fail "the README does not tell the $seconds-second smoke run of .ci/run"

[ "$failed" -eq 0 ] && echo "README: $(echo $targets | wc -w) fuzz targets, ${seconds}-second smoke run"
exit "$failed"
