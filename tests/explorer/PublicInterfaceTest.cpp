#include "contracts/Error.h"
#include "explorer/TypeInfo.h"
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
    EXPECT_FALSE(cancel);
    EXPECT_FALSE(d.Dirty());
    EXPECT_FALSE(d.Load("x"));
    EXPECT_FALSE(d.Save(true));
    EXPECT_FALSE(d.CommitEdits());
    EXPECT_FALSE(d.Enabled());
    EXPECT_FALSE(d.UsesBinder());
    EXPECT_EQ(d.Caption(), "");
    EXPECT_TRUE(d.Name().IsEmpty());
    EXPECT_EQ(d.Object(), nullptr);
    EXPECT_EQ(d.Form(), nullptr);
    EXPECT_EQ(d.IDynamicHelpContext(), h.control);
}

TEST(PublicInterfaceTest, InitializeHidesTheSevenToolsAndRaisesDesignerInitialize) {
    ExplorerHarness h;
    h.control->Designer().Initialize(h.ide);
    for (const char* name : {"IncludeInBookletOutput", "AddBuildFlag", "AddBooklet", "CaptureImage",
                             "ReCaptureImage", "CreateImageMap", "OpenImageProcessing"})
        EXPECT_FALSE(h.Dock().Item(name).Visible()) << name;
    EXPECT_EQ(h.log.Take(), "event DesignerInitialize\n");
    EXPECT_EQ(h.control->QVIDE(), h.ide);
}

TEST(PublicInterfaceTest, TerminateReleasesTheProjectThenRaisesDesignerTerminate) {
    ExplorerHarness h;
    auto p = h.NewProject();
    h.Open(p);
    h.log.Clear();
    h.control->Designer().Terminate();
    EXPECT_EQ(h.log.Take(), "event DesignerTerminate\n");
    EXPECT_EQ(h.control->QVIDE(), nullptr);
    p->AddTopic("T9", "Late", "Late", "", "Draft"); // the project's events no longer arrive
    EXPECT_FALSE(h.Tree().Nodes().Contains("t:T9"));
}

TEST(PublicInterfaceTest, EnabledFalseDisablesEveryBarAndTheTree) {
    ExplorerHarness h;
    h.control->SetEnabled(false);
    for (int32_t i = 1; i <= h.Dock().BandCount(); ++i)
        EXPECT_FALSE(h.Dock().Band(i).Enabled());
    EXPECT_FALSE(h.Tree().Enabled());
    EXPECT_FALSE(h.control->Enabled());
    h.control->LoadQVProjectEx(h.NewProject());
    EXPECT_TRUE(h.control->Enabled());
    EXPECT_TRUE(h.Tree().Enabled());
}

TEST(PublicInterfaceTest, DesignerEnabledLeavesTheProperty) {
    ExplorerHarness h;
    h.control->SetEnabled(true);
    h.control->Designer().SetEnabled(false);
    EXPECT_FALSE(h.Tree().Enabled());
    EXPECT_TRUE(h.control->Enabled());
}

TEST(PublicInterfaceTest, HidingTheToolbarZeroesTheBorderAndShowingItAgainDoesNot) {
    ExplorerHarness h;
    h.control->SetShowToolbar(false);
    EXPECT_FALSE(h.Dock().Band(1).Visible());
    EXPECT_EQ(h.Dock().BorderStyle(), 0);
    h.control->SetShowToolbar(true);
    EXPECT_TRUE(h.Dock().Band(1).Visible());
    EXPECT_EQ(h.Dock().BorderStyle(), 0);
}

TEST(PublicInterfaceTest, LoadOptionsBeforeInitializeAppliesAllButSpelling) {
    ExplorerHarness h;
    h.libraries.Options().showBitmapsAsIcons = true;
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
    EXPECT_EQ(h.control->InvokeById(0x68030003, qv::CallKind::PropertyGet, none).ToBool(), false);
    std::vector<qv::Variant> name{qv::Variant("Find")};
    EXPECT_FALSE(h.control->InvokeById(0x60030066, qv::CallKind::Method, name).ToBool());
    try {
        h.control->Invoke("NoSuchMember", qv::CallKind::Method, none);
        FAIL();
    } catch (const qv::Error& e) {
        EXPECT_EQ(e.Number(), 438);
    }
}

TEST(PublicInterfaceTest, EventsAreRaisedByNumber) {
    ExplorerHarness h;
    std::vector<qv::Variant> caption{qv::Variant("step")};
    h.control->RaiseEvent(qv::typeinfo::event::LoadProgress, caption);
    std::vector<qv::Variant> none;
    h.control->RaiseEvent(qv::typeinfo::event::RefreshTools, none);
    EXPECT_EQ(h.log.Text(), "event LoadProgress step\nevent RefreshTools\n");
}

TEST(PublicInterfaceTest, ReadOnlyPropertyRelaysTheComponentOut) {
    ExplorerHarness h;
    h.control->SetShowToolbar(true);
    h.control->SetSize(6000, 9000);
    h.control->SetReadOnly(true);
    EXPECT_TRUE(h.control->ReadOnly());
    EXPECT_EQ(h.Dock().Position(), (qv::Rect{0, 15, 6000, 8985}));
}

} // namespace
} // namespace qvtest
