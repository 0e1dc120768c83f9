#include "contracts/Error.h"
#include "explorer/ProjectExplorer.h"
#include "explorer/TypeInfo.h"

#include <algorithm>

namespace qv {

namespace {

[[noreturn]] void NotOptional() {
    throw Error(449, "Argument not optional");
}

bool Given(const std::vector<Variant>& args, std::size_t i) {
    return i < args.size() && !args[i].IsMissing();
}

const Variant& Arg(const std::vector<Variant>& args, std::size_t i) {
    if (!Given(args, i)) NotOptional();
    return args[i];
}

bool OptionalBool(const std::vector<Variant>& args, std::size_t i, bool fallback) {
    return Given(args, i) ? args[i].ToBool() : fallback;
}

Node* NodeArg(const std::vector<Variant>& args, std::size_t i) {
    const Variant& v = Arg(args, i);
    if (v.IsNothing()) return nullptr;
    auto node = v.As<Node>();
    if (!node) throw Error(err::TypeMismatch, "Type mismatch");
    return node.get();
}

Variant NodeResult(Node* node) {
    if (!node) return Variant(nullptr);
    return Variant(node->shared_from_this());
}

} // namespace

Variant ProjectExplorer::Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) {
    const std::string lower = AsciiLower(name);
    const bool put = kind == CallKind::PropertyPut;
    // As the platform's dispatch: a member takes no more arguments than it declares, and only
    // a writable property takes a new value.
    const typeinfo::Member* member = nullptr;
    const auto lowerChar = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (const auto& m : typeinfo::kMembers)
        if (std::ranges::equal(m.name, lower, {}, lowerChar)) member = &m;
    if (!member || (put && !member->writable))
        throw Error(err::UnknownMember, "Object doesn't support this property or method");
    if (args.size() > static_cast<std::size_t>(member->parameters + (put ? 1 : 0)))
        throw Error(err::WrongArgumentCount,
                    "Wrong number of arguments or invalid property assignment");
    // Properties: a put takes the new value as its last argument.
    auto value = [&]() -> const Variant& {
        if (args.empty()) NotOptional();
        return args.back();
    };
    if (lower == "enabled") {
        if (put) SetEnabled(value().ToBool());
        return Enabled();
    }
    if (lower == "qvide") {
        if (put) SetQVIDE(value().IsEmpty() ? nullptr : value().ObjectValue());
        return Variant(QVIDE());
    }
    if (lower == "readonly") {
        if (put) SetReadOnly(value().ToBool());
        return ReadOnly();
    }
    if (lower == "showtoolbar") {
        if (put) SetShowToolbar(value().ToBool());
        return ShowToolbar();
    }
    if (lower == "selecteditem") {
        if (put) {
            SetSelectedItem(NodeArg(args, args.size() - 1));
            return {};
        }
        return NodeResult(SelectedItem());
    }
    if (lower == "nodes") {
        qv::Nodes* nodes = Nodes();
        return nodes ? Variant(nodes->shared_from_this()) : Variant(nullptr);
    }
    if (lower == "treeviewspell") return Variant(TreeViewSpell());
    if (lower == "loadqvproject") {
        LoadQVProject(Arg(args, 0).As<QVProject>(), OptionalBool(args, 1, true),
                      OptionalBool(args, 2, true), OptionalBool(args, 3, true));
        return {};
    }
    if (lower == "loadqvprojectex") {
        LoadQVProjectEx(Arg(args, 0).As<QVProject>(), OptionalBool(args, 1, true),
                        OptionalBool(args, 2, true), OptionalBool(args, 3, true),
                        OptionalBool(args, 4, false), OptionalBool(args, 5, false),
                        OptionalBool(args, 6, false));
        return {};
    }
    if (lower == "toolstatus") return ToolStatus(Arg(args, 0).ToString());
    if (lower == "clicktool") {
        ClickTool(Arg(args, 0).ToString());
        return {};
    }
    if (lower == "hittest")
        return NodeResult(HitTest(static_cast<float>(Arg(args, 0).ToDouble()),
                                  static_cast<float>(Arg(args, 1).ToDouble())));
    if (lower == "spellchecknode") {
        SpellCheckNode(NodeArg(args, 0));
        return {};
    }
    if (lower == "spellcheckcurrentnode") {
        SpellCheckCurrentNode();
        return {};
    }
    if (lower == "initspell") {
        InitSpell();
        return {};
    }
    if (lower == "terminate") {
        Terminate();
        return {};
    }
    if (lower == "redospellcheck") {
        RedoSpellCheck();
        return {};
    }
    if (lower == "removebadword") {
        RemoveBadWord(Arg(args, 0).ToString());
        return {};
    }
    if (lower == "hideeditcontrols") {
        HideEditControls();
        return {};
    }
    if (lower == "showonlyfindbar") {
        ShowOnlyFindBar();
        return {};
    }
    if (lower == "addfileimage") {
        AddFileImage(Arg(args, 0).ToString());
        return {};
    }
    if (lower == "removeallfileimages") {
        RemoveAllFileImages();
        return {};
    }
    if (lower == "addextensionimage") {
        AddExtensionImage(Arg(args, 0).ToString());
        return {};
    }
    if (lower == "ctrlkeypressed") return CtrlKeyPressed();
    if (lower == "settoolbarstyle") {
        SetToolbarStyle(Arg(args, 0).ToLong());
        return {};
    }
    throw Error(err::UnknownMember, "Object doesn't support this property or method");
}

Variant ProjectExplorer::InvokeById(int32_t dispid, CallKind kind, std::vector<Variant>& args) {
    for (const auto& member : typeinfo::kMembers)
        if (member.dispid == dispid) return Invoke(member.name, kind, args);
    throw Error(err::UnknownMember, "Object doesn't support this property or method");
}

} // namespace qv
