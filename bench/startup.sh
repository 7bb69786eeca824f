#!/usr/bin/env bash
# Start-up time of the navigator, as a user sees it: from launching kuokuonavi to the first
# screen on which the window is drawn, and to the first on which the start page is painted (the
# page's orange header is on screen). Each run starts a fresh copy in an empty program folder,
# so the content is written out as on a first start. Prints the medians and, last, the ratio of
# the page time to the window time (what the web engine adds to a bare window).
#
#   bench/startup.sh [path/to/kuokuonavi] [runs]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
navigator=${1:-$top/build/src/app/kuokuonavi}
runs=${2:-7}
[ -x "$navigator" ] || { echo "startup: build the navigator first ($navigator)" >&2; exit 1; }

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do import -display "$display" -window root -crop 1x1+0+0 txt:- >/dev/null 2>&1 && break; sleep 0.1; done

now() { date +%s%N; }
pixel() { # colour of one screen pixel as RRGGBB
    import -display "$display" -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr a-f A-F
}

window_times=()
page_times=()
for run in $(seq "$runs"); do
    folder=$work/run$run
    mkdir -p "$folder"
    cp "$navigator" "$folder/"
    start=$(now)
    DISPLAY=$display "$folder/kuokuonavi" >/dev/null 2>&1 &
    pid=$!
    window=""
    page=""
    deadline=$((start + 60000000000))
    while [ -z "$page" ] && [ "$(now)" -lt "$deadline" ]; do
        # The menu bar's background at its left end, then the page header below the address box.
        if [ -z "$window" ] && [ "$(pixel 2 2)" != "000000" ]; then window=$(now); fi
        if [ "$(pixel 300 160)" = "F4A95A" ]; then page=$(now); fi
    done
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ -n "$page" ] || { echo "run $run: the start page did not appear within 60 s" >&2; exit 1; }
    [ -n "$window" ] || window=$page
    window_times+=($(((window - start) / 1000000)))
    page_times+=($(((page - start) / 1000000)))
    echo "run $run: window ${window_times[-1]} ms, start page ${page_times[-1]} ms"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : int((a[NR/2] + a[NR/2+1]) / 2)}'; }
window_median=$(median "${window_times[@]}")
page_median=$(median "${page_times[@]}")
echo "median window drawn:       ${window_median} ms"
echo "median start page painted: ${page_median} ms"
awk -v p="$page_median" -v w="$window_median" 'BEGIN {printf "ratio page/window: %.2f\n", p / w}'
