#!/usr/bin/env bash
# Rebuilds examples/demo-performance.mid and examples/demo-performance-truth.tsv:
# a made-up human performance of the demo's Solo track (examples/README.md
# lists the arguments). The same arguments give the same files byte for byte.
#   scripts/make-demo-performance.sh
# BUILD_DIR (default build/main) is the build folder make-performance is built in.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/main}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target make-performance >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/performance/make-performance" "$root/examples/demo.mid" --track 1 --seed 1824 \
    --drift 0.15 --ritardando 0.25 --wrong 3 --extra 3 --missing 3 --skip-bar 12 -o "$work"
cp "$work/performance.mid" "$root/examples/demo-performance.mid"
cp "$work/truth.tsv" "$root/examples/demo-performance-truth.tsv"
echo "wrote examples/demo-performance.mid and examples/demo-performance-truth.tsv"
