#!/usr/bin/env bash
# Installs what is needed, builds, creates the demo installation (once) and starts the
# program on it with a simulated scale. The demo lives in a data folder of its own,
# build/demo (or $BALANTRIX_DEMO_DIR): a real installation's configuration, database
# and scale file are never read or written. The simulator's BALANCA.TXT is removed when
# the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
bin=build/bin
BALANTRIX_DATA_DIR="${BALANTRIX_DEMO_DIR:-$PWD/build/demo}"
export BALANTRIX_DATA_DIR
mkdir -p "$BALANTRIX_DATA_DIR"
echo "Demonstração em $BALANTRIX_DATA_DIR" >&2
if [ -e "$BALANTRIX_DATA_DIR/norvak/Balantrix.kel" ]; then
  if ! "$bin/balantrix-cli" db upgrade >/dev/null; then
    echo "A demonstração em $BALANTRIX_DATA_DIR não pode ser aberta (ver acima)." >&2
    echo "Para a criar de novo, apague essa pasta e corra outra vez este script." >&2
    exit 1
  fi
else
  "$bin/balantrix-cli" demo init
fi

scale_file="$BALANTRIX_DATA_DIR/norvak/BALANCA.TXT"
sim_pid=
app_pid=
cleanup() {
  # The program runs in a process group of its own (xvfb-run and its display with it).
  if [ -n "$app_pid" ]; then
    kill -TERM -- "-$app_pid" 2>/dev/null || kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$scale_file"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# A simulated indicator for the scale while the demo runs; it writes its BALANCA.TXT
# into the demo's configuration folder. With a display it also opens its own window
# ("Indicador (simulador)") to put an empty or a loaded truck on the scale.
sim=(--demo --exit-with-parent)
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then sim+=(--window); fi
"$bin/indicator-sim" "${sim[@]}" </dev/null >/dev/null &
sim_pid=$!
for _ in $(seq 50); do
  [ -e "$scale_file" ] && break
  sleep 0.1
done

# The program runs in the background and the script waits for it, so that Ctrl+C or a
# kill of the script ends both and the scale file is removed at once.
if [ -x "$bin/balantrix" ]; then
  set -m
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Sem ecrã (DISPLAY vazio): o programa corre dentro de xvfb-run, invisível; termine com Ctrl+C." >&2
    echo "Para ver a janela: xvfb-run -a $bin/bench_startup --runs 1 --screenshot janela.png" >&2
    xvfb-run -a "$bin/balantrix" "$@" &
  else
    "$bin/balantrix" "$@" &
  fi
  app_pid=$!
  set +m
  status=0
  wait "$app_pid" || status=$?
  app_pid=
  exit "$status"
fi
echo "The main window is not built yet; the demo database was brought up to date:"
"$bin/balantrix-cli" db upgrade
