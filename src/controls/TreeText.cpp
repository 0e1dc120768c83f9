#include "controls/TreeText.h"

namespace qv {

std::string TreeText(TreeView& tree, std::string_view prefix) {
    std::string out;
    int32_t left = tree.Nodes().Count();
    for (Node* n = tree.Nodes().First(); n; n = n->NextNode()) {
        if (left-- == 0) {
            out += std::string(prefix) + "!! NextNode goes on past Count\n";
            break;
        }
        out += prefix;
        for (Node* p = n->Parent(); p; p = p->Parent())
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

} // namespace qv
