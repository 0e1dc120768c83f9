#!/usr/bin/env bash
# The desktop program under Xvfb on a copy of the sample project: selects a topic, changes its
# title in the properties dialog, uses the find bar, builds the web profile, opens the topic
# in the editor, finds from the keyboard, opens context menus with Shift+F10, drags a category
# and a topic, saves, follows files removed and made by another program, reveals a topic's
# file, reads rows as a screen reader does, reloads the project file changed behind its back,
# and keeps screenshots (the window, a find that opened a category, a context menu), closes
# topic editors in windows of their own with unsaved text. Checks the effects on disk. Then
# content files that cannot be read (refused by the editor, skipped by the build, left alone),
# undo and redo of deletes, and the timed gestures on a generated
# project of 5,000 topics (GENERATOR is qvgen).
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

# Reveal in File Manager (in the undo run below): no session bus, so the folder goes to the
# desktop's opener, here a stand-in that writes down what it was given.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$work/opened.txt" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
tag="$project/images/icons/tag.png"

title="Welcome to the Lumen Notes Handbook"
find_shot="${screenshot%.png}-find.png"
menu_shot="${screenshot%.png}-contextmenu.png"
rm -f "$find_shot" "$menu_shot"
# A file outside the project folder, named in the tree by its whole path.
mkdir -p "$work/outside"
echo "terms" >"$work/outside/glossary.txt"
sed -i "s|<Files>|<Files>\n    <File path=\"$work/outside/glossary.txt\" includeInOutput=\"false\"/>|" \
  "$project/Handbook.qvproj"
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
a11y t:T7
a11y t:T28
rm images/icons/tag.png
a11y o:$tag
touch images/icons/tag.png
a11y o:$tag
touch Handbook.qvproj
select t:T28
select t:T7
screenshot $screenshot
collapse c:C5
select c:C1
key Ctrl+F
find storage
expect t:T30
expect-visible t:T30
screenshot $find_shot
select t:T7
contextmenu
select t:T3
contextmenu $menu_shot
expand c:C1
collapse c:C4
drag c:C5 onto t:T31 after
drag t:T5 onto c:C4 into
expect t:T5
expect-visible t:T5
row bp:B1
menu Build
select bp:B1
click Edit
select o:$work/outside/glossary.txt
row o:$work/outside/glossary.txt
# The keyboard walk of the README: find, rename, move, delete, save.
key Ctrl+F
type storage
key Return
expect t:T30
key Tab
key Tab
key Left
expect c:C5
key F2
type Preferences
key Return
key Shift+F10
key U
key Down
expect t:T17
key Delete
key Ctrl+S
# Editors in windows of their own keep what was typed: closing one asks, a deleted topic's
# editor stays open, quitting asks; each time Save is the default answer.
select t:T4
edit window
type Written in its own window.
close editor
select t:T6
edit window
type Kept while the topic is gone.
delete t:T6
undo
redo
close editor
select t:T8
edit
type Saved on quit.
edit window
type Typed in its window.
edit window
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
found="$(sed -n 's/^script: found \([^ ]*\) .*/\1/p' "$work/log.txt" | head -n 1)"
case "$found" in
  t:T11|t:T12|t:T23|t:T26) ;;
  *) fail "find selected '$found', not a topic about sync" ;;
esac

# Find from the keyboard: Ctrl+F reaches the field, the topic found inside a closed category
# is shown, the keyboard stays in the field, and where the search looks is told beside it.
grep -q "^script: key Ctrl+F: Find in Project$" "$work/log.txt" || fail "Ctrl+F is not the window's"
grep -q "^script: found t:T30 (shown), keyboard in the find field, Search In: all$" "$work/log.txt" ||
  fail "the find did not show t:T30 with the keyboard left in the field"
# Shift+F10: over a misspelt title one menu, spelling first, then the topic's commands; on
# another topic the component's own menu, at the selected row.
grep -q "^script: contextmenu spellContext at the selected row: Separating, .*Ignore All | .*Delete" \
  "$work/log.txt" || fail "the spelling and command menu did not open from the keyboard"
grep -q "^script: contextmenu popContext at the selected row: Move Up, Move Down | Edit, " \
  "$work/log.txt" || fail "Shift+F10 did not open the topic's menu at its row"
# Drags: a category dropped under the last topic of the category above goes after that
# category; a topic dropped into a closed category is shown there, selected.
grep -q "^script: dragged c:C5: in topics, after c:C1$" "$work/log.txt" ||
  fail "the category was not moved where it was dropped"
grep -q "^script: dragged t:T5: in c:C4, after t:T[0-9]*$" "$work/log.txt" ||
  fail "the topic dropped into a closed category is not shown there"
c5=$(grep -n 'Category id="C5"' "$project/Handbook.qvproj" | cut -d: -f1)
c2=$(grep -n 'Category id="C2"' "$project/Handbook.qvproj" | cut -d: -f1)
[ "$c5" -lt "$c2" ] || fail "the saved category order does not follow the drag"
# The current build profile: bold in the tree, checked in the Build menu.
grep -q '^script: row bp:B1: "Web Help", bold$' "$work/log.txt" || fail "the current profile is not bold"
grep -q "^script: menu Build: Build Web Help, Open Output | \[x\] Web Help, Compiled Help$" \
  "$work/log.txt" || fail "the Build menu does not mark the current profile"
grep -q "^script: dialog Build Profile \[Name: | Title: | Output folder:\] (default OK) cancelled$" \
  "$work/log.txt" || fail "the build profile dialog's labels or default button are wrong"
grep -q "^script: row o:$work/outside/glossary.txt: \"glossary.txt\", tooltip \"$work/outside/glossary.txt\"$" \
  "$work/log.txt" || fail "the outside file does not show its whole path"
# The keyboard walk: the category found, renamed and moved up, its first topic deleted, saved.
grep -q 'Category id="C5" name="Preferences"' "$project/Handbook.qvproj" || fail "the rename by keys was not saved"
c5=$(grep -n 'Category id="C5"' "$project/Handbook.qvproj" | cut -d: -f1)
c1=$(grep -n 'Category id="C1"' "$project/Handbook.qvproj" | cut -d: -f1)
[ "$c5" -lt "$c1" ] || fail "Move Up from the keyboard's menu did not move the category"
! grep -q 'Topic id="T17"' "$project/Handbook.qvproj" || fail "the topic deleted by keys is still saved"
grep -q "^script: key Ctrl+S: Save$" "$work/log.txt" || fail "Ctrl+S did not save"
# Editor windows: closing one asks as a tab does, naming the topic and the project; one whose
# topic was deleted keeps its text and says so; quitting asks, naming the project.
[ "$(grep -c "^script: message Close Topic: The topic .* of the project Handbook has unsaved changes. Save them?$" "$work/log.txt")" -eq 2 ] ||
  fail "closing an editor window did not ask to save"
grep -q "^script: closed editor Formatting Text\* (not in the project)$" "$work/log.txt" ||
  fail "the editor of the deleted topic did not stay open saying so"
grep -q "^script: message Quit: The project Handbook has unsaved changes. Save them?$" "$work/log.txt" ||
  fail "the quit prompt does not name the project"
# One editor per file: the tab moves into a window with its text, and asking again shows it.
[ "$(grep -c "^script: editing $project/topics/T8.html in its own window, 1 open$" "$work/log.txt")" -eq 2 ] ||
  fail "the tab's editor did not move into one window"
for typed in "T4:Written in its own window." "T6:Kept while the topic is gone." "T8:Saved on quit." \
  "T8:Typed in its window."; do
  grep -qF "${typed#*:}" "$project/topics/${typed%%:*}.html" || fail "the text typed for ${typed%%:*} was lost"
done
! grep -q 'Topic id="T6"' "$project/Handbook.qvproj" || fail "the deleted topic T6 is still saved"
for shot in "$find_shot" "$menu_shot"; do
  [ "$(od -An -tx1 -N8 "$shot" | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "no PNG at $shot"
done
echo "PASS: find, keyboard menus, drags, profile marks and editor windows; screenshots $find_shot $menu_shot"

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

# Outside changes: the removed image shows as missing and the one made again as present, each
# line ending once the tree has caught up; the project file touched by another program is
# offered for reloading (the default answer, Reload, as nothing was unsaved) and reloaded.
a11y() { grep -A1 "^script: > a11y $1\$" "$work/log.txt" | sed -n 's/^script: a11y //p' | sed -n "${2}p"; }
[ "$(a11y "o:$tag" 1)" = "tag.png | Image file, level 4, missing on disk" ] ||
  fail "the removed image is not shown as missing: $(a11y "o:$tag" 1)"
[ "$(a11y "o:$tag" 2)" = "tag.png | Image file, level 4" ] ||
  fail "the image made again is not shown as present: $(a11y "o:$tag" 2)"
grep -q "^script: message Project Changed on Disk: The project file $project/Handbook.qvproj was changed by another program.$" \
  "$work/log.txt" || fail "the changed project file was not offered for reloading"
[ "$(grep -c "^script: note Opened $project/Handbook.qvproj$" "$work/log.txt")" -eq 2 ] ||
  fail "the project was not reloaded"
# Screen reader: names without markup, descriptions with kind, level, status, exclusion and
# misspelt words.
[ "$(a11y t:T7 1)" = "Notebooks (Seperating Notes into Notebooks) | Topic, level 3, status InProgress, misspelt: Seperating" ] ||
  fail "row T7 reads '$(a11y t:T7 1)'"
[ "$(a11y t:T28 1)" = "BetaFlags (Internal: Beta Feature Flags) | Topic, level 3, status Draft, excluded from output" ] ||
  fail "row T28 reads '$(a11y t:T28 1)'"

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

# Content files that are there but cannot be read: a link that leads to itself, and a FIFO in
# place of a page. The editor says why and opens nothing; the build skips both without
# waiting on the FIFO; quitting leaves both as they were.
odd_project="$work/Odd"
cp -r "$sample" "$odd_project"
rm -f "$odd_project/topics/T2.html" "$odd_project/topics/T3.html"
ln -s T2.html "$odd_project/topics/T2.html"
mkfifo "$odd_project/topics/T3.html"
cat >"$work/odd.txt" <<GESTURES
select t:T2
edit
select t:T3
edit
select bp:B1
build
quit
GESTURES
status=0
QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --script "$work/odd.txt" "$odd_project" >"$work/log-odd.txt" 2>&1 || status=$?
cat "$work/log-odd.txt"
[ "$status" -eq 0 ] || fail "the program ended with status $status on unreadable content files"
[ "$(grep -c "^script: no editor opened$" "$work/log-odd.txt")" -eq 2 ] ||
  fail "an editor opened on a content file that cannot be read"
grep -q "^script: message Quorvel: Error 75: Cannot edit $odd_project/topics/T2.html: Too many levels of symbolic links; the file was left as it is$" \
  "$work/log-odd.txt" || fail "the unreadable content file was not reported"
grep -q "^script: message Quorvel: Error 75: Cannot edit $odd_project/topics/T3.html: it is a pipe (FIFO), not a regular file; the file was left as it is$" \
  "$work/log-odd.txt" || fail "the FIFO was not refused"
grep -q "^script: note Build Web Help: .*; 2 items skipped" "$work/log-odd.txt" ||
  fail "the build did not skip the two content files"
[ -L "$odd_project/topics/T2.html" ] && [ "$(readlink "$odd_project/topics/T2.html")" = T2.html ] ||
  fail "the link that leads to itself was replaced"
[ -p "$odd_project/topics/T3.html" ] || fail "the FIFO was replaced"
echo "PASS: unreadable content files refused and left alone"

# Undo: a category is deleted with its four topics and a file is deleted from disk (into the
# trash), both are undone, redone and undone again: the project is then as it was opened, so
# quitting asks nothing, the project folder is byte for byte what a save right after opening
# wrote, and the trash is empty.
undo_project="$work/Undo"
cp -r "$sample" "$undo_project"
zip="$undo_project/downloads/sample.zip"
# Two clicks that cancel out: the save writes the project file as the program writes it.
cat >"$work/undo-first.txt" <<GESTURES
select t:T1
click IncludeInOutput
click IncludeInOutput
reveal t:T1
save
quit
GESTURES
cat >"$work/undo.txt" <<GESTURES
delete c:C4
delete o:$zip
undo
undo
redo
redo
undo
undo
quit
GESTURES
folder_sums() { (cd "$undo_project" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
status=0
# Reveal in File Manager on the way: no session bus, so the folder goes to the opener.
PATH="$work/bin:$PATH" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --script "$work/undo-first.txt" "$undo_project" >"$work/log-undo1.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/log-undo1.txt"; fail "the first save of the undo project ended with $status"; }
grep -q "^script: revealed $undo_project/topics/T1.html (folder)$" "$work/log-undo1.txt" ||
  fail "the topic's file was not revealed"
[ "$(cat "$work/opened.txt")" = "file://$undo_project/topics" ] || fail "the opener got '$(cat "$work/opened.txt")'"
folder_sums >"$work/undo-before.txt"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --script "$work/undo.txt" "$undo_project" >"$work/log-undo.txt" 2>&1 || status=$?
cat "$work/log-undo.txt"
[ "$status" -eq 0 ] || fail "the program ended with status $status in the undo gestures"
! grep -q "^script: FAILED" "$work/log-undo.txt" || fail "an undo gesture failed"
grep -q "^script: deleted c:C4$" "$work/log-undo.txt" || fail "the category was not deleted"
grep -q "^script: message Delete File: Would you also like to delete the file from disk?" \
  "$work/log-undo.txt" || fail "the file delete did not ask about the disk"
[ "$(grep -c "^script: undone Delete$" "$work/log-undo.txt")" -eq 4 ] || fail "not four undone deletes"
[ "$(grep -c "^script: redone Delete$" "$work/log-undo.txt")" -eq 2 ] || fail "not two redone deletes"
! grep -q "has unsaved changes" "$work/log-undo.txt" || fail "quitting asked to save the project as opened"
folder_sums | diff "$work/undo-before.txt" - || fail "the project folder differs after undo"
trash="$HOME/.local/share/Trash"
left="$(find "$trash" -name 'sample*' 2>/dev/null)"
[ -z "$left" ] || fail "the trash still holds $left"
echo "PASS: deletes undone, redone and undone again; the project folder is as it was"

# Moves without a mouse and the filter, on a fresh copy of the sample: Alt+Down reorders a
# topic (undone and redone, it stays selected), a new topic in a collapsed category is shown
# and selected, a topic's menu shows what an undo put back, Alt+Up on the first category after
# "(Un-categorized)" moves nothing, a cut topic pasted on a category goes into it, a cut file
# pasted on a sub-folder is refused as its drop is, and the filter narrows the tree and Escape
# gives the rows back.
rm -rf "$work/Moves"
cp -r "$sample" "$work/Moves"
moves="$work/Moves"
cat >"$work/moves.txt" <<GESTURES
select t:T3
press Alt+Down
undo
expect t:T3
redo
expect t:T3
select c:C3
click AddTopic
expect-visible t:T34
expect t:T34
select t:T1
click IncludeInOutput
undo
contextmenu
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
grep -q "^script: contextmenu .*\[x\] Include in Output" "$work/log4.txt" ||
  fail "after the undo the menu did not show T1 included in the output"
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
find zz no such text
quit
GESTURES
status=0
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --script "$work/large.txt" "$large" >"$work/log3.txt" 2>&1 || status=$?
cat "$work/log3.txt"
[ "$status" -eq 0 ] || fail "the program ended with status $status on the generated project"
! grep -q "^script: FAILED" "$work/log3.txt" || fail "a gesture failed on the generated project"
timed=$(grep -c "^script: \[took [0-9.]* ms, longest stall [0-9.]* ms, CPU [0-9.]* ms\] " "$work/log3.txt" || true)
[ "$timed" -eq 13 ] || fail "$timed timed lines instead of 13 (the open and 12 gestures)"
grep -q "^script: \[took .*\] quit$" "$work/log3.txt" || fail "quit was not timed"
# While the project opens, the cursor is busy and the status bar follows the load.
# (Later captions are painted at most every 100 ms, so which of them show depends on the pace.)
grep -q "^script: note (busy cursor) Opening: Reading .*\.qvproj$" "$work/log3.txt" ||
  fail "the open did not show its progress with a busy cursor"
# A find through the whole tree: a busy cursor and the status bar meanwhile, then its answer.
grep -q '^script: note (busy cursor) Searching for "zz no such text"' "$work/log3.txt" ||
  fail "the find did not show that it was searching"
grep -q "^script: message Find Complete: No more items were found matching the search criteria$" \
  "$work/log3.txt" || fail "the find through the whole tree did not end with its message"
! grep -q "^script: note (under the box) Searching" "$work/log3.txt" ||
  fail "the status bar still said it was searching while the find's message showed"
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
