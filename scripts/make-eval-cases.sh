#!/usr/bin/env bash
# Regenerates the self-made evaluation cases in bench/cases/ (bench/README.md
# describes them). The same arguments give the same files byte for byte.
#   scripts/make-eval-cases.sh
# BUILD_DIR (default build/main) is the build folder the generators are built in.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/main}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target make-performance make-case-piece >/dev/null
tools=$build/tools/performance
cases=$root/bench/cases

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tools/make-case-piece" melody "$work/melody.mid"
"$tools/make-case-piece" duet "$work/duet.mid"

# make_case NAME PIECE ARGUMENTS...: one case folder, made afresh.
make_case() {
    local name=$1 piece=$2
    shift 2
    rm -rf "${cases:?}/$name"
    "$tools/make-performance" "$work/$piece.mid" --case -o "$cases/$name" "$@"
    echo "bench/cases/$name"
}

make_case steady-tempo melody --track 1 --seed 11 --speed 0.9 --drift 0 --ritardando 0 --jitter 4
make_case rubato melody --track 1 --seed 12 --drift 0.15 --ritardando 0.3
make_case wrong-and-extra-notes melody --track 1 --seed 13 --drift 0.1 --wrong 4 --extra 4 \
    --missing 2
make_case skip-forward melody --track 1 --seed 14 --drift 0.1 --skip-bar 7 \
    --set 'jumping = anywhere'
make_case skip-back melody --track 1 --seed 15 --drift 0.1 --repeat-from 9 --repeat-to 4 \
    --set 'jumping = anywhere'
make_case two-following-tracks duet --track 1 --track2 2 --seed 16 --drift 0.12
make_case taps melody --track 1 --seed 17 --drift 0.12 --taps
