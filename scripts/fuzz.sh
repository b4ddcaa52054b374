#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each on its committed corpus plus
# the example and test files, for a fixed time.
#   bash scripts/fuzz.sh [seconds-per-target] [target...]
# A crash, leak, sanitizer report or slow input fails the run; its input is
# kept in fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(touchstone sc)
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKORVEL_BUILD_FUZZ=ON -DKORVEL_BUILD_TESTS=OFF \
  -DKORVEL_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

mkdir -p fuzz/artifacts
for target in "${targets[@]}"; do
  case $target in
    sc) pattern='*.sc*'; dictionary=fuzz/sc.dict ;;
    touchstone) pattern="*.s[0-9]*p"; dictionary=fuzz/touchstone.dict ;;
  esac
  seeds=$(mktemp -d)
  mkdir -p "fuzz/corpus/$target" "fuzz/regressions/$target"
  while IFS= read -r -d '' seed; do
    if [ "$target" = touchstone ]; then
      # The first byte picks the extension: 0 .s1p, 1 .s2p, 2 .s3p, 3 .s4p, 4 .s12p.
      case $seed in
        *.s1p) choice='\x00' ;; *.s2p) choice='\x01' ;; *.s3p) choice='\x02' ;; *.s4p) choice='\x03' ;; *) choice='\x04' ;;
      esac
      { printf "$choice"; cat "$seed"; } >"$seeds/$(basename "$seed")"
    else
      cp "$seed" "$seeds/"
    fi
  done < <(find examples tests/data -type f -name "$pattern" -print0 2>/dev/null)
  echo "== fuzz_$target for ${seconds}s"
  log=$(mktemp)
  status=0
  ./build-fuzz/fuzz/fuzz_"$target" "fuzz/corpus/$target" "fuzz/regressions/$target" "$seeds" \
    -dict="$dictionary" -max_total_time="$seconds" -seed="${KORVEL_FUZZ_SEED:-1}" -timeout=5 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -max_len=65536 -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="fuzz/artifacts/${target}-" \
    >"$log" 2>&1 || status=$?
  grep -E '^(Done |stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
  if [ "$status" -ne 0 ]; then tail -n 60 "$log" >&2; fi
  rm -f "$log"
  rm -rf "$seeds"
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target failed (status $status); see fuzz/artifacts/" >&2
    exit 1
  fi
done
