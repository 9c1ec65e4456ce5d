#!/bin/sh
# gti serial read and send against gti serial-sim, as a person at a bench uses them.
# usage: serial_tool_test.sh GTI WORKDIR
set -eu
gti=$1
out=$2/serial-sim.out
"$gti" serial-sim --every 20 --count 3000 --errors >"$out" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
# Waits (at most 10 s) until the simulator has printed a line matching $1.
await() {
    for _ in $(seq 200); do
        grep -q "$1" "$out" && return 0
        sleep 0.05
    done
    cat "$out"
    echo "serial-sim never printed: $1"
    exit 1
}
await '^unit: '
dev=$(sed -n 's/^unit: //p' "$out")
"$gti" serial read "$dev" --json --count 8 | tee "$2/serial-read.out"
grep -q '"status": *"repaired"' "$2/serial-read.out"
if grep -q '"status": *"damaged"' "$2/serial-read.out"; then exit 1; fi
"$gti" serial send "$dev" "from the station"
await '^train of 3 packets: .* "from the station"$'
echo "serial tool: 1 passed, 0 failed"
