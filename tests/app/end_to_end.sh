#!/usr/bin/env bash
# The desktop program under Xvfb on a copy of the sample project: selects a topic, changes its
# title in the properties dialog, uses the find bar, builds the web profile, opens the topic
# in the editor, saves, and keeps a screenshot. Checks the effects on disk. Then the timed
# gestures on a generated project of 5,000 topics (GENERATOR is qvgen).
# Usage: end_to_end.sh PROGRAM SAMPLE_FOLDER SCREENSHOT_PNG GENERATOR
set -euo pipefail
program="$1" sample="$2" screenshot="$3" generator="$4"

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "FAIL: xvfb-run is not installed; scripts/setup.sh installs it (packages xvfb, xauth)." >&2
  exit 1
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/qv-desktop-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp -r "$sample" "$work/Handbook"
project="$work/Handbook"
# Two files from outside the project folder, one of them missing: the build copies the one and
# names the other as skipped.
mkdir -p "$work/shared" "$work/nolauncher" "$work/launcher"
printf 'PNG' >"$work/shared/outside.png"
sed -i "s|  </Files>|    <File path=\"$work/shared/outside.png\"/>\n    <File path=\"$work/shared/gone.css\"/>\n  </Files>|" \
  "$project/Handbook.qvproj"
# A desktop launcher that knows no application for the file (as xdg-open says it).
printf '#!/bin/sh\necho "xdg-open: no method available for opening $1" >&2\nexit 3\n' \
  >"$work/launcher/xdg-open"
chmod +x "$work/launcher/xdg-open"
# Settings, registry and error reports of this run stay in the scratch folder.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" HOME="$work/home"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$HOME"
rm -f "$screenshot"

title="Welcome to the Lumen Notes Handbook"
cat >"$work/gestures.txt" <<GESTURES
select t:T1
properties $title
expect t:T1
find Sync
select bp:B1
build
button Open Contents
select t:T1
edit
save
select t:T28
select t:T7
screenshot $screenshot
quit
GESTURES

status=0
# No launcher on PATH: opening the contents must say so.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" env PATH="$work/nolauncher" \
  "$program" --script "$work/gestures.txt" "$project" >"$work/log.txt" 2>&1 || status=$?
cat "$work/log.txt"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$status" -eq 0 ] || fail "the program ended with status $status"
grep -q "^script: > quit" "$work/log.txt" && ! grep -q "^script: FAILED" "$work/log.txt" ||
  fail "the gestures did not all run"

if grep -q "^script: message .*Error" "$work/log.txt"; then fail "an error was reported"; fi

# Properties and save: the new title is in the project file, written in one piece.
grep -q "id=\"T1\" name=\"Welcome\" title=\"$title\"" "$project/Handbook.qvproj" ||
  fail "the new title of T1 is not in the saved project file"
grep -q "</QuorvelProject>" "$project/Handbook.qvproj" || fail "the project file is incomplete"

# Find: the find bar selected a node whose name or title holds "sync".
found="$(sed -n 's/^script: found //p' "$work/log.txt")"
case "$found" in
  t:T11|t:T12|t:T23|t:T26) ;;
  *) fail "find selected '$found', not a topic about sync" ;;
esac

# Build: the web profile's output folder holds the contents and the pages.
out="$project/output/web"
[ -f "$out/index.html" ] || fail "no index.html in $out"
grep -q "<h2>Getting Started</h2>" "$out/index.html" || fail "the contents lack their categories"
grep -q ">$title</a>" "$out/index.html" || fail "the contents lack the new title"
grep -q "<title>$title</title>" "$out/topics/T1.html" || fail "the page of T1 lacks its title"
[ ! -e "$out/topics/T28.html" ] || fail "the excluded topic T28 was built"
[ -f "$out/styles/handbook.css" ] || fail "the style sheet was not copied"
[ "$(cat "$out/outside/outside.png")" = PNG ] || fail "the file from outside the project was not built"
grep -q "^script: note Build Web Help: .* written to $out/; 1 item skipped, 1 file left out (named in the report)$" \
  "$work/log.txt" || fail "the build's note does not tell what was skipped and left out"
grep -q "^script: message Open: No program is set up to open files on this desktop (xdg-open, of the package xdg-utils, is not installed), so $out/index.html was not opened.$" \
  "$work/log.txt" || fail "opening the contents without a launcher did not say why it failed"
grep -q "script: editing .*topics/T1.html" "$work/log.txt" || fail "the topic editor did not open"

# Screenshot: a PNG of a real window, not an empty picture.
[ -f "$screenshot" ] || fail "no screenshot at $screenshot"
signature="$(od -An -tx1 -N8 "$screenshot" | tr -d ' \n')"
[ "$signature" = "89504e470d0a1a0a" ] || fail "the screenshot is not a PNG"
read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$screenshot")
width=$(( (w1 << 24) | (w2 << 16) | (w3 << 8) | w4 ))
height=$(( (h1 << 24) | (h2 << 16) | (h3 << 8) | h4 ))
[ "$width" -ge 600 ] && [ "$height" -ge 400 ] || fail "the screenshot is only ${width}x${height}"
size=$(stat -c %s "$screenshot")
[ "$size" -ge 20000 ] || fail "the screenshot holds too little ($size bytes) to show a window"
echo "PASS: ${width}x${height} screenshot ($size bytes) at $screenshot"

# A read-only project file: the warning bar shows its caption above the tree, and commands
# that would change the project say why they do not, and change nothing.
readonly_shot="${screenshot%.png}-readonly.png"
rm -f "$readonly_shot"
chmod a-w "$project/Handbook.qvproj"
cp "$project/Handbook.qvproj" "$work/readonly-before.qvproj"
ls -R "$project" >"$work/readonly-files-before.txt"
cat >"$work/readonly.txt" <<GESTURES
select t:T7
warning
select o:$project/notes.txt
click Edit
select t:T7
click AddTopic
click Properties
select c:C1
click AddCategory
screenshot $readonly_shot
quit
GESTURES
status=0
# A launcher that cannot open the file: its words reach the author.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" env PATH="$work/launcher" \
  "$program" --script "$work/readonly.txt" "$project" >"$work/log2.txt" 2>&1 || status=$?
chmod u+w "$project/Handbook.qvproj"
cat "$work/log2.txt"
[ "$status" -eq 0 ] || fail "the program ended with status $status on the read-only project"
grep -q "^script: warning shown You cannot add or remove items in this Project as the Project the file ($project/Handbook.qvproj) is read-only" "$work/log2.txt" ||
  fail "the read-only project's warning bar is not shown with its caption"
[ -s "$readonly_shot" ] || fail "no screenshot at $readonly_shot"
refusals=$(grep -c "^script: message Read-Only Project: The project file $project/Handbook.qvproj is read-only, so the project cannot be changed." "$work/log2.txt" || true)
[ "$refusals" -eq 3 ] || fail "$refusals read-only messages instead of 3 (new topic, properties, new category)"
grep -q "^script: message Open: The desktop could not open $project/notes.txt. |  | xdg-open: no method available for opening $project/notes.txt$" \
  "$work/log2.txt" || fail "a file the desktop cannot open was not reported"
cmp -s "$project/Handbook.qvproj" "$work/readonly-before.qvproj" || fail "the read-only project file changed"
ls -R "$project" | diff -q - "$work/readonly-files-before.txt" >/dev/null ||
  fail "files were made in the read-only project"
echo "PASS: read-only warning bar, screenshot at $readonly_shot"

# A generated project of 5,000 topics through the timed gestures: a category of ten topics is
# deleted (its question answered Yes, the default), the build runs in the background and a
# second one is cancelled, everything below Topics is expanded, and quitting saves the changes
# (the default answer). Each line reports its time and longest stall; no time is asserted.
"$generator" 5000 "$work/large" >/dev/null
large="$work/large/project5000"
cat >"$work/large.txt" <<GESTURES
collapse topics
expand topics
expand c:C12
collapse c:C12
delete c:C12
select bp:B1
build
build cancel
select topics
press *
quit
GESTURES
status=0
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --script "$work/large.txt" "$large" >"$work/log3.txt" 2>&1 || status=$?
cat "$work/log3.txt"
[ "$status" -eq 0 ] || fail "the program ended with status $status on the generated project"
! grep -q "^script: FAILED" "$work/log3.txt" || fail "a gesture failed on the generated project"
timed=$(grep -c "^script: \[took [0-9.]* ms, longest stall [0-9.]* ms\] " "$work/log3.txt" || true)
[ "$timed" -eq 12 ] || fail "$timed timed lines instead of 12 (the open and 11 gestures)"
grep -q "^script: \[took .*\] quit$" "$work/log3.txt" || fail "quit was not timed"
# While the project opens, the cursor is busy and the status bar follows the load.
grep -q "^script: note (busy cursor) Opening: Loading Topics$" "$work/log3.txt" ||
  fail "the open did not show its progress with a busy cursor"
grep -q "^script: deleted c:C12$" "$work/log3.txt" || fail "the category was not deleted"
grep -q "^script: message Confirm Delete: Are you sure you want to delete this Category?" \
  "$work/log3.txt" || fail "the delete did not ask"
! grep -q 'id="C12"' "$large/Generated.qvproj" || fail "the deleted category is still saved"
grep -q 'id="T12" .*includeInOutput' "$large/Generated.qvproj" || fail "topic T12 is not saved"
! grep -q 'id="T12"[^>]*category=' "$large/Generated.qvproj" || fail "T12 kept its category"
# The first build wrote every page and copy; the cancelled one left no partial file behind.
grep -q "^script: note Build Web Help: 4,500 pages and 2,250 files written to $large/output/B1/$" \
  "$work/log3.txt" || fail "the build did not write 4,500 pages and 2,250 files"
[ -f "$large/output/B1/index.html" ] || fail "no contents in the build's output"
[ "$(grep -c "^script: note Build Web Help" "$work/log3.txt")" -eq 2 ] || fail "two builds did not end"
leftovers=$(find "$large/output" -name '.*.qvbuild-*' | wc -l)
[ "$leftovers" -eq 0 ] || fail "$leftovers temporary files were left in the output folder"
# Expanding everything stores the expanded folders, not the 5,000 topics.
ini="$XDG_CONFIG_HOME/Veltrane/QuorvelDesktop.ini"
grep -q "expanded=topics, c:uncategorized, c:C1, " "$ini" || fail "the expanded folders were not stored"
! grep -q "t:T" "$ini" || fail "expanded topics were stored"
echo "PASS: timed gestures on a generated project of 5,000 topics"
