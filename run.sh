#!/usr/bin/env bash
# Installs what is missing, builds, and runs Kelvane against the built-in simulated controller.
cd "$(dirname "$0")"
source ./scripts_common.sh
kelvane_install
kelvane_build
if [ -x build/bin/kelvane ]; then
  exec build/bin/kelvane --demo "$@"
fi
# Until the window exists: scan, read and 20 live records against the simulator.
tmp=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; rm -rf "$tmp"' EXIT
build/bin/kelvane-sim --link "$tmp/ecu" > "$tmp/sim.out" &
sim=$!
for _ in $(seq 50); do [ -e "$tmp/ecu" ] && break; sleep 0.1; done
build/bin/kelvane-cli --com 3="$tmp/ecu" scan
build/bin/kelvane-cli --com 3="$tmp/ecu" read "$tmp/car.kvset"
build/bin/kelvane-cli --com 3="$tmp/ecu" live --count 20
