#!/usr/bin/env bash
# Renders the example trace as an HTML page and has headless Chromium show
# it: the page must load, its script must run without an error, and the
# screenshot must show a picture. Skipped (77) when Chromium is absent.
#   render_browser_test.sh TDFTOOL EXAMPLES_DIR
set -u
tool=$1
examples=$2
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "SKIP: chromium is not installed (scripts/setup installs it)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

"$tool" render "$examples/example.tdf" -o "$work/trace.html" >/dev/null || fail "tdftool render failed"

# Chromium wants a home and a profile it can write. The page decodes its
# data a column at a time after it has loaded: the virtual time budget lets
# those steps run before the picture is taken.
export HOME=$work
flags=(--headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$work/profile"
       --enable-logging=stderr --v=0 --virtual-time-budget=10000)

timeout 120 "$browser" "${flags[@]}" --screenshot="$work/trace.png" --window-size=1100,900 \
  "file://$work/trace.html" >"$work/screenshot.log" 2>&1
[ -s "$work/trace.png" ] || { cat "$work/screenshot.log"; fail "no screenshot"; }
# A blank page of that size compresses to a few kilobytes; the diagram does not.
size=$(wc -c <"$work/trace.png")
[ "$size" -gt 20000 ] || fail "the screenshot is only $size bytes: nothing drawn?"
grep -q 'Uncaught' "$work/screenshot.log" && { grep 'CONSOLE' "$work/screenshot.log"; fail "script error"; }

# The script marks the page once it has drawn and set zoom and panning up;
# the sticky titles are elements it places.
timeout 120 "$browser" "${flags[@]}" --dump-dom "file://$work/trace.html" >"$work/dom.html" 2>"$work/dom.log"
grep -q 'Uncaught' "$work/dom.log" && { grep 'CONSOLE' "$work/dom.log"; fail "script error"; }
grep -q 'data-ready="yes"' "$work/dom.html" || { grep 'CONSOLE' "$work/dom.log"; fail "the page script did not run"; }
grep -q '<canvas id="diagram"' "$work/dom.html" || fail "no canvas in the page"
grep -q 'class="title"' "$work/dom.html" || fail "no instance titles placed"
grep -q 'class="time"' "$work/dom.html" || fail "no times on the axis"
echo "browser shows the page: screenshot of $size bytes"
