#!/usr/bin/env bash
# Runs every fuzz_* program of a fuzz build for SECONDS each.
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS
# Each keeps its corpus in fuzz-corpus/<name>/, seeded on the first run from
# make_fuzz_seeds, the repository's MIDI files and fuzz/score_seeds; crashing inputs are saved
# to fuzz-corpus/<name>/crashes/. A crash does not stop the run. Exits 1 when
# anything crashed.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 1)

shopt -s nullglob
fuzzers=("$build"/fuzz/fuzz_*)
if [ ${#fuzzers[@]} -eq 0 ]; then
    echo "run-fuzzers: no fuzz_* programs in $build/fuzz" >&2
    exit 1
fi

seed_corpus() {
    local corpus=$1
    [ -n "$(ls -A "$corpus" | grep -v '^crashes$' || true)" ] && return 0
    if [ -x "$build/fuzz/make_fuzz_seeds" ]; then
        "$build/fuzz/make_fuzz_seeds" "$corpus"
    fi
    find "$root/examples" "$root/tests/data" -name '*.mid' -size -256k 2>/dev/null |
        while read -r file; do cp "$file" "$corpus/"; done
    # Scores for the MusicXML importer; the MIDI reader takes them as damaged files.
    cp "$root"/fuzz/score_seeds/*.musicxml "$corpus/" 2>/dev/null || true
}

failed=0
for fuzzer in "${fuzzers[@]}"; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="$root/fuzz-corpus/$name"
    crashes="$corpus/crashes"
    mkdir -p "$crashes"
    seed_corpus "$corpus"
    log="$build/fuzz/$name.log"
    echo "== $name: ${seconds}s in $jobs processes, corpus $corpus"
    # Fork mode keeps fuzzing after a crash, timeout or out-of-memory input.
    dict=()
    [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
    set +e
    "$fuzzer" "$corpus" "${dict[@]}" -fork="$jobs" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$crashes/" >"$log" 2>&1
    status=$?
    set -e
    [ "$status" -eq 0 ] || { echo "   $name exited with status $status (see $log)"; failed=1; }
    grep -E '^#[0-9]+: cov' "$log" | tail -n 1 | sed 's/^/   last: /' || true
    found=$(find "$crashes" -type f | wc -l)
    echo "   crashing inputs in $crashes: $found"
    [ "$found" -eq 0 ] || failed=1
done
exit $failed
