#!/bin/sh
# kelvane --screenshot against a simulated controller that refuses the connection (software
# revision 4) ends on its own: the refusal goes to standard error instead of a message box that
# nobody would close, and the exit status says that no controller was connected.
# usage: screenshot_refused.sh KELVANE KELVANE_SIM
kelvane=$1
sim=$2
dir=$(mktemp -d)
simpid=
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT

"$sim" --sw 4 --link "$dir/com3" >"$dir/sim.log" 2>&1 &
simpid=$!
i=0
while [ ! -e "$dir/com3" ] && [ $i -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
done
[ -e "$dir/com3" ] || { echo "the simulator did not start"; cat "$dir/sim.log"; exit 1; }

timeout 60 "$kelvane" --screenshot "$dir/shot.png" --com "3=$dir/com3" >"$dir/out.log" 2>"$dir/err.log"
status=$?
cat "$dir/err.log"
if [ $status -ne 3 ]; then
    echo "exit status $status, expected 3 (saved without a controller); 124 means it hung"
    exit 1
fi
grep -q "Need software update. Download From www !!!" "$dir/err.log" || { echo "no refusal on stderr"; exit 1; }
[ -s "$dir/shot.png" ] || { echo "no screenshot"; exit 1; }
exit 0
