#!/usr/bin/env bash
# Installs what is needed, builds, creates the demo installation (once) and starts
# the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
bin=build/bin
if ! "$bin/balantrix-cli" db upgrade >/dev/null 2>&1; then
  "$bin/balantrix-cli" demo init --force
fi
# A simulated indicator for the scale while the demo runs; its BALANCA.TXT goes into the
# demo's configuration folder.
# With a display it also opens its own window ("Indicador (simulador)") to put an empty
# or a loaded truck on the scale.
sim=(--demo --exit-with-parent)
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then sim+=(--window); fi
"$bin/indicator-sim" "${sim[@]}" </dev/null &
if [ -x "$bin/balantrix" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Sem ecrã (DISPLAY vazio): o programa corre dentro de xvfb-run, invisível; termine com Ctrl+C." >&2
    echo "Para ver a janela: xvfb-run -a $bin/bench_startup --runs 1 --screenshot janela.png" >&2
    exec xvfb-run -a "$bin/balantrix" "$@"
  fi
  exec "$bin/balantrix" "$@"
fi
echo "The main window is not built yet; the demo database was brought up to date:"
"$bin/balantrix-cli" db upgrade
