#!/usr/bin/env bash
# Builds the Debian package into build-deb/ (or the folder given): a build for users,
# without the crash points and without tests. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$(realpath -m "${1:-build-deb}")"
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_INSTALL_PREFIX=/usr -DBALANTRIX_CRASH_POINTS=OFF -DBALANTRIX_TESTS=OFF >&2
fi
cmake --build "$dir" -j"$(nproc)" >&2
rm -f "$dir"/balantrix_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$dir"/balantrix_*.deb
