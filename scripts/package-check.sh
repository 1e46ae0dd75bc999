#!/usr/bin/env bash
# Checks the Debian package built in a build folder (scripts/package.sh):
#  1. its files are exactly README's list ("What the package installs");
#  2. it depends on no development package;
#  3. in a clean root it installs, and the installed programs alone make the demo and a
#     whole weighing (scale simulator, ERP document, ticket PDF, QR line verified); then
#     a newer package is installed over it and the same data keeps working.
# The clean root: as root, a throwaway copy-on-write view of this machine (overlay in a
# private mount namespace) where the package is installed with dpkg -i for real, the
# source and build folders hidden, the programs run as user nobody. Otherwise, the
# package unpacked with dpkg-deb -x and run in a user namespace with those folders hidden.
# Exit 0 passed, 1 failed, 77 skipped (no build folder given, or neither namespace can
# be made here).
#   package-check.sh [BUILD_FOLDER]     (default: $BALANTRIX_TEST_DEB, set by scripts/test.sh)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${BALANTRIX_TEST_DEB:-}}"
if [ -z "$build" ]; then
  echo "package-check: skipped: no package build folder (scripts/test.sh builds one and sets BALANTRIX_TEST_DEB)"
  exit 77
fi
build="$(realpath "$build")"
deb="$(ls "$build"/balantrix_*.deb 2>/dev/null | head -1)"
[ -n "$deb" ] || { echo "package-check: no balantrix_*.deb in $build (run scripts/package.sh)" >&2; exit 1; }
work="$(mktemp -d /tmp/balantrix-pkg.XXXXXX)"
trap 'rm -rf "$work"' EXIT
fail() { echo "package-check: $*" >&2; exit 1; }
echo "package: $deb"

# 1. Contents against README.
awk '/<!-- package-files -->/ {m=1; next} m==1 && /^```/ {m=2; next} m==2 && /^```/ {exit} m==2 && NF {print $1}' \
  "$repo/README.md" | sort >"$work/readme.txt"
[ -s "$work/readme.txt" ] || fail "README has no package file list"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {p=$6; sub(/^\./, "", p); print p}' | sort >"$work/deb.txt"
diff -u "$work/readme.txt" "$work/deb.txt" || fail "the package's files differ from README's list (- README, + package)"
echo "contents: $(wc -l <"$work/deb.txt") files, as README lists them"

# 2. Dependencies.
depends="$(dpkg-deb -f "$deb" Depends)"
recommends="$(dpkg-deb -f "$deb" Recommends)"
echo "depends: $depends"
echo "recommends: $recommends"
if grep -Eq '(^|[ ,|])[a-z0-9.+-]+-dev([ ,(|]|$)' <<<"$depends, $recommends"; then
  fail "the package depends on a development package"
fi

# A build for users: the crash points of the test builds are not in it.
mkdir "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
for p in "$work"/unpacked/usr/bin/*; do
  if grep -q BALANTRIX_CRASH_AT "$p"; then fail "$(basename "$p") has the crash points compiled in"; fi
done

grep -qx "Exec=/usr/bin/balantrix" "$work/unpacked/usr/share/applications/balantrix.desktop" \
  || fail "the desktop entry does not start /usr/bin/balantrix"

# 3. Clean root.
overlay_root() {
  # The check itself, in a private mount namespace: nothing here reaches this machine.
  unshare -m --propagation private bash -euo pipefail -s "$work" "$repo" "$deb" "$newer" <<'INNER'
work="$1"; repo="$2"; deb="$3"; newer="$4"
fail() { echo "package-check: $*" >&2; exit 1; }
mkdir -p "$work/cow"
mount -t tmpfs -o mode=755 tmpfs "$work/cow"
mkdir "$work/cow/up" "$work/cow/wk" "$work/cow/root"
root="$work/cow/root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$work/cow/up,workdir=$work/cow/wk" "$root" || exit 3
for d in dev proc sys; do mount --rbind "/$d" "$root/$d"; done
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
# The sources and every build folder in them are out of reach (a checkout under /tmp is
# already, behind the fresh /tmp above).
if [ -d "$root$repo" ]; then mount -t tmpfs -o mode=755 tmpfs "$root$repo"; fi
cp "$deb" "$root/tmp/old.deb"; cp "$newer" "$root/tmp/new.deb"
cp "$repo/scripts/package-weigh.sh" "$root/tmp/weigh.sh"
[ ! -e "$root/usr/bin/balantrix-cli" ] || fail "balantrix-cli is already installed on this machine"
chroot "$root" dpkg -i /tmp/old.deb >"$work/cow/dpkg.out" 2>&1 || { cat "$work/cow/dpkg.out" >&2; fail "dpkg -i failed"; }
grep -q '^Status: install ok installed' <<<"$(chroot "$root" dpkg -s balantrix)" || fail "not installed"
mkdir "$root/tmp/t"; chown nobody:nogroup "$root/tmp/t"
as_user() { chroot --userspec=nobody:nogroup "$root" env -i PATH=/usr/bin:/bin /tmp/weigh.sh /usr/bin /tmp/t "$@"; }
as_user first || fail "the installed programs failed"
db="$root/tmp/t/data/norvak/balantrix-demo.db"
kel="$root/tmp/t/data/norvak/Balantrix.kel"
before="$(md5sum <"$kel")"
# As an older program version left the database: one of the program's own indexes missing.
sqlite3 "$db" "DROP INDEX IX_kel_PES_Historico_Saida" || fail "could not drop the index"
weighings="$(sqlite3 "$db" "SELECT COUNT(*) FROM kel_PES_Historico")"
chroot "$root" dpkg -i /tmp/new.deb >"$work/cow/dpkg.out" 2>&1 || { cat "$work/cow/dpkg.out" >&2; fail "upgrade failed"; }
grep -q '^Version: .*\.1$' <<<"$(chroot "$root" dpkg -s balantrix)" || fail "the newer package is not installed"
[ "$(md5sum <"$kel")" = "$before" ] || fail "the upgrade changed the configuration file"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM kel_PES_Historico")" = "$weighings" ] || fail "the upgrade changed the database"
as_user upgrade || fail "the installed programs failed after the upgrade"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM sqlite_master WHERE name = 'IX_kel_PES_Historico_Saida'")" = 1 ] \
  || fail "the program did not bring its own tables up to date"
echo "upgrade: $(chroot "$root" dpkg-query -W balantrix), configuration and $weighings weighings kept"
chroot "$root" dpkg -r balantrix >/dev/null 2>&1 || fail "dpkg -r failed"
[ ! -e "$root/usr/bin/balantrix" ] && [ ! -e "$root/usr/share/balantrix" ] || fail "dpkg -r left files"
[ -f "$kel" ] || fail "removing the package removed the configuration"
echo "root: dpkg -i into a copy-on-write root, run as nobody, sources hidden"
INNER
}

unpacked_root() {
  unshare -rm --propagation private true 2>/dev/null || return 77
  mkdir -p "$work/t"
  for p in $(sed 's/([^)]*)//g; s/|/ /g; s/,/ /g' <<<"$depends"); do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
      || fail "dependency $p is not installed here"
  done
  unshare -rm --propagation private bash -euo pipefail -s "$work" "$repo" <<'INNER'
work="$1"; repo="$2"
cp "$repo/scripts/package-weigh.sh" "$work/weigh.sh"
mount -t tmpfs tmpfs "$repo"
env -i PATH=/usr/bin:/bin "$work/weigh.sh" "$work/unpacked/usr/bin" "$work/t" first
INNER
  echo "root: unpacked with dpkg-deb -x, run in a user namespace, sources hidden (no dpkg -i without root)"
}

set +e
if [ "$(id -u)" = 0 ] && unshare -m --propagation private true 2>/dev/null; then
  # A newer version of the same package, for the upgrade.
  version="$(dpkg-deb -f "$deb" Version)"
  (cd "$build" && cpack -G DEB -D CPACK_PACKAGE_VERSION="$version.1" -B "$work/newer" >"$work/cpack.log" 2>&1) \
    || fail "could not build the newer package"
  newer="$(ls "$work"/newer/balantrix_*.deb | head -1)"
  overlay_root
  rc=$?
  if [ "$rc" = 3 ]; then
    echo "package-check: no overlay file system here; the package is checked unpacked instead"
    unpacked_root
    rc=$?
  fi
else
  unpacked_root
  rc=$?
fi
set -e
case "$rc" in
  0) echo "package-check: passed" ;;
  77) echo "package-check: skipped: no mount namespace can be made here (neither root nor unshare -r)"; exit 77 ;;
  *) echo "package-check: failed" >&2; exit 1 ;;
esac
