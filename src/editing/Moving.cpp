#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;

namespace {

// Clears the re-entrancy flags and puts the item back if a step between its removal and its
// re-insertion fails, so that the project never loses an item to a failed reorder.
template <class T> class Reinsertion {
public:
    Reinsertion(Collection<T>& items, std::shared_ptr<T> item, std::string key, bool& ignoreEvents,
                QVProject* updating)
        : items_(items), item_(std::move(item)), key_(std::move(key)), ignoreEvents_(ignoreEvents),
          updating_(updating) {}
    ~Reinsertion() {
        if (!reinserted_)
            diag::IgnoreErrors([&] {
                if (!items_.Contains(key_)) items_.Add(item_, key_);
            });
        if (updating_ && !closed_) diag::IgnoreErrors([&] { updating_->SetUpdatingOrder(false); });
        ignoreEvents_ = false;
    }
    // Ends UpdatingOrder and lets the project announce the new order while ignoreEvents is
    // still set: the tree shows the move already, and a reorder event handled now would
    // rebuild the node (a category with all its topics), losing selection and expansion.
    void Finish(void (QVProject::*notify)()) {
        reinserted_ = true;
        if (!updating_) return;
        closed_ = true;
        updating_->SetUpdatingOrder(false);
        if (notify) (updating_->*notify)();
    }

private:
    Collection<T>& items_;
    std::shared_ptr<T> item_;
    std::string key_;
    bool& ignoreEvents_;
    QVProject* updating_;
    bool reinserted_ = false;
    bool closed_ = false;
};

// Removes the item and adds it again after the previous neighbour's item, else before the next
// neighbour's; neighbours are given as keys ("" for none). With a project to bracket the move
// in UpdatingOrder, its notify member announces the new order before events count again.
template <class T>
void Reinsert(Collection<T>& items, const std::string& key, const std::string& previous,
              const std::string& next, bool& ignoreEvents, QVProject* updating,
              void (QVProject::*notify)() = nullptr) {
    auto item = items.Item(key);
    ignoreEvents = true;
    if (updating) updating->SetUpdatingOrder(true);
    Reinsertion<T> guard(items, item, key, ignoreEvents, updating);
    items.Remove(key);
    if (!previous.empty())
        items.Add(item, key, Variant(), Variant(previous));
    else
        items.Add(item, key, Variant(next));
    guard.Finish(notify);
}

} // namespace

void ProjectExplorer::tvw_BeforeSetParent(Node& node, Node& newParent, bool& cancel) {
    Node* nodeRef = &node;
    Node* parentRef = &newParent;
    Procedure p(errors_, "tvw_BeforeSetParent",
                {{"Node", nodeRef}, {"NewParent", parentRef}, {"Cancel", cancel}});
    p.Run([&] {
        if (mReadOnly || KeyType(node.Key()) != "t") cancel = true;
    });
}

void ProjectExplorer::tvw_AfterSetParent(Node& node) {
    Node* nodeRef = &node;
    std::shared_ptr<Topic> topic;
    Procedure p(errors_, "tvw_AfterSetParent", {{"Node", nodeRef}}, {{"Topic", topic}});
    p.Run([&] {
        QVProject& project = Need(mQVProject);
        topic = project.Topics()->Item(KeyValue(node.Key()));
        const std::string parentKey = Need(node.Parent()).Key();
        if (parentKey == "c:uncategorized")
            topic->SetCategory(nullptr);
        else
            topic->SetCategory(project.TopicCategories()->Item(KeyValue(parentKey)));
        // Only the category changes: the topic keeps its place in the project's order, where
        // the next load puts it among the category's topics.
        project.SetDirty(true);
    });
}

// An other-file node whose neighbour is a sub-folder node: sub-folders have no item in the
// project, so only file neighbours place the file; a file with folder neighbours only keeps
// its place in the project's order.
void ProjectExplorer::tvw_NodeMoved(Node& node) {
    Node* nodeRef = &node;
    std::string nodeType;
    Procedure p(errors_, "tvw_NodeMoved", {{"Node", nodeRef}}, {{"NodeType", nodeType}});
    p.Run([&] {
        QVProject& project = Need(mQVProject);
        nodeType = KeyType(node.Key());
        const std::string id = KeyValue(node.Key());
        Node* previous = node.PreviousSibling();
        Node* next = node.NextSibling();
        auto neighbourId = [&](Node* n, auto counts) {
            return n && counts(*n) ? KeyValue(n->Key()) : std::string();
        };
        if (nodeType == "o") {
            auto isFile = [&](Node& n) { return KeyType(n.Key()) == "o"; };
            const std::string before = neighbourId(previous, isFile);
            const std::string after = neighbourId(next, isFile);
            if (!before.empty() || !after.empty())
                Reinsert(*project.OtherFiles(), id, before, after, mIgnoreEvents, nullptr);
        } else if (nodeType == "c") {
            auto counts = [&](Node& n) {
                return KeyType(n.Key()) == "c" && n.Key() != "c:uncategorized";
            };
            const std::string before = neighbourId(previous, counts);
            const std::string after = neighbourId(next, counts);
            if (!before.empty() || !after.empty()) {
                Reinsert(*project.TopicCategories(), id, before, after, mIgnoreEvents, &project,
                         &QVProject::NotifyCategoriesReordered);
            }
        } else if (nodeType == "t") {
            auto any = [](Node&) { return true; };
            const std::string before = neighbourId(previous, any);
            const std::string after = neighbourId(next, any);
            if (previous || next) {
                Reinsert(*project.Topics(), id, before, after, mIgnoreEvents, &project,
                         &QVProject::NotifyTopicsReordered);
            }
        }
        project.SetDirty(true);
    });
}

} // namespace qv
