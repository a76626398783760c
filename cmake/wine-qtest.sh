#!/bin/sh
# Runs a QtTest program under Wine and prints its log: the log Qt writes to standard output does not reach a pipe
# under Wine, so it goes to a file in the current folder (the test's build folder), read back in UTF-8.
exe=$1
shift
log=$(basename "$exe" .exe).log
rm -f "$log"
wine "$exe" "$@" -o "$log,txt"
status=$?
[ -f "$log" ] && iconv -f CP1251 -t UTF-8 "$log"
exit $status
