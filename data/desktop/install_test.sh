#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop finds there: Corvane's
# desktop entry (accepted by desktop-file-validate, starting the installed program), its icon in
# the hicolor theme sizes, its AppStream record (accepted by appstreamcli), and the installed
# Corvane reading its language files from the prefix.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
id=org.corvane.Corvane
work=$(mktemp -d)
pid=""
trace=""
cleanup() {
  if [[ -n $pid ]]; then
    # The traced Corvane first (the trace's first pid), then strace itself.
    local traced
    traced=$(head -n1 "$trace" 2>/dev/null | cut -d' ' -f1)
    if [[ $traced =~ ^[0-9]+$ ]]; then kill "$traced" 2>/dev/null || true; fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A prefix with a blank in it: the entry must still start the program.
prefix="$work/the prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "cmake --install"; }
share="$prefix/share"

entry="$share/applications/$id.desktop"
metainfo="$share/metainfo/$id.metainfo.xml"
[[ -f $entry ]] || fail "no desktop entry at $entry"
[[ -f $metainfo ]] || fail "no AppStream record at $metainfo"
[[ -f $share/icons/hicolor/scalable/apps/$id.svg ]] || fail "no scalable icon"
for size in 16 32 48 64 128 256; do
  icon="$share/icons/hicolor/${size}x${size}/apps/$id.png"
  [[ -f $icon ]] || fail "no ${size}x${size} icon"
  # The PNG header's width and height (bytes 17-24) say the size its folder promises.
  dims=$(od --endian=big -An -tu4 -j16 -N8 "$icon" | xargs)
  [[ $dims == "$size $size" ]] || fail "${size}x${size} icon is ${dims/ /x}"
done

for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli rejects $metainfo"

grep -qx 'Categories=Utility;FileTools;' "$entry" || fail "the entry is not in Utility and FileTools"
grep -qx "Icon=$id" "$entry" || fail "the entry does not name the icon $id"
exec_line=$(grep '^Exec=' "$entry")
[[ $exec_line == "Exec=\"$prefix/bin/Corvane\" %f" ]] || fail "the entry starts $exec_line, not the installed Corvane"
[[ -x $prefix/bin/Corvane ]] || fail "no installed Corvane"

# The installed Corvane finds its language files beside its bin/ folder: started in a home of its
# own (nothing there overrides a shipped file), it opens the prefix's LfrmMain.bin.
[[ -f $share/vardulek/LfrmMain.bin ]] || fail "no language files in $share/vardulek"
if ! strace -o /dev/null /bin/true 2>/dev/null; then
  echo "SKIP the run of the installed Corvane: strace cannot trace here"
  exit 0
fi
home="$work/home"
mkdir -p "$home/config" "$home/data" "$home/tmp" "$home/run" "$work/folder"
chmod 700 "$home/run"
trace="$work/trace"
env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  XDG_RUNTIME_DIR="$home/run" TMPDIR="$home/tmp" LANG=C QT_QPA_PLATFORM=offscreen \
  strace -f -qq -e trace=openat -o "$trace" "$prefix/bin/Corvane" "$work/folder" >"$work/run.log" 2>&1 &
pid=$!
# Bounded only so that a program that hangs before reading fails the test instead of stalling it.
for _ in $(seq 600); do
  grep -q 'LfrmMain\.bin' "$trace" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
opened=$(grep 'LfrmMain\.bin' "$trace" || true)
[[ -n $opened ]] || { cat "$work/run.log" >&2; fail "the installed Corvane never opened LfrmMain.bin"; }
grep -F "\"$prefix/bin/../share/vardulek/LfrmMain.bin\"" <<<"$opened" | grep -Eq '\) = [0-9]+$' ||
  fail "the installed Corvane did not read the prefix's language file: $opened"
echo "PASS"
