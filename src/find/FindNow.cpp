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
    std::shared_ptr<Topic> t;
    std::shared_ptr<OtherFile> o;
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
        const bool pattern = FindValue.find('*') != std::string::npos;
        auto matches = [&](const std::string& value) {
            return pattern ? find::MatchesPattern(text::Lower(value), FindValue)
                           : text::Lower(value).find(FindValue) != std::string::npos;
        };
        p.line = 5;
        qv::Nodes& nodes = tvw->Nodes();
        StartNode = tvw->SelectedItem();
        n = StartNode ? StartNode->NextNode() : nodes.First();
        p.line = 6;
        QVProject& project = Need(mQVProject);
        while (n) {
            const std::string key = n->Key();
            const std::string kind = KeyType(key);
            bool found = false;
            if (kind == "t") {
                t = project.Topics()->Item(KeyValue(key));
                found = (FindInName && matches(t->Name())) ||
                        (FindInCaption && (matches(t->Title()) || matches(t->Caption())));
            } else if (kind == "o") {
                o = project.OtherFiles()->Item(KeyValue(key));
                found = o->IsImage() && FindInImageName && matches(Need(o->File()).FileName());
            } else {
                diag::IgnoreErrors([&] {
                    found = n->Tag().Type() == VarType::String &&
                            n->Tag().ToString() == "FileSystemFolder" &&
                            text::Left(key, 7) == "images\\" && FindInImageName &&
                            matches(std::string(text::Mid(key, 8)));
                });
            }
            if (found) {
                n->SetSelected(true);
                return;
            }
            n = n->NextNode();
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
