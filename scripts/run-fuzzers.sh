#!/usr/bin/env bash
# Runs every fuzz_* program of a fuzz build for SECONDS each.
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS
# Each keeps its corpus in fuzz-corpus/<name>/, seeded on the first run from
# make_fuzz_seeds; for the MIDI file reader also the repository's MIDI files,
# for the score importer fuzz/score_seeds. Crashing inputs are saved to
# fuzz-corpus/<name>/crashes/. A crash does not stop the run. Ends with what
# was found; exits 1 when anything crashed.
set -euo pipefail
trap 'echo "run-fuzzers: stopped by a failing command at line $LINENO" >&2' ERR

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

# Only the folders that exist: a fresh clone has examples/ but may lack others.
midi_folders=()
for folder in "$root/examples" "$root/tests/data"; do
    [ -d "$folder" ] && midi_folders+=("$folder")
done

seed_corpus() {
    local name=$1 corpus=$2
    local held
    # -quit, not head: head leaving early would end find by SIGPIPE, which
    # pipefail turns into a failed run once the corpus has grown.
    held=$(find "$corpus" -mindepth 1 -maxdepth 1 -not -name crashes -print -quit)
    [ -n "$held" ] && return 0
    if [ -x "$build/fuzz/make_fuzz_seeds" ]; then
        "$build/fuzz/make_fuzz_seeds" "$corpus" "$name" ||
            echo "   make_fuzz_seeds could not write the seeds of $name" >&2
    fi
    if [ "$name" = fuzz_open_piece ] && [ ${#midi_folders[@]} -gt 0 ]; then
        find "${midi_folders[@]}" -name '*.mid' -size -256k -exec cp {} "$corpus/" \;
    fi
    if [ "$name" = fuzz_open_score ] && [ -d "$root/fuzz/score_seeds" ]; then
        find "$root/fuzz/score_seeds" -type f -exec cp {} "$corpus/" \;
    fi
    echo "   seeded with $(find "$corpus" -maxdepth 1 -type f | wc -l) inputs"
}

failed=0
summary=()
for fuzzer in "${fuzzers[@]}"; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="$root/fuzz-corpus/$name"
    crashes="$corpus/crashes"
    mkdir -p "$crashes"
    echo "== $name: ${seconds}s in $jobs processes, corpus $corpus"
    seed_corpus "$name" "$corpus"
    log="$build/fuzz/$name.log"
    # Fork mode keeps fuzzing after a crash, timeout or out-of-memory input.
    dict=()
    [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
    set +e
    "$fuzzer" "$corpus" "${dict[@]}" -fork="$jobs" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$crashes/" >"$log" 2>&1
    status=$?
    set -e
    if [ "$status" -ne 0 ]; then
        echo "   $name exited with status $status (see $log)"
        failed=1
    fi
    last=$(grep -E '^#[0-9]+: cov' "$log" | tail -n 1 || true)
    [ -n "$last" ] && echo "   last: $last"
    inputs=$(find "$corpus" -maxdepth 1 -type f | wc -l)
    found=$(find "$crashes" -type f | wc -l)
    echo "   corpus: $inputs inputs; crashing inputs: $found"
    find "$crashes" -type f | sed 's/^/     /'
    [ "$found" -eq 0 ] || failed=1
    summary+=("$name: $found crashing inputs, exit status $status")
done

echo "== run-fuzzers found:"
printf '   %s\n' "${summary[@]}"
if [ "$failed" -eq 0 ]; then
    echo "   nothing: no crash, hang or leak in ${#summary[@]} fuzzers"
fi
exit $failed
