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
select t:T1
edit
save
select t:T28
select t:T7
screenshot $screenshot
quit
GESTURES

status=0
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
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
click AddTopic
click Properties
select c:C1
click AddCategory
screenshot $readonly_shot
quit
GESTURES
status=0
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --script "$work/readonly.txt" "$project" >"$work/log2.txt" 2>&1 || status=$?
chmod u+w "$project/Handbook.qvproj"
cat "$work/log2.txt"
[ "$status" -eq 0 ] || fail "the program ended with status $status on the read-only project"
grep -q "^script: warning shown You cannot add or remove items in this Project as the Project the file ($project/Handbook.qvproj) is read-only" "$work/log2.txt" ||
  fail "the read-only project's warning bar is not shown with its caption"
[ -s "$readonly_shot" ] || fail "no screenshot at $readonly_shot"
refusals=$(grep -c "^script: message Read-Only Project: The project file $project/Handbook.qvproj is read-only, so the project cannot be changed." "$work/log2.txt" || true)
[ "$refusals" -eq 3 ] || fail "$refusals read-only messages instead of 3 (new topic, properties, new category)"
cmp -s "$project/Handbook.qvproj" "$work/readonly-before.qvproj" || fail "the read-only project file changed"
ls -R "$project" | diff -q - "$work/readonly-files-before.txt" >/dev/null ||
  fail "files were made in the read-only project"
echo "PASS: read-only warning bar, screenshot at $readonly_shot"

# Moves without a mouse and the filter, on a fresh copy of the sample: Alt+Down reorders a
# topic, Alt+Up on the first category after "(Un-categorized)" moves nothing, a cut topic pasted
# on a category goes into it, a cut file pasted on a sub-folder is refused as its drop is, and
# the filter narrows the tree and Escape gives the rows back.
rm -rf "$work/Moves"
cp -r "$sample" "$work/Moves"
moves="$work/Moves"
cat >"$work/moves.txt" <<GESTURES
select t:T3
press Alt+Down
select c:C1
press Alt+Up
cut t:T2
paste c:C4
cut o:$moves/images/icons/tag.png
paste images\\images\\screens
filter sync
filter
save
quit
GESTURES
status=0
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --script "$work/moves.txt" "$moves" >"$work/log4.txt" 2>&1 || status=$?
cat "$work/log4.txt"
[ "$status" -eq 0 ] || fail "the program ended with status $status moving without a mouse"
! grep -q "^script: FAILED" "$work/log4.txt" || fail "a gesture failed moving without a mouse"
line_of() { grep -n "$1" "$moves/Handbook.qvproj" | cut -d: -f1; }
[ "$(line_of 'id="T5"')" -lt "$(line_of 'id="T3"')" ] || fail "Alt+Down did not move T3 after T5"
[ "$(line_of 'id="C1"')" -lt "$(line_of 'id="C2"')" ] || fail "Alt+Up moved C1 above (Un-categorized)"
grep -q 'id="T2" [^>]*category="C4"' "$moves/Handbook.qvproj" || fail "the pasted topic T2 is not in C4"
grep -q "^script: moved t:T2 into c:C4$" "$work/log4.txt" || fail "the paste of T2 was not reported"
grep -q "^script: not moved o:.*tag.png into images.images.screens$" "$work/log4.txt" ||
  fail "a file pasted on a sub-folder was not refused as its drop is"
[ -f "$moves/images/icons/tag.png" ] || fail "the refused paste touched the file"
read -r matches shown before < <(sed -n 's/^script: filter sync: \([0-9]*\) items match, \([0-9]*\) rows shown (\([0-9]*\) before).*/\1 \2 \3/p' "$work/log4.txt")
[ "${matches:-0}" -gt 0 ] && [ "$shown" -lt "$before" ] || fail "the filter did not narrow the tree"
grep -q "^script: filter cleared: $before rows shown" "$work/log4.txt" ||
  fail "Escape in the filter did not give back the $before rows"
echo "PASS: moves without a mouse and the filter"

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
