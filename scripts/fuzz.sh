#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/, clang with ASan and UBSan) into
# build-fuzz/ and runs each for a fixed number of inputs, starting from a
# scratch copy of its seed corpus in fuzz/corpus/ so the repository is left
# as it was.  Fails on any finding: a crash, a failed invariant, undefined
# behaviour, a leak, a timeout or running out of memory.  The finding's input
# is kept in build-fuzz/findings/.
#
#   bash scripts/fuzz.sh            the bounded run (about two minutes)
#   FUZZ_SCALE=20 bash scripts/fuzz.sh          twenty times as many inputs
#   FUZZ_SEED=0 bash scripts/fuzz.sh            a random seed (default 1)
#   bash scripts/fuzz.sh fuzz_surface           one target only
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=${FUZZ_CXX:-clang++-14}
if ! command -v "$cxx" >/dev/null; then
  echo "fuzz: $cxx not found (Debian packages clang-14 and libclang-rt-14-dev)" >&2
  exit 1
fi

probe=$(mktemp -d)
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    "$cxx" -x c++ - -fsanitize=fuzzer,address,undefined -o "$probe/probe" 2>/dev/null; then
  rm -rf "$probe"
  echo "fuzz: $cxx cannot link -fsanitize=fuzzer,address,undefined (Debian package libclang-rt-14-dev)" >&2
  exit 1
fi
rm -rf "$probe"

cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 >/dev/null

scale=${FUZZ_SCALE:-1}
seed=${FUZZ_SEED:-1}
# Inputs per target, and a cap on its time in seconds.  The renderers draw
# on the picture surface, a few milliseconds an input under the sanitizers;
# the export target writes every file format of each artwork; the design
# file target reads whole files, a design's about 1 KiB.
declare -A runs=([fuzz_numtext]=400000 [fuzz_surface]=200000 [fuzz_renderers]=10000 [fuzz_export]=7000
                 [fuzz_design_file]=30000)
declare -A cap=([fuzz_numtext]=30 [fuzz_surface]=60 [fuzz_renderers]=90 [fuzz_export]=60 [fuzz_design_file]=30)
declare -A max_len=([fuzz_numtext]=256 [fuzz_surface]=512 [fuzz_renderers]=256 [fuzz_export]=512
                    [fuzz_design_file]=4096)

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_numtext fuzz_surface fuzz_renderers fuzz_export fuzz_design_file)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=build-fuzz/findings
mkdir -p "$findings"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# The files' numbers must not follow the locale (the Qt application takes
# the environment's): fuzz_export runs under a decimal-comma locale, built
# into build-fuzz/locale when none is installed and localedef can.
declare -A env_of=()
if [[ " ${targets[*]} " == *" fuzz_export "* ]]; then
  comma_locale=
  for l in de_DE.UTF-8 de_DE.utf8 fr_FR.UTF-8 fr_FR.utf8; do
    if locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}"; then comma_locale=$l; break; fi
  done
  if [ -n "$comma_locale" ]; then
    env_of[fuzz_export]="LC_ALL=$comma_locale"
  elif command -v localedef >/dev/null && mkdir -p build-fuzz/locale &&
      { [ -d build-fuzz/locale/de_DE.UTF-8 ] ||
        localedef -i de_DE -f UTF-8 build-fuzz/locale/de_DE.UTF-8 >/dev/null 2>&1; }; then
    env_of[fuzz_export]="LOCPATH=$PWD/build-fuzz/locale LC_ALL=de_DE.UTF-8"
  else
    echo "fuzz: no decimal-comma locale; fuzz_export runs in the environment's locale" >&2
  fi
fi

status=0
for t in "${targets[@]}"; do
  if [ -z "${runs[$t]:-}" ]; then
    echo "fuzz: no such target: $t" >&2
    exit 2
  fi
  mkdir -p "$scratch/$t"
  cp fuzz/corpus/"$t"/* "$scratch/$t/"
  n=$((runs[$t] * scale))
  limit=$((cap[$t] * scale))
  log="$scratch/$t.log"
  start=$(date +%s)
  set +e
  env ${env_of[$t]:-} "build-fuzz/$t" "$scratch/$t" -runs="$n" -max_total_time="$limit" -seed="$seed" \
    -max_len="${max_len[$t]}" -timeout=30 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$findings/$t-" >"$log" 2>&1
  rc=$?
  set -e
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "fuzz: $t: ${executed:-?} inputs in $(($(date +%s) - start)) s (asked for $n)"
  if [ $rc -ne 0 ]; then
    echo "fuzz: $t found a fault (exit $rc); its input is in $findings/" >&2
    grep -E -m 20 "invariant failed|ERROR|runtime error|SUMMARY|Test unit written" -A2 "$log" >&2 || tail -40 "$log" >&2
    status=1
  fi
done
exit $status
