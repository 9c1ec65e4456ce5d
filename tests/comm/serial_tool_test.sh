#!/bin/sh
# gti serial read and send against gti serial-sim, as a person at a bench uses them.
# usage: serial_tool_test.sh GTI WORKDIR
set -eu
gti=$1
out=$2/serial-sim.out
"$gti" serial-sim --every 20 --count 200 --errors >"$out" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
dev=
for _ in $(seq 100); do
    dev=$(sed -n 's/^unit: //p' "$out")
    [ -n "$dev" ] && break
    sleep 0.05
done
[ -n "$dev" ] || { echo "serial-sim printed no device"; exit 1; }
"$gti" serial read "$dev" --json --count 8 | tee "$2/serial-read.out"
grep -q '"status": "repaired"' "$2/serial-read.out"
if grep -q '"status": "damaged"' "$2/serial-read.out"; then exit 1; fi
"$gti" serial send "$dev" "from the station"
wait $sim
trap - EXIT
cat "$out"
grep -q '^train of 3 packets: .* "from the station"$' "$out"
echo "serial tool: 1 passed, 0 failed"
