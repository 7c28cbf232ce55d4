#!/usr/bin/env bash
# Runs each fuzz target for a while on its seeds. A target stops at its first crash, leak or broken
# invariant; the others still run, and the script fails when any of them found something.
#
#   fuzz/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]     (default: every target)
#
# The seeds in fuzz/corpus/<target>/ are read, never written: new inputs go to
# BUILD_DIR/fuzz-work/<target>/ (kept between runs) and a crashing input to
# BUILD_DIR/fuzz-artifacts/, whose path the log names. Extra libFuzzer flags may be given in
# KELVANE_FUZZ_FLAGS (for example "-jobs=2 -workers=2").
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?usage: run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]}"
seconds="${2:?usage: run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]}"
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_live fuzz_replies fuzz_paramfile fuzz_paramjson fuzz_language fuzz_logtable fuzz_journal)

# halt_on_error and the stack traces, as for the tests; libFuzzer adds its own handlers.
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

failed=0
for t in "${targets[@]}"; do
  bin="$build/bin/$t"
  [ -x "$bin" ] || { echo "run-fuzzers: $bin not built" >&2; exit 2; }
  work="$build/fuzz-work/$t"
  mkdir -p "$work" "$build/fuzz-artifacts"
  # Longer inputs than these only repeat what the target ignores (FuzzInput.h) or slow it down.
  case "$t" in
    fuzz_live) maxlen=1600 ;;       # 1 + 4 x 197 + 768
    fuzz_paramfile|fuzz_paramjson) maxlen=1024 ;;  # the loader reads 769 bytes at most
    fuzz_logtable) maxlen=16384 ;;  # a few dozen rows of every column; the size limits are the tests' work
    fuzz_journal) maxlen=8192 ;;    # a dozen entries; a whole upload's line is longer and is read as a torn one
    fuzz_language) maxlen=8192 ;;   # long enough for long texts and many lines
    *) maxlen=4096 ;;
  esac
  echo "=== $t: ${seconds}s"
  # shellcheck disable=SC2086
  if ! "$bin" -max_total_time="$seconds" -timeout=10 -max_len="$maxlen" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-artifacts/$t-" ${KELVANE_FUZZ_FLAGS:-} \
        "$work" "$here/corpus/$t" 2>"$build/fuzz-artifacts/$t.log"; then
    failed=1
    tail -n 80 "$build/fuzz-artifacts/$t.log"
    echo "=== $t FAILED; full log: $build/fuzz-artifacts/$t.log" >&2
  else
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|DONE' \
      "$build/fuzz-artifacts/$t.log" || true
  fi
done
exit $failed
