#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/Text.h"
#include "find/PatternMatch.h"

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
        QVProject& project = Need(mQVProject);
        const auto topics = project.Topics();
        const auto files = project.OtherFiles();
        // Keys split at their first colon, as the host's helper splits them; a host that
        // cannot make the helper still fails at the first node.
        if (n) Shared();
        // The search runs two nodes ahead of its test: the node after next has its key asked
        // for from memory, the next one its item looked up (a key without one raises only once
        // its node is tested), so that the memory reads of three nodes overlap.
        struct Ahead {
            Node* node = nullptr;
            std::string_view key, kind, value;
            const Topic* topic = nullptr;
            const OtherFile* file = nullptr;
        };
        const auto following = [&](Node* m) -> Node* { // nullptr: the search ends after m
            Node* next = m->NextNode();
            if (next == StartNode) return nullptr;
            if (!next) next = nodes.First();
            return next == StartNode ? nullptr : next;
        };
        const auto lookUp = [&](Node* m) {
            Ahead a;
            a.node = m;
            if (!m) return a;
            a.key = m->KeyRef();
            // Item keys have a one-letter kind, most of them.
            const std::size_t colon =
                a.key.size() > 1 && a.key[1] == ':' && a.key[0] != ':' ? 1 : a.key.find(':');
            a.kind = a.key.substr(0, colon);
            a.value =
                colon == std::string_view::npos ? std::string_view() : a.key.substr(colon + 1);
            const void* item = nullptr;
            if (a.kind == "t")
                item = a.topic = topics->ItemOrNull(a.value);
            else if (a.kind == "o")
                item = a.file = files->ItemOrNull(a.value);
            // An item keeps its texts near its start.
            for (int line = 0; item && line < 4; ++line)
                __builtin_prefetch(static_cast<const char*>(item) + 64 * line);
            return a;
        };
        Ahead current = lookUp(n);
        Ahead next = lookUp(n ? following(n) : nullptr);
        Node* far = next.node ? following(next.node) : nullptr;
        while (n) {
            if (far) __builtin_prefetch(far->KeyRef().data());
            bool found = false;
            if (current.kind == "t") {
                // An unknown key raises what Item raises; t keeps the topic tested before.
                t = current.topic ? current.topic : topics->Item(std::string(current.value)).get();
                const std::string_view title = t->TitleRef();
                const std::string_view caption = t->CaptionRef();
                __builtin_prefetch(title.data()); // read while the name is tested
                // A caption that is the title's own text answers as the title did.
                found = (FindInName && matcher.Matches(t->NameRef())) ||
                        (FindInCaption &&
                         (matcher.Matches(title) ||
                          ((caption.data() != title.data() || caption.size() != title.size()) &&
                           matcher.Matches(caption))));
            } else if (current.kind == "o") {
                o = current.file ? current.file : files->Item(std::string(current.value)).get();
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
            n = next.node;
            current = next;
            next = lookUp(far);
            far = far ? following(far) : nullptr;
        }
        p.line = 7;
        site_.libraries.MsgBox("No more items were found matching the search criteria", 64,
                               "Find Complete");
    });
}

} // namespace qv
