#include "contracts/Error.h"
#include "explorer/TypeInfo.h"
#include "host/HelpContext.h"
#include "support/ErrorOf.h"
#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

TEST(PublicInterfaceTest, DesignerMembersAnswerAsTheExplorerKeepsNoDocument) {
    ExplorerHarness h;
    qv::Designer& d = h.control->Designer();
    bool cancel = false;
    d.BeforeClose(cancel);
    d.SetDirty(true);
    EXPECT_FALSE(cancel || d.Dirty() || d.Load("x") || d.Save(true) || d.CommitEdits() ||
                 d.Enabled() || d.UsesBinder());
    EXPECT_EQ(d.Caption(), "");
    EXPECT_TRUE(d.Name().IsEmpty());
    EXPECT_EQ(d.Object(), nullptr);
    EXPECT_EQ(d.Form(), nullptr);
    EXPECT_EQ(d.IDynamicHelpContext(), h.control);
}

// The designer's Enabled is the control's surface: it stops the user's input to every child
// without touching their own Enabled, so it never re-enables what the property disabled.
TEST(PublicInterfaceTest, DesignerEnabledIsTheSurfaceAndCombinesWithTheChildren) {
    ExplorerHarness h;
    h.Open(h.TwoCategoryProject());
    h.Select("t:T1");
    h.control->Designer().SetEnabled(false);
    EXPECT_TRUE(h.Tree().Enabled());
    EXPECT_TRUE(h.control->Enabled());
    EXPECT_FALSE(h.Dock().UserClick("Properties"));
    h.log.Clear();
    h.Tree().KeyDown(0x2E, 0); // Delete
    h.Tree().Click(&h.NodeAt("c:C2"));
    EXPECT_EQ(h.log.Take(), "");
    EXPECT_TRUE(h.project->Topics()->Contains("T1"));
    EXPECT_EQ(h.Tree().SelectedItem()->Key(), "t:T1");
    h.control->SetEnabled(false);
    h.control->Designer().SetEnabled(true);
    EXPECT_FALSE(h.Tree().Enabled());
    EXPECT_FALSE(h.Tree().TakesInput());
    EXPECT_FALSE(h.Dock().Band(1).Enabled());
    EXPECT_FALSE(h.control->Enabled());
    h.control->SetEnabled(true);
    EXPECT_TRUE(h.Tree().TakesInput());
    EXPECT_TRUE(h.Dock().UserClick("Properties"));
}

TEST(PublicInterfaceTest, LoadOptionsBeforeInitializeAppliesAllButSpelling) {
    ExplorerHarness h;
    h.libraries.Options().checkSpelling = true;
    h.libraries.Options().warningBarStyle = 3;
    h.control->Designer().LoadOptions();
    EXPECT_EQ(h.control->Warning().Style(), 3);
    EXPECT_EQ(h.control->TreeViewSpell(), nullptr);
    EXPECT_FALSE(h.Dock().Item("CheckIn").Visible());
    EXPECT_TRUE(h.log.Text().find("msgbox") == std::string::npos);
}

TEST(PublicInterfaceTest, LateBoundCallsByNameAndByDispidReachTheSameMembers) {
    ExplorerHarness h;
    std::vector<qv::Variant> none;
    std::vector<qv::Variant> falseValue{qv::Variant(false)};
    h.control->Invoke("showtoolbar", qv::CallKind::PropertyPut, falseValue);
    EXPECT_FALSE(h.control->ShowToolbar());
    EXPECT_FALSE(h.Dock().Band(1).Visible());
    EXPECT_EQ(h.Dock().BorderStyle(), 0);
    EXPECT_EQ(h.Dock().ClientAreaFlat(), 1);
    EXPECT_EQ(h.control->InvokeById(0x68030003, qv::CallKind::PropertyGet, none).ToBool(), false);
    h.control->SetShowToolbar(true); // shows the bar again, keeps the flat look
    EXPECT_TRUE(h.Dock().Band(1).Visible());
    EXPECT_EQ(h.Dock().BorderStyle(), 0);
    std::vector<qv::Variant> name{qv::Variant("Find")};
    EXPECT_FALSE(h.control->InvokeById(0x60030066, qv::CallKind::Method, name).ToBool());
    EXPECT_EQ(ErrorOf([&] { h.control->Invoke("NoSuchMember", qv::CallKind::Method, none); }), 438);
    // No more arguments than declared, and no new value for what cannot be written.
    EXPECT_EQ(ErrorOf([&] { h.control->Invoke("ShowToolbar", qv::CallKind::Method, falseValue); }),
              450);
    EXPECT_EQ(ErrorOf([&] { h.control->Invoke("CtrlKeyPressed", qv::CallKind::Method, name); }),
              450);
    EXPECT_EQ(ErrorOf([&] { h.control->Invoke("Nodes", qv::CallKind::PropertyPut, name); }), 438);
    EXPECT_EQ(ErrorOf([&] { h.control->Invoke("HitTest", qv::CallKind::PropertyPut, name); }), 438);
    EXPECT_TRUE(h.control->ShowToolbar());
}

TEST(PublicInterfaceTest, EventsAreRaisedByNumber) {
    ExplorerHarness h;
    std::vector<qv::Variant> caption{qv::Variant("step")};
    h.control->RaiseEvent(qv::typeinfo::event::LoadProgress, caption);
    std::vector<qv::Variant> none;
    h.control->RaiseEvent(qv::typeinfo::event::RefreshTools, none);
    EXPECT_EQ(h.log.Text(), "event LoadProgress step\nevent RefreshTools\n");
}

// Every public member and every tool, called before any project was loaded and after the
// designer's Terminate (the tree still shows the project, a topic selected, the project gone):
// a failure is reported, never a crash. Iterating the type information keeps new members
// covered.
enum class Lifecycle { NotLoaded, Terminated };

class LifecycleTest : public ::testing::TestWithParam<Lifecycle> {
protected:
    void SetUp() override {
        if (GetParam() == Lifecycle::Terminated) {
            h.Open(h.TwoCategoryProject());
            h.Select("t:T1");
            h.control->Designer().Terminate();
        }
        h.log.Clear();
    }

    // One call by name; a failure passed on to the caller is fine, a crash is not.
    void Call(std::string_view name, qv::CallKind kind, std::vector<qv::Variant> args) {
        try {
            h.control->Invoke(name, kind, args);
        } catch (const qv::Error&) {
        }
    }

    std::vector<qv::Variant> ArgsFor(std::string_view name) {
        const std::string lower = qv::AsciiLower(name);
        qv::Node* selected = h.Tree().SelectedItem();
        const qv::Variant node =
            selected ? qv::Variant(selected->shared_from_this()) : qv::Variant(nullptr);
        if (lower == "loadqvproject" || lower == "loadqvprojectex")
            return {qv::Variant(std::shared_ptr<qv::Object>())};
        if (lower == "spellchecknode") return {node};
        if (lower == "hittest") return {qv::Variant(10.0), qv::Variant(10.0)};
        if (lower == "settoolbarstyle") return {qv::Variant(int32_t{1})};
        if (lower == "toolstatus" || lower == "clicktool") return {qv::Variant("AddTopic")};
        if (lower == "removebadword" || lower == "addfileimage" || lower == "addextensionimage")
            return {qv::Variant("x.png")};
        return {};
    }

    ExplorerHarness h;
};

TEST_P(LifecycleTest, EveryMemberAndToolFailsCleanly) {
    for (const auto& member : qv::typeinfo::kMembers) {
        if (member.name == "Terminate") continue; // last, below
        Call(member.name, member.property ? qv::CallKind::PropertyGet : qv::CallKind::Method,
             ArgsFor(member.name));
    }
    for (int32_t i = 1; i <= h.Dock().ToolCount(); ++i)
        Call("ClickTool", qv::CallKind::Method, {qv::Variant(h.Dock().ToolAt(i).Name())});
    // The user's gestures on whatever the tree still shows.
    auto gesture = [](auto&& act) {
        try {
            act();
        } catch (const qv::Error&) {
        }
    };
    if (h.Tree().Nodes().Contains("t:T2")) {
        for (int16_t key : {int16_t{0x71}, int16_t{0x2D}, int16_t{0x2E}, int16_t{0x0D},
                            int16_t{0x73}}) { // F2, Insert, Delete, Enter, F4
            h.Select("t:T2");
            gesture([&] { h.Tree().KeyDown(key, 0); });
            h.ui.DoEvents();
        }
        gesture([&] { h.Tree().DoubleClick(&h.NodeAt("t:T2")); });
        gesture([&] { h.Tree().Drag(&h.NodeAt("t:T2"), &h.NodeAt("c:C2"), qv::rel::Child); });
        gesture([&] { h.Tree().DropFiles(&h.NodeAt("images"), {h.dir.Write("d.png", "x")}); });
        gesture([&] { h.Tree().RightClick(); });
    }
    h.control->Designer().LoadOptions();
    h.control->Terminate();
    h.control->Terminate();
    h.Dump(); // the tree's invariants still hold
}

TEST_P(LifecycleTest, SpellCheckOfASelectedTopicWithoutAProjectIsReported) {
    h.libraries.Options().errorComponent = true;
    const bool terminated = GetParam() == Lifecycle::Terminated;
    try {
        h.control->SpellCheckCurrentNode();
        EXPECT_FALSE(terminated) << "the failure must come back to the caller";
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 65535);
    }
    h.control->RedoSpellCheck(); // no checker: nothing
    EXPECT_EQ(h.log.Take(), terminated ? "report 91 SpellCheckNode\n"
                                         "report 65535 SpellCheckCurrentNode\n"
                                       : "");
}

INSTANTIATE_TEST_SUITE_P(, LifecycleTest,
                         ::testing::Values(Lifecycle::NotLoaded, Lifecycle::Terminated),
                         [](const auto& info) {
                             return info.param == Lifecycle::NotLoaded ? "NotLoaded" : "Terminated";
                         });

struct HelpCase {
    const char* key;
    const char* attribute; // "" when none is supplied
};

class DynamicHelpTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(DynamicHelpTest, TheNodeTypeFollowsTheSelection) {
    ExplorerHarness h;
    h.Open(h.SmallProject());
    if (*GetParam().key) h.Select(GetParam().key);
    auto keywords = std::make_shared<qv::HelpKeywordList>();
    auto attributes = std::make_shared<qv::HelpAttributeSet>();
    h.control->QueryContext(*keywords, *attributes);
    EXPECT_EQ(keywords->Items(), std::vector<std::string>{"QV.ProjectExplorer"});
    std::string got;
    for (const auto& [name, value] : attributes->pairs)
        got += name + "=" + value;
    EXPECT_EQ(got, std::string(GetParam().attribute));
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, DynamicHelpTest,
    ::testing::Values(HelpCase{"", ""},
                      HelpCase{"o:images/shots/a.png", "QV.ProjectExplorer.NodeType=File"},
                      HelpCase{"t:T1", "QV.ProjectExplorer.NodeType=Topic"},
                      HelpCase{"c:C1", "QV.ProjectExplorer.NodeType=Category"},
                      HelpCase{"bp:B1", "QV.ProjectExplorer.NodeType=BuildProfile"},
                      HelpCase{"topics", "QV.ProjectExplorer.NodeType=File"}));

} // namespace
} // namespace qvtest
