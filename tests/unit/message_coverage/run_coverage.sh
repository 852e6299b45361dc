#!/usr/bin/env bash
# Runs the unit-test programs given after CHECK with the record of raised
# messages on, then CHECK (the coverage test) over that record.
#
#   run_coverage.sh CHECK UNIT_TEST_PROGRAM...
set -u
check=$1
shift
record=$(mktemp)
trap 'rm -f "$record"' EXIT
for program in "$@"; do
    # A failing program is reported by its own tests; what it raised counts.
    KORVEX_RAISED_MESSAGES=$record "$program" --gtest_brief=1 > /dev/null 2>&1 ||
        echo "note: $program failed while recording raised messages" >&2
done
KORVEX_RAISED_MESSAGES_RECORD=$record "$check"
