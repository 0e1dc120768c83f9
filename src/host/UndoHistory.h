#pragma once

#include <functional>
#include <memory>
#include <string>

namespace qv {

class Project;
class TrashFileService;

// The undo history of one open project: every change to the project, whoever makes it (the
// explorer, the IDE object, a dialog of the program), can be undone and redone.
//
// It is built on the project's change observer (ProjectChangeObserver), which tells it of each
// change just before the project makes it, whoever makes it: it then records the state of just
// the items that change, as they are before the step's first change to them (their fields,
// whether they are in the project and the item that follows them), and keeps no copy of the
// others. The changes between two calls of Break form one step, so a gesture that changes 200
// topics is one step. Undo puts each recorded item back as it was
// when its step began (the same item object, so with its old ID, at its old place, in its old
// category), Redo as it was when its step ended; both go through the project's collections
// and setters, so the project raises the events that let the explorer follow. A step that
// moved files to the trash (TrashFileService) brings them back from it first on undo, and
// moves them there again after the project changes on redo.
//
// Undoing every step since the project was opened gives back every item as it was then, in
// the same order; only the next-ID counters stay as they are, as nothing lowers them.
//
// The history is the project's one change observer while it lives; it may be made at any time
// after the load (changes made before it are not undoable). Steps hold the items they removed,
// so those live as long as the history.
class UndoHistory final {
public:
    // trash: the program's file service, whose moves become part of the open step; nullptr
    // when files are deleted for good (nothing to bring back). Both must outlive the history.
    explicit UndoHistory(std::shared_ptr<Project> project, TrashFileService* trash = nullptr);
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Ends the open step: the next change begins a new one. A step that changed nothing (or
    // whose changes cancel out) is dropped; a new step drops the steps that were undone.
    void Break();

    bool CanUndo() const;
    bool CanRedo() const;
    // What the step that Undo or Redo would take back did, for the menu ("Delete", "Rename",
    // "Move", "New Topic", ...); "" when there is none.
    std::string UndoName() const;
    std::string RedoName() const;

    // Ends the open step, then takes back the last step (Undo) or does again the last step
    // taken back (Redo). Nothing to undo or redo: nothing happens. A file that cannot come back
    // (gone from the trash, something lying in its place) or a change the project refuses does
    // not stop the rest of the step: the step still moves to the other list, and the first
    // failure is raised afterwards with every file that stayed where it was.
    void Undo();
    void Redo();

    // The explorer's node key of the item the last Undo or Redo is about, for the program to
    // select and show: an item it brought into the project, else one it moved or changed
    // (categories before topics, files and profiles; in the order the step first changed
    // them), never one whose only change was its neighbour. "" when it took items away (the
    // tree has put the selection beside them) or nothing was undone or redone yet.
    const std::string& ShownKey() const;

    // The project now is what its file holds (just saved). An Undo or Redo that brings every
    // item back to this point, with no ID taken meanwhile, clears the project's Dirty flag: a
    // save would write the same file. Made with a project that is not Dirty, the history marks
    // the project as it was opened.
    void MarkSaved();

    // Called after each change of what CanUndo, CanRedo or the names answer (possibly many
    // times for one gesture: coalesce).
    void SetObserver(std::function<void()> changed);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace qv
