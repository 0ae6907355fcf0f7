#!/usr/bin/env bash
# dcphost end to end: loads the built plug-in and produces, opens and exports
# reports from the bundled examples.
# Usage: dcphost_test.sh DCPHOST EXAMPLES_DIR
set -uo pipefail

dcphost=$1
examples=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
export QT_QPA_PLATFORM=offscreen
# As in a console without a login session: Qt wants a runtime directory.
unset XDG_RUNTIME_DIR

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

tio=$examples/dataco/sensor.tio
fdc=$examples/dataco/sensor.fdc

# The README's example: a silent merge into indexDATACOreport.html.
"$dcphost" "$tio" "$fdc" >out.txt 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "plain run exited with $status: $(cat err.txt)"
[ ! -s err.txt ] || fail "plain run wrote on standard error: $(cat err.txt)"
# The plug-in traces the opened paths on standard output with no separator,
# so the echo line ends the first line rather than making one of its own.
grep -qF "mergedataco.pl $tio $fdc -report=\"indexDATACOreport.html\"" out.txt || fail "no echo line: $(cat out.txt)"
grep -qF '<h2 id="file1">'"$tio"'</h2>' indexDATACOreport.html || fail "report lacks $tio"
grep -qF 'value &lt; limit &amp;&amp; valid' indexDATACOreport.html || fail "report content is not escaped"

# Displayed for a node with configuration, then exported.
mkdir exported
"$dcphost" --display --node sensor --config kvr_entrypoints=main,init --config 'dcp_template=my template' \
    --export exported copy "$tio" "$fdc" >out.txt 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "node run exited with $status: $(cat err.txt)"
grep -qF "mergedataco.pl $tio $fdc -report=\"sensor.DATACOreport.html\" -dcp_template=\"my template\" -entrypoints=main,init" out.txt \
    || fail "node run echo: $(cat out.txt)"
grep -qxF "mergedataco.pl: wrote sensor.DATACOreport.html (2 files)" out.txt || fail "no progress: $(cat out.txt)"
cmp -s sensor.DATACOreport.html exported/copy.html || fail "export differs from the report"
# The plug-in traces the export's path with no line feed; the output still
# ends with one.
[ "$(tail -n 1 out.txt)" = "exported/copy.html" ] && [ -z "$(tail -c 1 out.txt)" ] ||
    fail "the output does not end with the export's path and a line feed: $(tail -c 40 out.txt | od -c | head -n 3)"
grep -qF '<p>Entry points: main,init</p>' exported/copy.html || fail "entry points not in the report"

# A node named by a path has its report in the current directory all the same.
mkdir -p nested/deeper
(cd nested/deeper && "$dcphost" --display --node ../../x "$tio" "$fdc" >"$work/out.txt" 2>"$work/err.txt")
status=$?
[ "$status" -eq 0 ] || fail "a node named ../../x exited with $status: $(cat err.txt)"
grep -qxF "mergedataco.pl: wrote .._.._x.DATACOreport.html (2 files)" out.txt || fail "../../x: $(cat out.txt)"
[ -f nested/deeper/.._.._x.DATACOreport.html ] || fail "no report for the node ../../x in the current directory"
[ ! -e x.DATACOreport.html ] || fail "the report of the node ../../x is outside the current directory"

# Opening a report without an opener: the message box goes to standard error.
PATH=$work/nothing "$dcphost" --display report.dcp.html >out.txt 2>err.txt
status=$?
[ "$status" -eq 1 ] || fail "missing opener exited with $status"
grep -qF "Help Module Error: xdg-open report.dcp.html" err.txt || fail "no message: $(cat err.txt)"
! grep -qF XDG_RUNTIME_DIR err.txt || fail "missing opener: $(cat err.txt)"

# Files that give the plug-in nothing to do: it does nothing, and dcphost
# says so; the traced paths end with a line feed.
rm -f indexDATACOreport.html
for files in "$fdc" "$tio" "report.dcp.html"; do
    "$dcphost" "$files" >out.txt 2>err.txt
    status=$?
    [ "$status" -eq 0 ] || fail "$files alone exited with $status"
    grep -qxF "dcphost: warning: nothing to merge or open: *.tio and *.fdc files (at least one of each) are merged, one *.dcp.html report is opened with --display" err.txt ||
        fail "$files alone: $(cat err.txt)"
    printf '%s\n' "$files" | cmp -s - out.txt || fail "$files alone printed: $(cat out.txt)"
done
[ ! -e indexDATACOreport.html ] || fail "a report was written from nothing"

# An export with no report, and a failing script, are errors.
"$dcphost" --export exported none >out.txt 2>err.txt
[ $? -eq 1 ] || fail "export without a report did not fail"
[ ! -e exported/none.html ] || fail "export without a report wrote a file"
"$dcphost" missing.tio "$fdc" >out.txt 2>err.txt
[ $? -eq 1 ] || fail "unreadable input did not fail"
grep -qF "mergedataco.pl: cannot read missing.tio" err.txt || fail "unreadable input not reported: $(cat err.txt)"

# A script that cannot be started, or that fails without a word, is an error.
PATH=$work/nothing "$dcphost" "$tio" "$fdc" >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a missing perl did not fail"
grep -qF "Unable to run perl " err.txt || fail "a missing perl is not reported: $(cat err.txt)"
mkdir failing
printf 'print STDERR "runtime=", $ENV{XDG_RUNTIME_DIR} // "unset", "\\n";\nexit 4;\n' >failing/mergedataco.pl
"$dcphost" --script-dir failing "$tio" "$fdc" >out.txt 2>err.txt
[ $? -eq 1 ] || fail "a failing script did not fail"
printf 'runtime=unset\nmergedataco.pl ended with exit status 4\n' | cmp -s - err.txt \
    || fail "a failing script is not reported, or its environment is not the host's: $(cat err.txt)"

# Input files whose names begin with '-' follow --.
printf 'x\n' >./-entrypoints=x.tio
"$dcphost" -- -entrypoints=x.tio "$fdc" >out.txt 2>err.txt
[ $? -eq 0 ] || fail "-entrypoints=x.tio: $(cat err.txt)"
grep -qF '<h2 id="file1">./-entrypoints=x.tio</h2>' indexDATACOreport.html || fail "report lacks -entrypoints=x.tio"

# A value also follows its option after =; an option that takes one value
# given twice is a usage error, --config may be repeated.
"$dcphost" --node=sensor --config=kvr_entrypoints=a,b --config dcp_template=t --display "$tio" "$fdc" >out.txt 2>err.txt
[ $? -eq 0 ] || fail "values after =: $(cat err.txt)"
grep -qF -- '-report="sensor.DATACOreport.html" -dcp_template="t" -entrypoints=a,b' out.txt || fail "values after =: $(cat out.txt)"
for twice in "--node a --node b" "--library x --library=y" "--script-dir x --script-dir y" "--export a b --export c d"; do
    # shellcheck disable=SC2086
    "$dcphost" $twice "$tio" "$fdc" >out.txt 2>err.txt
    [ $? -eq 2 ] && grep -qxF "dcphost: error: ${twice%% *} may be given once only" err.txt || fail "$twice: $(cat err.txt)"
done
"$dcphost" --export=exported copy >/dev/null 2>err.txt
[ $? -eq 2 ] && grep -qxF "dcphost: error: --export takes its 2 values as separate arguments" err.txt || fail "--export=: $(cat err.txt)"
"$dcphost" -v >/dev/null 2>err.txt
[ $? -eq 2 ] && grep -qxF "dcphost: error: unknown option -v" err.txt || fail "-v: $(cat err.txt)"

# Usage errors and a library that is no plug-in.
"$dcphost" >/dev/null 2>&1
[ $? -eq 2 ] || fail "no arguments is not a usage error"
"$dcphost" --config a=b "$tio" >/dev/null 2>&1
[ $? -eq 2 ] || fail "--config without --node is not a usage error"
"$dcphost" --export onlydir >/dev/null 2>&1
[ $? -eq 2 ] || fail "--export with one value is not a usage error"
"$dcphost" --library "$work/none.so" "$tio" >/dev/null 2>err.txt
[ $? -eq 1 ] || fail "a missing library is not an error"
"$dcphost" --help | grep -q -- "--export DIR NAME" || fail "--help"

# Help and usage errors need no application object: not even a platform.
QT_QPA_PLATFORM=no-such-platform "$dcphost" --help >help.txt 2>err.txt
[ $? -eq 0 ] || fail "--help without a platform: $(cat err.txt)"
[ ! -s err.txt ] || fail "--help wrote on standard error: $(cat err.txt)"
[ -z "$(tail -c 1 help.txt)" ] || fail "--help does not end with a line feed"
grep -qE '^  --  +End of options' help.txt || fail "--help does not tell --"

QT_QPA_PLATFORM=no-such-platform "$dcphost" --version >version.txt 2>err.txt
[ $? -eq 0 ] || fail "--version: $(cat err.txt)"
grep -qxE 'dcphost [0-9]+(\.[0-9]+)+' version.txt || fail "--version printed: $(cat version.txt)"
QT_QPA_PLATFORM=no-such-platform "$dcphost" >out.txt 2>err.txt
[ $? -eq 2 ] || fail "a usage error without a platform exited otherwise"
echo "dcphost: error: no files to open (try --help)" | cmp -s - err.txt || fail "usage error: $(cat err.txt)"

# Standard output that cannot be written is an error.
"$dcphost" --help >/dev/full 2>err.txt
[ $? -eq 1 ] || fail "--help into a full disk did not fail"
grep -qF "dcphost: error: cannot write standard output" err.txt || fail "--help into a full disk: $(cat err.txt)"
"$dcphost" "$tio" "$fdc" >/dev/full 2>err.txt
[ $? -eq 1 ] || fail "a run into a full disk did not fail"
grep -qF "dcphost: error: cannot write standard output" err.txt || fail "a run into a full disk: $(cat err.txt)"

[ "$failures" -eq 0 ] && echo "dcphost: all checks passed"
exit $((failures > 0))
