#!/usr/bin/env bash
# Generates the API reference with Doxygen, as the docs target does, and
# fails when a public class or struct of the installed headers has no
# comment, or when Doxygen reports any problem other than an undocumented
# member (members are not checked: many speak for themselves). Exit 77
# (skipped) without doxygen.
#   api_reference_check.sh DOXYGEN DOXYFILE
set -u
doxygen=$1
doxyfile=$2
if [ ! -x "$doxygen" ] || [ ! -f "$doxyfile" ]; then
  echo "skipped: no doxygen"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

{ cat "$doxyfile"; echo "OUTPUT_DIRECTORY = $work"; echo "WARN_LOGFILE = $work/warnings.log"; } |
  "$doxygen" - >"$work/doxygen.out" 2>&1 || { echo "FAIL doxygen: $(cat "$work/doxygen.out")"; exit 1; }
[ -f "$work/html/index.html" ] || { echo "FAIL doxygen wrote no html/index.html"; exit 1; }

failed=0
undocumented=$(grep -E 'warning: Compound .* is not documented' "$work/warnings.log")
if [ -n "$undocumented" ]; then
  echo "FAIL public classes without a comment:"
  echo "$undocumented"
  failed=1
fi
others=$(grep -E 'warning:' "$work/warnings.log" | grep -vE 'warning: (Compound|Member) .* is not documented')
if [ -n "$others" ]; then
  echo "FAIL Doxygen reports:"
  echo "$others"
  failed=1
fi
classes=$(find "$work/html" -name 'class*.html' ! -name '*-members.html' | wc -l)
[ "$classes" -ge 40 ] || { echo "FAIL only $classes classes in the reference"; failed=1; }
[ "$failed" -eq 0 ] && echo "API reference: $classes classes, each with a comment"
exit "$failed"
