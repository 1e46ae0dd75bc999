#!/usr/bin/env bash
# Runs a command with the test PostgreSQL server's address (BALANTRIX_TEST_PG, set by
# scripts/test.sh) in place of @PG@ in its arguments; without a server it skips (77).
set -euo pipefail
if [ -z "${BALANTRIX_TEST_PG:-}" ]; then
  echo "SKIP: no PostgreSQL server for this run (BALANTRIX_TEST_PG=host:port is unset); scripts/test.sh starts one"
  exit 77
fi
args=()
for a in "$@"; do args+=("${a//@PG@/$BALANTRIX_TEST_PG}"); done
exec "${args[@]}"
