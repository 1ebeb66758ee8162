#!/bin/bash
# The virtual flatbed's cost per scan: an A4 colour BMP at 150, 300 and 600 dpi
# through simscan.exe, with its time and peak working set, and each as a ratio to
# the 150 dpi run of the same script (pixels grow 4x and 16x; memory should not).
# Usage: bench/sim_scan.sh [BUILD]   (needs a running session: tools/wine-session start BUILD)
set -euo pipefail
TORNEL_BUILD=$(cd "${1:-$(dirname "$0")/../build}" && pwd)
export TORNEL_BUILD
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
base_ms=""; base_kb=""
for dpi in 150 300 600; do
    line=$("$TORNEL_BUILD/wine-run" "$TORNEL_BUILD/bin/simscan.exe" "Z:${out//\//\\}\\a4.bmp" colour bmp "$dpi" 11 0 837 1169)
    ms=$(awk '{for (i = 1; i < NF; i++) if ($i == "ms") print $(i + 1)}' <<<"$line")
    kb=$(awk '{for (i = 1; i < NF; i++) if ($i == "peak-kb") print $(i + 1)}' <<<"$line")
    : "${base_ms:=$ms}" "${base_kb:=$kb}"
    awk -v d="$dpi" -v ms="$ms" -v kb="$kb" -v bms="$base_ms" -v bkb="$base_kb" 'BEGIN {
        printf "A4 colour %4d dpi: %6d ms (x%.1f of 150 dpi)  peak %6d KB (x%.2f)\n", d, ms, ms / (bms ? bms : 1), kb, kb / bkb }'
    rm -f "$out/a4.bmp"
done
