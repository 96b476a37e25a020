#!/usr/bin/env bash
# Installs BUILD/gamefold_*_amd64.deb into a clean Debian 12 root, as a user would with apt, and
# uses it there: the version, a sample season's pages compared with those of the build tree,
# the manual pages, the window started through its menu entry, then a purge that must leave
# nothing behind. Usage: packaging/package-test.sh [BUILD]; run as root (it uses chroot).
#
# The root's base (Debian's apt variant, with man-db) is made once and kept as a tarball in
# BUILD/package-test/, with every package apt downloads beside it, so that later runs download
# nothing and take about a minute.
set -euo pipefail

[ "$(id -u)" = 0 ] || { echo "package-test: run as root: it uses chroot and bind mounts" >&2; exit 1; }
build=$(cd "${1:-build}" && pwd)
debs=("$build"/gamefold_*_amd64.deb)
[ -f "${debs[-1]}" ] || { echo "package-test: no package in $build: run make package" >&2; exit 1; }
deb=${debs[-1]}
programs=$build/package
cache=$build/package-test
base=$cache/bookworm-base.tar
archives=$cache/archives
root=$cache/root
started=$SECONDS

say() { printf 'package-test: %s\n' "$*"; }
fail() { printf 'package-test: FAILED: %s\n' "$*" >&2; exit 1; }

if [ ! -f "$base" ]; then
  say "making the Debian 12 base root (once; kept in $base)"
  mkdir -p "$cache"
  # Package lists kept, so that apt installs in the root without updating them every run.
  mmdebstrap --variant=apt --format=tar --include=man-db --skip=cleanup/apt/lists bookworm \
    "$base.part"
  mv "$base.part" "$base"
fi

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" || true; done
  rm -rf "$root"
}
trap cleanup EXIT
bind() {
  mkdir -p "$2"
  mount --bind "$1" "$2"
  mounted+=("$2")
}

rm -rf "$root"
mkdir -p "$root" "$archives/partial"
tar -C "$root" -xf "$base"
bind /proc "$root/proc"
bind /dev "$root/dev"
bind "$archives" "$root/var/cache/apt/archives"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/gamefold.deb"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

say "installing $(basename "$deb") with apt"
# Without the recommended packages (Qt's would bring a GTK theme): the package's own
# dependencies must be enough, and the download stays small.
install=(apt-get install -y -q --no-install-recommends /tmp/gamefold.deb)
if ! in_root "${install[@]}" > "$cache/install.log" 2>&1; then
  # Lists older than the archive's current packages: refresh them once and try again.
  in_root apt-get update -q >> "$cache/install.log" 2>&1
  in_root "${install[@]}" >> "$cache/install.log" 2>&1 ||
    { cat "$cache/install.log" >&2; fail "apt could not install the package"; }
fi
in_root dpkg-query -L gamefold > "$cache/files.txt"

say "gamefold-batch --version"
version=$(in_root gamefold-batch --version)
[ "$version" = "gamefold-batch $(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')" ] ||
  fail "gamefold-batch --version said: $version"

say "a sample season, processed by the installed programs and by the build tree's"
in_root sh -c 'gamefold-sample-season --days 5 /tmp/boxes > /dev/null && mkdir /tmp/web &&
  gamefold-batch process --content 3 --index /tmp/boxes /tmp/web' ||
  fail "the installed programs could not process a sample season"
rm -rf "$cache/boxes" "$cache/web"
mkdir -p "$cache/web"
"$programs/tools/gamefold-sample-season" --days 5 "$cache/boxes" > /dev/null
"$programs/src/batch/gamefold-batch" process --content 3 --index "$cache/boxes" "$cache/web"
diff -r "$cache/boxes" "$root/tmp/boxes" > /dev/null || fail "the sample seasons differ"
diff -r "$cache/web" "$root/tmp/web" || fail "the pages differ from the build tree's"
[ "$(ls "$root/tmp/web" | wc -l)" = 6 ] || fail "expected 5 day pages and the index"
rm -rf "$cache/boxes" "$cache/web"

say "the manual pages"
for page in gamefold gamefold-batch gamefold-sample-season; do
  in_root man -w "$page" > /dev/null || fail "man finds no page $page"
done
in_root sh -c 'MANWIDTH=80 man gamefold-batch 2> /dev/null' | grep -q "EXIT STATUS" ||
  fail "gamefold-batch(1) does not read"

say "the window, started offscreen through the menu entry with only HOME set"
desktop=$root/usr/share/applications/org.gamefold.Gamefold.desktop
command=$(sed -n 's/^Exec=//p' "$desktop")
mkdir -p "$root/home/player"
start_window() {
  # The window runs until it is closed; two seconds are enough for its start-up to finish.
  chroot "$root" /usr/bin/env -i HOME=/home/player QT_QPA_PLATFORM=offscreen "$@" \
    sh -c "cd / && exec timeout -s TERM 2 $command" > /dev/null 2>&1 || true
}
start_window
folder=$root/home/player/.local/share/gamefold
[ -d "$folder" ] || fail "the launcher made no folder $folder"
grep -q " finished load " "$folder/boxtrace.txt" || fail "no trace log in the per-user folder"
[ ! -e "$root/boxtrace.txt" ] && [ ! -e "$root/home/player/boxtrace.txt" ] ||
  fail "a trace log landed outside the per-user folder"
# The settings are read from the same folder: a second start restores the folders they name.
printf 'IPF /tmp/boxes\r\nOPF /tmp/web\r\nSEL 2 - Boxscores & Scoresheets\r\n' > "$folder/DOD_box.txt"
start_window
grep -q "M/tmp/web"$'\r' "$folder/boxtrace.txt" ||
  fail "the second start did not restore the folders of $folder/DOD_box.txt"
grep -q "5 Days out" "$folder/boxtrace.txt" || fail "the restored output folder shows no pages"
start_window XDG_DATA_HOME=/home/player/data
[ -f "$root/home/player/data/gamefold/boxtrace.txt" ] || fail "XDG_DATA_HOME was not followed"

say "purging the package"
in_root apt-get purge -y -q gamefold > "$cache/purge.log" 2>&1 ||
  { cat "$cache/purge.log" >&2; fail "apt could not purge the package"; }
! in_root dpkg-query -W gamefold > /dev/null 2>&1 || fail "dpkg still knows the package"
left=()
while read -r path; do
  # Folders that other packages share (/usr/bin, /usr/share/man/man1, ...) stay.
  if [ -e "$root$path" ] && [ ! -d "$root$path" ]; then left+=("$path"); fi
  if [ -d "$root$path" ] && [[ $path == */gamefold ]]; then left+=("$path/"); fi
done < "$cache/files.txt"
[ ${#left[@]} -eq 0 ] || fail "left after the purge: ${left[*]}"

say "passed in $((SECONDS - started)) s"
