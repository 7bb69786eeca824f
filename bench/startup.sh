#!/usr/bin/env bash
# Start-up time of the navigator, as a user sees it, against a bare web view (bench_bareview: a
# window of the same size showing the same start page file at the same place). Each run starts a
# fresh copy of the navigator in an empty program folder, so the content is written out as on a
# first start; the two programs alternate, and which goes first alternates too. Two figures per
# run: the window drawn (the menu bar's corner is no longer black) and the start page painted
# (the page's orange header is on screen). Prints the medians and, last, the navigator's ratios
# to the bare view, the painted page last of all.
#
#   bench/startup.sh [runs] [navigator]   (9 runs unless given; the build folder is build/ or
#                                          $KUOKUO_BUILD_DIR; another navigator's executable can
#                                          be timed against the same bare view)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KUOKUO_BUILD_DIR:-$top/build}
runs=${1:-9}
cmake --build "$build" -j2 --target kuokuonavi bench_bareview bench_startwatch >/dev/null
navigator=${2:-$build/src/app/kuokuonavi}
bare=$build/bench/bench_bareview
watch=$build/bench/bench_startwatch

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display

# The start page and its pictures, as the navigator writes them into its folder.
mkdir -p "$work/page"
cp "$top"/content/*.html "$top"/content/*.svg "$work/page/"

# One start: "WINDOW_MS PAGE_MS". The window's corner, and the header's colour right of its
# words, below the address box.
measure() { "$watch" 2 2 650 125 F4A95A 60000 "$@"; }

navigator_window=() navigator_page=() bare_window=() bare_page=()
run_navigator() {
    local folder=$work/run$1
    mkdir -p "$folder"
    cp "$navigator" "$folder/kuokuonavi"
    read -r w p < <(measure "$folder/kuokuonavi")
    navigator_window+=("$w") navigator_page+=("$p")
    echo "run $1: navigator window $w ms, page $p ms"
}
run_bare() {
    read -r w p < <(measure "$bare" "$work/page/kuokuonavi.html")
    bare_window+=("$w") bare_page+=("$p")
    echo "run $1: bare view window $w ms, page $p ms"
}
# A first start of each warms the system's caches for both; it is not counted.
measure "$bare" "$work/page/kuokuonavi.html" >/dev/null
mkdir -p "$work/warm" && cp "$navigator" "$work/warm/kuokuonavi" && measure "$work/warm/kuokuonavi" >/dev/null
for run in $(seq "$runs"); do
    if ((run % 2)); then run_navigator "$run"; run_bare "$run"; else run_bare "$run"; run_navigator "$run"; fi
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
nw=$(median "${navigator_window[@]}") np=$(median "${navigator_page[@]}")
bw=$(median "${bare_window[@]}") bp=$(median "${bare_page[@]}")
echo "median navigator: window ${nw} ms, start page ${np} ms"
echo "median bare view: window ${bw} ms, start page ${bp} ms"
awk -v n="$nw" -v b="$bw" 'BEGIN {printf "ratio window navigator/bare: %.2f\n", n / b}'
awk -v n="$np" -v b="$bp" 'BEGIN {printf "ratio start page navigator/bare: %.2f\n", n / b}'
