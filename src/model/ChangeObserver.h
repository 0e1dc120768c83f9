#pragma once

#include "contracts/ProjectModel.h"

#include <memory>

namespace qv {

// Told of each change to a project's items just before the project makes it, while the item
// still has its old values and its old place, so that an undo history can record the old
// state of just the items that change instead of keeping a copy of all of them. It is the
// program's own hook, not one of the project's events: one observer per project
// (Project::SetChangeObserver), called from inside the change, before any event. Only items
// in the project are told of, and only changes that passed their checks (a refused change
// tells nothing); an observer that throws stops the change before anything changed.
template <class T> class ItemChangeObserver {
public:
    // Before a setter changes values the project file keeps (a topic's category included).
    // A setter that writes the value the item already has tells too.
    virtual void BeforeChange(const std::shared_ptr<T>& item) = 0;
    // Before the item leaves its collection: removed, or the first half of a move.
    virtual void BeforeLeave(const std::shared_ptr<T>& item) = 0;
    // Before the item is put just before next (nullptr: at the end) in its collection: an add,
    // or the second half of a move, told right after BeforeLeave and before either is made.
    // The item now before next gets a new successor.
    virtual void BeforeArrive(const std::shared_ptr<T>& item, const std::shared_ptr<T>& next) = 0;

protected:
    ~ItemChangeObserver() = default;
};

class ProjectChangeObserver : public ItemChangeObserver<Topic>,
                              public ItemChangeObserver<TopicCategory>,
                              public ItemChangeObserver<OtherFile>,
                              public ItemChangeObserver<BuildProfile> {
public:
    using ItemChangeObserver<Topic>::BeforeChange;
    using ItemChangeObserver<Topic>::BeforeLeave;
    using ItemChangeObserver<Topic>::BeforeArrive;
    using ItemChangeObserver<TopicCategory>::BeforeChange;
    using ItemChangeObserver<TopicCategory>::BeforeLeave;
    using ItemChangeObserver<TopicCategory>::BeforeArrive;
    using ItemChangeObserver<OtherFile>::BeforeChange;
    using ItemChangeObserver<OtherFile>::BeforeLeave;
    using ItemChangeObserver<OtherFile>::BeforeArrive;
    using ItemChangeObserver<BuildProfile>::BeforeChange;
    using ItemChangeObserver<BuildProfile>::BeforeLeave;
    using ItemChangeObserver<BuildProfile>::BeforeArrive;

protected:
    ~ProjectChangeObserver() = default;
};

} // namespace qv
