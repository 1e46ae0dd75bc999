#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
# A private PostgreSQL server for the tests that run on it (label postgresql), in the
# build folder on a free port of 127.0.0.1; stopped on the way out, also when a test fails.
root="$PWD"
pgdir="$root/build/pgtest"
trap '"$root/scripts/pg-server.sh" stop "$pgdir"' EXIT
BALANTRIX_TEST_PG="$("$root/scripts/pg-server.sh" start "$pgdir")"
export BALANTRIX_TEST_PG
echo "test: PostgreSQL on $BALANTRIX_TEST_PG"
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
