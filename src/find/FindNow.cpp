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
        while (n) {
            // The next node is found before this one is tested, and its key asked for from
            // memory, so that walking the tree and reading this node's item overlap.
            Node* const next = n->NextNode();
            if (next) __builtin_prefetch(&next->KeyRef());
            const std::string_view key = n->KeyRef();
            // Item keys have a one-letter kind, most of them.
            const std::size_t colon =
                key.size() > 1 && key[1] == ':' && key[0] != ':' ? 1 : key.find(':');
            const std::string_view kind = key.substr(0, colon);
            const std::string_view value =
                colon == std::string_view::npos ? std::string_view() : key.substr(colon + 1);
            bool found = false;
            if (kind == "t") {
                // An unknown key raises what Item raises; t keeps the topic tested before.
                const Topic* topic = topics->ItemOrNull(value);
                if (!topic) topic = topics->Item(std::string(value)).get();
                t = topic;
                const std::string& title = t->TitleRef();
                const std::string& caption = t->CaptionRef();
                __builtin_prefetch(title.data()); // read while the name is tested
                // A caption that is the title's own text answers as the title did.
                found = (FindInName && matcher.Matches(t->NameRef())) ||
                        (FindInCaption && (matcher.Matches(title) ||
                                           (&caption != &title && matcher.Matches(caption))));
            } else if (kind == "o") {
                const OtherFile* file = files->ItemOrNull(value);
                if (!file) file = files->Item(std::string(value)).get();
                o = file;
                found = FindInImageName && o->IsImage() && matcher.Matches(o->FileNameRef());
            } else {
                diag::IgnoreErrors([&] {
                    found = FindInImageName && text::StartsWith(key, "images\\") &&
                            n->Tag().Type() == VarType::String &&
                            n->Tag().ToString() == "FileSystemFolder" &&
                            matcher.Matches(text::Mid(key, 8));
                });
            }
            if (found) {
                n->SetSelected(true);
                return;
            }
            n = next;
            if (n == StartNode) break;
            if (!n) n = nodes.First();
            if (n == StartNode) break;
        }
        p.line = 7;
        site_.libraries.MsgBox("No more items were found matching the search criteria", 64,
                               "Find Complete");
    });
}

} // namespace qv
