# Shared by run.sh, test.sh and .ci/run: install what is missing, then configure and build.
set -euo pipefail
KELVANE_PACKAGES="build-essential cmake qt6-base-dev qt6-base-private-dev qt6-serialport-dev qt6-charts-dev libgl-dev libbenchmark-dev fonts-dejavu-core xvfb xauth imagemagick poppler-utils"
# The sanitizer build and the fuzz targets (.ci/run): clang, its sanitizer and libFuzzer
# runtimes, and llvm-symbolizer for readable stack traces.
# shellcheck disable=SC2034 # used by .ci/run
KELVANE_SANITIZER_PACKAGES="clang libclang-rt-14-dev llvm"

# Installs with apt-get those of the named packages (default: KELVANE_PACKAGES) that are missing.
kelvane_install() {
  local wanted="${*:-$KELVANE_PACKAGES}"
  local missing=()
  for p in $wanted; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
  fi
}

# ccache, where the machine has it, makes a rebuild of an unchanged tree cheap; a fresh machine
# builds without it.
kelvane_launcher() {
  command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  return 0
}

kelvane_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(kelvane_launcher) >/dev/null
  cmake --build build -j"$(nproc)"
}

# Sanitizer runs: stop at the first finding, with a stack trace. Leaks are reported too;
# fuzz/lsan.supp lists leaks of other libraries that are not ours (none so far).
kelvane_sanitizer_env() {
  export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_string_checks=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
}

# The sanitizer build (-O1 -g) of the programs and tests in build-asan, without the benchmarks, which
# no test runs. With clang when it has its sanitizer runtime (clang's -fsanitize=undefined also
# checks float-to-integer overflow), else with the default compiler.
kelvane_build_sanitized() {
  local cxx=()
  kelvane_clang_has_runtime asan && cxx=(-DCMAKE_CXX_COMPILER=clang++)
  cmake -S . -B build-asan "${cxx[@]}" $(kelvane_launcher) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DKELVANE_SANITIZE=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
  cmake --build build-asan -j"$(nproc)"
}

# True when clang++ is present with the named runtime (asan, fuzzer) of libclang-rt.
kelvane_clang_has_runtime() {
  command -v clang++ >/dev/null 2>&1 || return 1
  local rt
  rt="$(clang++ -print-file-name="libclang_rt.$1-$(uname -m).a" 2>/dev/null)"
  [ -f "$rt" ]
}

# True when clang can build libFuzzer targets.
kelvane_have_libfuzzer() {
  kelvane_clang_has_runtime fuzzer && kelvane_clang_has_runtime asan
}

# The fuzz targets in build-fuzz (only they and the libraries they test are built).
kelvane_build_fuzzers() {
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ $(kelvane_launcher) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DKELVANE_SANITIZE=ON -DKELVANE_FUZZ=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
  cmake --build build-fuzz -j"$(nproc)" --target fuzz_live fuzz_replies fuzz_paramfile fuzz_paramjson fuzz_language fuzz_logtable fuzz_journal
}
