#!/usr/bin/env bash
# Runs one libFuzzer target from its seeds for $ZELVANE_FUZZ_SECONDS seconds (5 unless set),
# keeping the new inputs it finds in CORPUS:
#   run_fuzzer.sh FUZZER CORPUS SEEDS
set -euo pipefail
mkdir -p "$2"
exec "$1" -max_total_time="${ZELVANE_FUZZ_SECONDS:-5}" -print_final_stats=1 "$2" "$3"
