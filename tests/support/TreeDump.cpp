#include "support/TreeDump.h"

namespace qvtest {

std::string DumpTree(const qv::TreeView& constTree) {
    // Nodes() is not const in the contract; nothing here changes the tree.
    auto& tree = const_cast<qv::TreeView&>(constTree);
    std::string out;
    // A broken tree may cycle: never print more lines than there are nodes.
    int32_t left = tree.Nodes().Count();
    for (qv::Node* n = tree.Nodes().First(); n; n = n->NextNode()) {
        if (left-- == 0) {
            out += "!! NextNode goes on past Count\n";
            break;
        }
        for (qv::Node* p = n->Parent(); p; p = p->Parent())
            out += "  ";
        out += n->Key() + " | " + n->Text() + " | " + n->Image();
        std::string flags;
        auto flag = [&flags](const std::string& f) { flags += (flags.empty() ? "" : " ") + f; };
        if (n->Expanded()) flag("expanded");
        if (n->Selected()) flag("selected");
        if (n->ForeColor() != -1) flag("color=" + std::to_string(n->ForeColor()));
        if (!flags.empty()) out += " | " + flags;
        out += "\n";
    }
    return out;
}

} // namespace qvtest
