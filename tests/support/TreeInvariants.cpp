#include "support/TreeInvariants.h"

#include "controls/NaturalCompare.h"
#include "controls/TreeView.h"

#include <gtest/gtest.h>
#include <unordered_set>
#include <vector>

namespace qvtest {

namespace {

bool IsFolder(const qv::Node& n) {
    return n.Tag().Type() == qv::VarType::String && n.Tag().ToString() == "FileSystemFolder";
}

// Whether b may follow a under a sorted parent.
bool InSortedOrder(const qv::Node& a, const qv::Node& b) {
    if (IsFolder(a) != IsFolder(b)) return IsFolder(a);
    return qv::NaturalCompareNoCase(a.Text(), b.Text()) <= 0;
}

bool VisibleUnderAncestors(const qv::Node& n) {
    for (const qv::Node* p = n.Parent(); p; p = p->Parent())
        if (!p->Expanded()) return false;
    return true;
}

} // namespace

void ExpectTreeInvariants(const qv::TreeView& constTree) {
    // Nodes() is not const in the contract; nothing here changes the tree.
    auto& tree = const_cast<qv::TreeView&>(constTree);
    qv::Nodes& nodes = tree.Nodes();

    // Depth-first order by the links alone: children before the next sibling.
    std::vector<qv::Node*> order;
    std::unordered_set<const qv::Node*> seen;
    std::vector<qv::Node*> stack;
    if (qv::Node* first = nodes.First()) {
        EXPECT_EQ(first->PreviousSibling(), nullptr) << "first node " << first->Key();
        stack.push_back(first);
    }
    while (!stack.empty()) {
        qv::Node* n = stack.back();
        stack.pop_back();
        if (!seen.insert(n).second) {
            ADD_FAILURE() << "node " << n->Key() << " reached twice: the links form a cycle";
            return;
        }
        order.push_back(n);
        if (qv::Node* next = n->NextSibling()) stack.push_back(next);
        if (qv::Node* child = n->FirstChild()) stack.push_back(child);
    }

    std::unordered_set<std::string> keys;
    size_t keyed = 0;
    size_t visible = 0;
    int selectedFlags = 0;
    for (qv::Node* n : order) {
        const std::string key = n->Key();
        if (!key.empty()) {
            ++keyed;
            EXPECT_TRUE(keys.insert(key).second) << "key " << key << " twice";
            EXPECT_TRUE(nodes.Contains(key)) << "key " << key << " not indexed";
            if (nodes.Contains(key)) {
                EXPECT_EQ(&nodes.Item(key), n) << "key " << key;
            }
        }
        if (VisibleUnderAncestors(*n)) ++visible;
        if (n->Selected()) ++selectedFlags;
        if (qv::Node* next = n->NextSibling()) {
            EXPECT_EQ(next->PreviousSibling(), n) << "after " << key;
            EXPECT_EQ(next->Parent(), n->Parent()) << "sibling of " << key;
        }
        int32_t children = 0;
        for (qv::Node* c = n->FirstChild(); c; c = c->NextSibling()) {
            ++children;
            EXPECT_EQ(c->Parent(), n) << "child " << c->Key() << " of " << key;
            if (n->Sorted() && c->NextSibling()) {
                EXPECT_TRUE(InSortedOrder(*c, *c->NextSibling()))
                    << c->NextSibling()->Key() << " after " << c->Key() << " under sorted " << key;
            }
        }
        if (qv::Node* c = n->FirstChild()) {
            EXPECT_EQ(c->PreviousSibling(), nullptr) << "first child of " << key;
        }
        EXPECT_EQ(children, n->ChildCount()) << "children of " << key;
    }
    for (qv::Node* top = nodes.First(); top; top = top->NextSibling())
        EXPECT_EQ(top->Parent(), nullptr) << "top-level " << top->Key();

    // NextNode must visit the same sequence and then stop.
    size_t i = 0;
    qv::Node* n = nodes.First();
    for (; n && i < order.size() && n == order[i]; n = n->NextNode())
        ++i;
    if (n || i != order.size()) {
        ADD_FAILURE() << "NextNode step " << i << " gives " << (n ? n->Key() : "nothing")
                      << ", depth-first order "
                      << (i < order.size() ? order[i]->Key() : std::string("ends"));
    }

    EXPECT_EQ(static_cast<size_t>(nodes.Count()), order.size()) << "Count";
    if (qv::Node* s = tree.SelectedItem()) {
        EXPECT_TRUE(seen.count(s)) << "selected node " << s->Key() << " is not in the tree";
        EXPECT_TRUE(s->Selected()) << "selected node " << s->Key();
        EXPECT_EQ(selectedFlags, 1) << "nodes that say they are selected";
    } else {
        EXPECT_EQ(selectedFlags, 0) << "nodes that say they are selected, with no selection";
    }
    if (qv::Node* d = tree.DropHighlight()) {
        EXPECT_TRUE(seen.count(d)) << "drop highlight " << d->Key() << " is not in the tree";
    }

    if (auto* headless = dynamic_cast<const qv::HeadlessTreeView*>(&constTree)) {
        EXPECT_EQ(headless->IndexedKeyCount(), keyed) << "stale keys in the index";
        EXPECT_EQ(static_cast<size_t>(headless->VisibleRows()), visible) << "visible rows";
        // A view's rows: each node's row leads back to it from its parent, in either direction.
        for (qv::Node* node : order) {
            auto& own = static_cast<qv::HeadlessNode&>(*node);
            const qv::HeadlessNode* parent = own.ParentNode();
            const int32_t row = own.Row();
            EXPECT_EQ(parent ? parent->ChildAt(row) : headless->TopLevelAt(row), &own)
                << "row " << row << " of " << own.Key();
        }
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            auto& own = static_cast<qv::HeadlessNode&>(**it);
            const qv::HeadlessNode* parent = own.ParentNode();
            EXPECT_EQ(parent ? parent->ChildAt(own.Row()) : headless->TopLevelAt(own.Row()), &own)
                << "row of " << own.Key() << ", read backwards";
        }
        // A label edit belongs to the selected node, and a locked tree has none open.
        if (qv::Node* editing = headless->EditingNode()) {
            EXPECT_EQ(editing, tree.SelectedItem()) << "label edit on " << editing->Key();
            EXPECT_FALSE(headless->Locked()) << "label edit open in a locked tree";
        }
    }
}

} // namespace qvtest
