#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"
#include "find/PatternMatch.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace qv {

using diag::Procedure;

void ProjectExplorer::FindNow() {
    Node* n = nullptr;
    bool FindInName = false;
    bool FindInCaption = false;
    bool FindInImageName = false;
    std::string FindValue;
    // The items tested, held by their collections; a failure's report shows them.
    const Topic* t = nullptr;
    const OtherFile* o = nullptr;
    Node* StartNode = nullptr;
    Procedure p(errors_, "FindNow", {},
                {{"n", n},
                 {"FindInName", FindInName},
                 {"FindInCaption", FindInCaption},
                 {"FindInImageName", FindInImageName},
                 {"FindValue", FindValue},
                 {"t", t},
                 {"o", o},
                 {"StartNode", StartNode}});
    p.Run([&] {
        p.line = 1;
        FindValue = text::Lower(Dock_->Item("FindValue").Text());
        p.line = 2;
        if (mShowOnlyFindBar) {
            FindInName = FindInCaption = FindInImageName = true;
        } else {
            FindInName = Dock_->StateItem("FindInName").Checked() == 1;
            FindInCaption = Dock_->StateItem("FindInCaption").Checked() == 1;
            FindInImageName = Dock_->StateItem("FindInImageName").Checked() == 1;
        }
        p.line = 3;
        if (FindValue.empty()) {
            site_.libraries.MsgBox("Please specify a value to search for", 48, "No search value");
            return;
        }
        p.line = 4;
        if (!FindInName && !FindInCaption && !FindInImageName) {
            site_.libraries.MsgBox("No find options selected. Chose the items to search in using "
                                   "the 'Search In' menu",
                                   48, "Nothing to find");
            return;
        }
        // A search may read every node of a large tree: each test reads the node's key and its
        // item's texts in place, with no copy and no allocation.
        const find::TextMatcher matcher(FindValue);
        p.line = 5;
        qv::Nodes& nodes = tvw->Nodes();
        StartNode = tvw->SelectedItem();
        n = StartNode ? StartNode->NextNode() : nodes.First();
        p.line = 6;
        // An empty tree (no project loaded) is one pass over no node.
        QVProject* project = n ? &Need(mQVProject) : nullptr;
        const auto topics = project ? project->Topics() : nullptr;
        const auto files = project ? project->OtherFiles() : nullptr;
        // Keys split at their first colon, as the host's helper splits them; a host that
        // cannot make the helper still fails at the first node.
        if (n) Shared();
        // The search runs several nodes ahead of its test, one memory read further for each
        // node nearer its test: the newest has its key asked for, the others take one step
        // each of their item's lookup (Collection::Step), so that the memory reads of all of
        // them overlap. A key without an item raises only once its node is tested.
        struct Ahead {
            Node* node = nullptr;
            std::string_view key, kind, value;
            Collection<Topic>::Lookup topic;
            Collection<OtherFile>::Lookup file;
            bool split = false; // key parted into kind and value
            bool done = false;  // its item found, or none to find
        };
        const auto following = [&](Node* m) -> Node* { // nullptr: the search ends after m
            Node* next = m->NextNode();
            if (next == StartNode) return nullptr;
            if (!next) next = nodes.First();
            return next == StartNode ? nullptr : next;
        };
        const auto step = [&](Ahead& a) {
            if (a.done) return;
            if (!a.split) {
                a.split = true;
                // Item keys have a one-letter kind, most of them.
                const std::string_view key = a.key;
                const std::size_t colon =
                    key.size() > 1 && key[1] == ':' && key[0] != ':' ? 1 : key.find(':');
                a.kind = key.substr(0, colon);
                a.value =
                    colon == std::string_view::npos ? std::string_view() : key.substr(colon + 1);
                a.topic = Collection<Topic>::Lookup(a.value);
                a.file = Collection<OtherFile>::Lookup(a.value);
                if (a.kind != "t" && a.kind != "o") {
                    a.done = true;
                    return;
                }
            }
            a.done = a.kind == "t" ? topics->Step(a.topic) : files->Step(a.file);
        };
        constexpr std::size_t kAhead = 8; // nodes in the ring, the one tested included
        std::array<Ahead, kAhead> ring;
        std::size_t first = 0, count = 0;
        Node* last = nullptr; // the node put in the ring last; nullptr once the walk has ended
        const auto put = [&](Node* m) {
            Ahead& a = ring[(first + count++) % kAhead];
            a = Ahead();
            a.node = last = m;
            a.key = m->KeyRef();
            __builtin_prefetch(a.key.data());
        };
        if (n) put(n);
        while (last && count < kAhead)
            if (Node* m = following(last))
                put(m);
            else
                last = nullptr;
        while (count) {
            Ahead& current = ring[first];
            while (!current.done)
                step(current);
            n = current.node;
            bool found = false;
            if (current.kind == "t") {
                // An unknown key raises what Item raises; t keeps the topic tested before.
                t = current.topic.item ? current.topic.item
                                       : topics->Item(std::string(current.value)).get();
                const std::string_view title = t->TitleRef();
                const std::string_view caption = t->CaptionRef();
                // A caption that is the title's own text answers as the title did.
                found = (FindInName && matcher.Matches(t->NameRef())) ||
                        (FindInCaption &&
                         (matcher.Matches(title) ||
                          ((caption.data() != title.data() || caption.size() != title.size()) &&
                           matcher.Matches(caption))));
            } else if (current.kind == "o") {
                o = current.file.item ? current.file.item
                                      : files->Item(std::string(current.value)).get();
                found = FindInImageName && o->IsImage() && matcher.Matches(o->FileNameRef());
            } else {
                diag::IgnoreErrors([&] {
                    found = FindInImageName && text::StartsWith(current.key, "images\\") &&
                            n->Tag().Type() == VarType::String &&
                            n->Tag().ToString() == "FileSystemFolder" &&
                            matcher.Matches(text::Mid(current.key, 8));
                });
            }
            if (found) {
                n->SetSelected(true);
                return;
            }
            first = (first + 1) % kAhead;
            --count;
            for (std::size_t i = 0; i < count; ++i)
                step(ring[(first + i) % kAhead]);
            if (last) {
                if (Node* m = following(last))
                    put(m);
                else
                    last = nullptr;
            }
        }
        n = nullptr;
        p.line = 7;
        site_.libraries.MsgBox("No more items were found matching the search criteria", 64,
                               "Find Complete");
    });
}

} // namespace qv
