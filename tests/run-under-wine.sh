#!/bin/sh
# Runs one test program under Wine with its output going to a file first. A process the test
# starts may outlive it (the console host Wine starts for a console program, say) and would keep
# CTest's output pipe open, so that CTest waits for it until the test's timeout; a file it may keep.
log=$(mktemp "${TMPDIR:-/tmp}/purgalot-test.XXXXXX") || exit 1
wine "$@" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc
