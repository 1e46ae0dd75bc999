#!/usr/bin/env bash
# Builds the reply parser's fuzz target with clang (libFuzzer, ASan, UBSan) apart from
# the normal build and runs it. Needs clang and libclang-rt-14-dev.
#   tests/fuzz/run-fuzz.sh [SECONDS]    (default 180)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-180}"
out=build-fuzz
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -DQT_NO_CAST_FROM_ASCII \
  -Iscale $(pkg-config --cflags Qt6Core) \
  tests/fuzz/fuzz_respostabalanca.cpp scale/respostabalanca.cpp \
  $(pkg-config --libs Qt6Core) -o "$out/fuzz_respostabalanca"
# Seeds: the replies indicators send.
printf 'GS  001250kg\r\n' >"$out/corpus/gs"
printf 'GU  001250kg\r\n' >"$out/corpus/gu"
printf 'GS 12.34 KG\r' >"$out/corpus/decimal"
printf 'GU GS 000500kg\r' >"$out/corpus/both"
printf 'GS -    20kg\r\n' >"$out/corpus/negative"
exec "$out/fuzz_respostabalanca" -max_total_time="$seconds" -max_len=256 -print_final_stats=1 "$out/corpus"
