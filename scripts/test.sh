#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
# The Debian package, a build for users in build-deb/; the test package_deb checks it.
./scripts/package.sh >/dev/null
BALANTRIX_TEST_DEB="$PWD/build-deb"
export BALANTRIX_TEST_DEB
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
