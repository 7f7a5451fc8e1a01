#!/usr/bin/env bash
# Compares two sets of logs made by record_run_logs.sh: in order, leaving out
# the lines of the parallel package workers (whose order varies from run to
# run), and as a whole, in any order. Usage: compare_run_logs.sh OLD_DIR NEW_DIR
set -uo pipefail
differ=0
sequential() { grep -vE '\.zip|Downloads/|ZBT-ID\.tmp|falling back to http$' "$1"; }
for run in install update uninstall; do
    old=$1/$run.log
    new=$2/$run.log
    echo "== $run: $(wc -l <"$old") and $(wc -l <"$new") lines"
    if diff <(sequential "$old") <(sequential "$new"); then
        echo "   in order, without the package workers' lines: identical"
    else
        differ=1
    fi
    if diff <(sort "$old") <(sort "$new") >/dev/null; then
        echo "   all lines, in any order: identical"
    else
        echo "   all lines, in any order: differ"
        differ=1
    fi
done
exit $differ
