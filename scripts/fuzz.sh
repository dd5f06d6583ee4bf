#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each fuzz target for a while on its
# seeds: fuzz/corpus/<target>/ and, for some targets, the program's own
# resources of the same kind. What a run finds goes to a scratch corpus under
# build/fuzz/corpus/<target>/, so the seeds in the tree stay as they are; the
# next run goes on from there. A crash, a leak, a failed check or a slow input
# fails the target: its log's end is shown, the input is kept under
# build/fuzz/artifacts/, the other targets still run, and the script fails.
#
#   bash scripts/fuzz.sh                 every target, 20 seconds each
#   bash scripts/fuzz.sh 300 storyboard  one target, five minutes
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true

# Files the program reads anyway, as more seeds.
declare -A resources=(
  [desktop_description]="platform/simulation/resources"
  [openstep_plist]="resources/AppKit resources/ShortcutLibrary"
  [property_list]="resources/AppKit"
  [storyboard]="resources/Kestrova"
)

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name=${source##*/}
    targets+=("${name%_fuzz.cpp}")
  done
fi

# Only the fuzz targets: the preset's tests would take as long again to build.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" $(printf -- '--target fuzz_%s ' "${targets[@]}")

mkdir -p build/fuzz/artifacts build/fuzz/logs
passed=0
failed=0
for target in "${targets[@]}"; do
  binary=build/fuzz/fuzz/fuzz_$target
  if [ ! -x "$binary" ]; then
    echo "fuzz: no target $target" >&2
    exit 2
  fi
  scratch=build/fuzz/corpus/$target
  mkdir -p "$scratch"
  seeds=()
  if [ -d "fuzz/corpus/$target" ]; then seeds+=("fuzz/corpus/$target"); fi
  for folder in ${resources[$target]:-}; do seeds+=("$folder"); done
  log=build/fuzz/logs/$target.log
  echo "== fuzz $target: ${seconds}s from ${#seeds[@]} seed folder(s)"
  if "$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/artifacts/$target-" "$scratch" "${seeds[@]}" >"$log" 2>&1; then
    passed=$((passed + 1))
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::new_units_added)' "$log" || tail -n 3 "$log"
  else
    failed=$((failed + 1))
    tail -n 80 "$log"
    echo "fuzz: $target failed; the input is under build/fuzz/artifacts/, the whole log in $log" >&2
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
