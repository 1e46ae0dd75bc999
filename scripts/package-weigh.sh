#!/usr/bin/env bash
# Run by package-check.sh inside the root the package was installed into: the demo and a
# whole weighing made by the installed programs alone. $1 is the folder holding them
# (/usr/bin), $2 a private temporary folder for the data. Writes nothing else.
#   package-weigh.sh BIN TMP [check-upgrade]
set -euo pipefail
bin="$1"; tmp="$2"; phase="${3:-first}"
export BALANTRIX_DATA_DIR="$tmp/data" HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
cd "$tmp"
cli="$bin/balantrix-cli"
fail() { echo "package-weigh: $*" >&2; exit 1; }
value() { sed -n "s/^$1=//p" | head -1; }

# Every library resolves.
for p in balantrix balantrix-cli balantrix-indicator-sim; do
  [ -x "$bin/$p" ] || fail "$bin/$p is missing"
  deps="$(ldd "$bin/$p")"
  if grep -q "not found" <<<"$deps"; then fail "$p: $(grep 'not found' <<<"$deps")"; fi
done

if [ "$phase" = first ]; then
  "$cli" demo init >demo.out || fail "demo init failed"
  grep -q "^config=$BALANTRIX_DATA_DIR/norvak/Balantrix.kel$" demo.out || fail "demo config: $(cat demo.out)"
else
  # A newer package over the older one: configuration and database are the user's, and
  # the program brings its own tables up to date at start-up.
  "$cli" db upgrade >upgrade.out || fail "db upgrade after the package upgrade failed"
  echo "upgrade: $(tr '\n' ' ' <upgrade.out)"
fi

# The indicator simulator answers on a pseudo-terminal named in the demo's BALANCA.TXT.
"$bin/balantrix-indicator-sim" --demo --weight 38460 </dev/null >sim.out 2>sim.err &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s sim.out ] && break; sleep 0.1; done
[ -s sim.out ] || fail "the simulator did not start: $(cat sim.err)"

plate="PK-01-AA"; [ "$phase" = first ] || plate="PK-02-AA"
"$cli" weigh first --desk saidas --third C001 --article MILHO --plate "$plate" --weight 14220 >first.out \
  || fail "weigh first failed"
id="$(value hist_id <first.out)"
[ -n "$id" ] || fail "weigh first gave no hist_id"
"$cli" weigh second --desk saidas --id "$id" --scale >second.out || fail "weigh second failed"
[ "$(value net <second.out)" = 24240 ] || fail "net weight: $(cat second.out)"
document="$(value document <second.out)"
[ -n "$document" ] || fail "no ERP document"

# The ticket from the installed templates, its QR line read back and verified.
"$cli" ticket pdf "$id" --out "$tmp/talao-$phase.pdf" >pdf.out || fail "ticket pdf failed"
pdftotext "$tmp/talao-$phase.pdf" - | grep -q "$plate" || fail "the ticket does not show the plate"
pdftoppm -r 200 -png -f 1 -l 1 -singlefile "$tmp/talao-$phase.pdf" "$tmp/pagina"
qr="$(zbarimg -q --raw "$tmp/pagina.png" 2>/dev/null)" || fail "no QR code on the ticket"
"$cli" ticket verify --qr "$qr" >verify.out || fail "ticket verify: $(cat verify.out)"
grep -q "^valid=1$" verify.out && grep -q "^matches_record=1$" verify.out || fail "verify: $(cat verify.out)"

# The window program starts on the installation and keeps running until stopped.
set +e
timeout 8 "$bin/balantrix" >gui.out 2>gui.err
rc=$?
set -e
[ "$rc" = 124 ] || fail "balantrix ended with $rc: $(cat gui.err)"
echo "weighing: hist_id=$id document=$document net=24240 verified=1"
