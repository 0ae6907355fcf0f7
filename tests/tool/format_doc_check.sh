#!/usr/bin/env bash
# Keeps docs/tdf-format.md in step with the reader: every opcode the reader
# dispatches has a heading, every statement handler names its form, every
# diagnostic the reader reports is quoted, and the worked example reads
# without errors or warnings.
#   format_doc_check.sh SOURCE_DIR TDFTOOL
set -u
source_dir=$1
tool=$2
doc=$source_dir/docs/tdf-format.md
trace=$source_dir/trace
failed=0
fail() {
  echo "FAIL $*"
  failed=1
}

# Markdown wraps long quotes: the document is searched with its white space
# runs made single spaces.
flat_doc=$(tr -s ' \n' '  ' <"$doc")

# The two-letter opcodes of the dispatch, each needing a "### " heading that
# names it.
opcodes=$(perl -0ne 'print "$1$2\n" while /opcode\('"'"'(.)'"'"', '"'"'(.)'"'"'\)/g' "$trace/tdf.cpp" | grep -v '^td$' | sort -u)
[ -n "$opcodes" ] || fail "no opcode found in the dispatch"
for op in $opcodes; do
  grep -Eq "^### (.*[ ,])?$op([ ,]|$)" "$doc" || fail "opcode $op has no heading"
done
# tdp header lines are dispatched by their first letters.
grep -q '`tdp`' "$doc" || fail "the tdp header line is not described"

# Each handler's definition is preceded by a comment block whose first line
# gives the statement's form, opening with its opcode.
handlers=0
while IFS= read -r line; do
  case $line in
    ok\ *) handlers=$((handlers + 1)) ;;
    *) fail "$line" ;;
  esac
done < <(perl -ne '
  if (m{^//}) {
    $first = $_ unless $inComment;
    $inComment = 1;
    next;
  }
  if (/^\S.*\bTDF::read([A-Z]{2})\(/) {
    print $inComment && $first =~ m{^// $1\b} ? "ok $1\n" : "handler read$1 in $ARGV gives no form\n";
  }
  $inComment = 0;
' "$trace"/tdf_read_*.cpp)
[ "$handlers" -ge 30 ] || fail "only $handlers statement handlers found"

# The diagnostics: the texts given to reportError and invalidateBlock, and
# the translated texts of the reader's message contexts (a trailing line
# feed is left out of the document's quotes).
messages=$(perl -0ne '
  while (/(?:reportError|invalidateBlock)\(\s*"((?:[^"\\]|\\.)*)"/g) { print "$1\n" }
  while (/(?:translate|QT_TRANSLATE_NOOP)\(\s*"(?:Error|Warning|Internal Error|Load TDF)",\s*"((?:[^"\\]|\\.)*)"/g) { print "$1\n" }
' "$trace/tdf.cpp" "$trace/tdf_lexer.cpp" "$trace"/tdf_read_*.cpp | sed -e 's/\\n$//' -e 's/\\"/"/g' | sort -u)
count=0
while IFS= read -r message; do
  count=$((count + 1))
  [[ "$flat_doc" == *"$message"* ]] || fail "diagnostic not documented: $message"
done <<<"$messages"
[ "$count" -ge 80 ] || fail "only $count diagnostics found in the reader"

# The worked example is the first fenced block of its section.
example=$(mktemp --suffix=.tdf)
trap 'rm -f "$example"' EXIT
sed -n '/^## Worked example/,$p' "$doc" | sed -n '/^```/,/^```/p' | sed '1d;$d' >"$example"
[ -s "$example" ] || fail "no worked example"
result=$("$tool" check --tcf "$source_dir/examples/default.tcf" "$example" 2>&1)
status=$?
[ "$status" -eq 0 ] && [[ "$result" == *", 0 errors, 0 warnings"* ]] ||
  fail "the worked example does not read cleanly: $result"

[ "$failed" -eq 0 ] && echo "docs/tdf-format.md matches the reader ($count diagnostics)"
exit "$failed"
