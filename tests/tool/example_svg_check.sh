#!/usr/bin/env bash
# docs/example-trace.svg, the picture the README shows, is what tdftool
# draws of the example now: the README's command, run in the source tree,
# writes it into the build tree and the two must be the same.
#   example_svg_check.sh TDFTOOL SOURCE_DIR OUTPUT
set -u
tool=$1
output=$3
cd "$2" || exit 1
"$tool" render examples/example.tdf -o "$output" >/dev/null || { echo "FAIL tdftool render failed"; exit 1; }
if ! cmp -s docs/example-trace.svg "$output"; then
  echo "FAIL docs/example-trace.svg is not what tdftool draws now; to renew it, in the source tree:"
  echo "    build/tools/tdftool render examples/example.tdf -o docs/example-trace.svg"
  diff docs/example-trace.svg "$output" | head -n 20
  exit 1
fi
echo "docs/example-trace.svg is up to date"
