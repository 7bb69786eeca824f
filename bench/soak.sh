#!/usr/bin/env bash
# Starts the navigator and ends it as the desktop session does (SIGTERM), again and again, under
# one Xvfb server. Every run must end with status 0 and save the settings (the backup appears).
# The signal comes at a varying moment: right after the start-up split, or while the page loads.
# Usage: bench/soak.sh [path/to/kuokuonavi] [runs]   Prints each abnormal end and the count.
set -u
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
navigator=$(realpath "${1:-$top/build/src/app/kuokuonavi}")
runs=${2:-50}

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$navigator" "$runs"
fi

abnormal=0
for ((run = 1; run <= runs; run++)); do
    folder=$(mktemp -d)
    cp "$navigator" "$folder/" # a fresh program folder next to a copy of the program
    "$folder/kuokuonavi" >"$folder/out.log" 2>&1 &
    pid=$!
    # Wait for the start-up split, then a varying part of a second.
    for ((i = 0; i < 200; i++)); do [ -e "$folder/rad.rtp" ] && break; sleep 0.05; done
    sleep "0.$((run * 37 % 100))"
    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    status=$?
    if [ "$status" -ne 0 ] || [ ! -e "$folder/kuekuenavi.bak" ]; then
        abnormal=$((abnormal + 1))
        echo "run $run: status $status, backup $([ -e "$folder/kuekuenavi.bak" ] && echo yes || echo no)"
        tail -n 5 "$folder/out.log" | sed 's/^/    /'
    fi
    rm -rf "$folder"
done
echo "soak: $abnormal abnormal end(s) in $runs runs"
[ "$abnormal" -eq 0 ]
