#include "controls/CommandBar.h"

#include "contracts/Error.h"
#include "support/ErrorOf.h"
#include "support/EventLog.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using qv::HeadlessCommandBar;
using qvtest::ErrorOf;

// Bar entries as "|Name" for a group start and "Name(hidden)" for a hidden entry.
std::string Layout(const qv::Bar& bar) {
    std::string out;
    for (int32_t i = 1; i <= bar.EntryCount(); ++i) {
        const qv::Entry& e = bar.EntryAt(i);
        if (!out.empty()) out += ' ';
        out += (e.BeginGroup() ? "|" : "") + e.Tool().Name() + (e.Visible() ? "" : "(hidden)");
    }
    return out;
}

class CommandBarTest : public ::testing::Test, public qv::CommandBarEvents {
protected:
    void CommandClick(qv::Tool& tool) override { log.Add("click " + tool.Name()); }
    void CommandKeyDown(qv::Tool& tool, int16_t& keyCode, int16_t shift) override {
        log.Add("key " + tool.Name() + " " + std::to_string(keyCode) + " " + std::to_string(shift));
        keyCode = 0;
    }
    void CommandChange(qv::Tool& tool, const std::string& text, bool& cancel) override {
        log.Add("change " + tool.Name() + " \"" + text + "\" was \"" + tool.Text() + "\"");
        cancel = text == "refuse";
    }
    void ClientResize() override {
        const qv::Rect r = bar.ClientArea();
        log.Add("resize " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                std::to_string(r.width) + " " + std::to_string(r.height));
    }

    HeadlessCommandBar bar;
    qvtest::EventLog log;
    qv::Subscription sub = bar.Subscribe(*this);
};

// Each tool as Name:Kind, then "toggle", its shortcut and its width where it has them.
TEST_F(CommandBarTest, DefinesAllToolsInOrderWithTheirKinds) {
    const std::string expected =
        "AddCategory:0 AddTopic:0 Ctrl+T AddOtherFile:0 Delete:0 MoveUp:0 MoveDown:0 MoveLeft:0 "
        "MoveRight:0 popContext:4 Properties:0 AddImage:0 Status:2 100 Edit:0 CheckIn:0 "
        "CheckOut:0 UndoCheckOut:0 GetLatestVersion:0 FindValue:2 73 FindInName:0 toggle "
        "FindInCaption:0 toggle FindNow:0 Find:0 toggle FindInImageName:0 toggle "
        "ReCaptureImage:0 CaptureImage:0 CreateImageMap:0 FindIn:4 OpenImageProcessing:0 "
        "RenameCategory:0 LocateNode:0 IncludeInOutput:0 toggle IncludeInBookletOutput:0 "
        "AddBuildProfile:0 AddBuildFlag:0 AddBooklet:0 Build:0 MakeThumbnail:0 EditNewWindow:0 "
        "AutoGenerateCategoryIndex:0 toggle";
    std::string actual;
    for (int32_t i = 1; i <= bar.ToolCount(); ++i) {
        auto& t = static_cast<qv::HeadlessTool&>(bar.ToolAt(i));
        actual += (i > 1 ? " " : "") + t.Name() + ":" + std::to_string(t.Kind()) +
                  (t.Toggle() ? " toggle" : "") + (t.Shortcut().empty() ? "" : " " + t.Shortcut()) +
                  (t.Width() ? " " + std::to_string(t.Width()) : "");
        EXPECT_EQ(&bar.Item(t.Name()), &t);
        EXPECT_TRUE(t.Enabled() && t.Visible()) << t.Name();
        EXPECT_EQ(t.Checked(), 0) << t.Name();
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(bar.Find("FindNow").Style(), qv::ToolStyle::Caption);
    EXPECT_EQ(bar.Find("Find").Style(), qv::ToolStyle::IconAndCaption);
    EXPECT_EQ(bar.Find("Edit").Icon(), bar.Find("EditNewWindow").Icon());
    EXPECT_NE(bar.Find("Edit").Icon(), "");
    EXPECT_NE(bar.Find("CaptureImage").Icon(), bar.Find("ReCaptureImage").Icon());
    EXPECT_EQ(bar.Find("MoveLeft").Icon(), "");
    // Caption, tooltip and description.
    auto texts = [&](const char* name) {
        const qv::Tool& t = bar.Item(name);
        return t.Caption() + "|" + t.Tooltip() + "|" + t.Description();
    };
    EXPECT_EQ(texts("AddTopic"), "New &Topic...|Add a new topic|Add a new topic to the project");
    EXPECT_EQ(texts("CreateImageMap"), "Create User Interface &Map...|Create a new image map for "
                                       "this image|Create a new User Interface Map or this image");
    EXPECT_EQ(texts("FindIn"), "Search In||");
}

TEST_F(CommandBarTest, BarsHoldTheirEntriesInGroups) {
    ASSERT_EQ(bar.BandCount(), 4);
    EXPECT_EQ(&bar.Band(1), &bar.Band("Tools"));
    EXPECT_EQ(&bar.Band(2), &bar.Band("FindBar"));
    EXPECT_EQ(bar.Item("popContext").SubBand(), &bar.Band(3));
    EXPECT_EQ(bar.Item("FindIn").SubBand(), &bar.Band(4));
    EXPECT_EQ(&bar.Band("CommandBar"), &bar.Band(3)); // the first bar of that name
    EXPECT_EQ(bar.Item("Edit").SubBand(), nullptr);
    EXPECT_TRUE(bar.Band("Tools").Visible());
    EXPECT_FALSE(bar.Band("FindBar").Visible());

    EXPECT_EQ(Layout(bar.Band(1)),
              "|Edit Delete |MoveUp MoveDown |Find MoveLeft(hidden) MoveRight(hidden)");
    EXPECT_EQ(Layout(bar.Band(2)), "FindValue FindIn |FindNow");
    EXPECT_EQ(Layout(bar.Band(3)),
              "AddCategory AddTopic AddImage AddOtherFile |AddBuildProfile AddBuildFlag "
              "AddBooklet MoveUp MoveDown |Edit EditNewWindow LocateNode |RenameCategory "
              "|MakeThumbnail OpenImageProcessing ReCaptureImage CreateImageMap Status |Delete "
              "|CheckIn |CheckOut GetLatestVersion UndoCheckOut |Properties |IncludeInOutput "
              "IncludeInBookletOutput |Build AutoGenerateCategoryIndex");
    EXPECT_EQ(Layout(bar.Band(4)), "FindInName FindInCaption FindInImageName");
    // Entries share the tool: the same object, whichever bar shows it.
    EXPECT_EQ(&bar.Band(1).EntryAt(1).Tool(), &bar.Band(3).EntryAt(10).Tool());
}

TEST_F(CommandBarTest, HiddenToolsLeaveMenusButStayAddressable) {
    for (const char* name : {"IncludeInBookletOutput", "AddBuildFlag", "CaptureImage"})
        bar.Item(name).Hide();
    bar.Band(3).EntryAt(2).SetVisible(false); // AddTopic, in the menu only
    EXPECT_FALSE(bar.Item("CaptureImage").Visible());
    EXPECT_EQ(bar.Item("CaptureImage").Name(), "CaptureImage");

    std::string menu;
    for (const qv::HeadlessEntry* e : bar.VisibleMenuEntries("popContext"))
        menu += e->Tool().Name() + " ";
    EXPECT_EQ(menu, "AddCategory AddImage AddOtherFile AddBuildProfile AddBooklet MoveUp "
                    "MoveDown Edit EditNewWindow LocateNode RenameCategory MakeThumbnail "
                    "OpenImageProcessing ReCaptureImage CreateImageMap Status Delete CheckIn "
                    "CheckOut GetLatestVersion UndoCheckOut Properties IncludeInOutput Build "
                    "AutoGenerateCategoryIndex ");
    bar.Item("AddBuildFlag").SetVisible(true);
    EXPECT_EQ(bar.VisibleMenuEntries("popContext").size(), 26u);
}

TEST_F(CommandBarTest, UnknownNamesAndPositionsAreErrors) {
    EXPECT_EQ(ErrorOf([&] { bar.Item("addtopic"); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { bar.StateItem("NoSuchTool"); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { bar.Item(""); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { bar.Band("tools"); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { bar.Band(0); }), qv::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { bar.Band(5); }), qv::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { bar.ToolAt(40); }), qv::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { bar.Band(2).EntryAt(4); }), qv::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { bar.PopupMenu(bar.Item("Edit")); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { bar.UserSetFieldText("Edit", "x"); }), qv::err::InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { bar.UserClick("Nope"); }), qv::err::InvalidArgument);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(CommandBarTest, ClientAreaLiesBelowTheVisibleToolbars) {
    bar.Move(0, 15, 6000, 4000);
    EXPECT_EQ(bar.ClientArea(), (qv::Rect{0, 390, 6000, 3610}));
    bar.Band("FindBar").SetVisible(true);
    bar.Band("Tools").SetVisible(false);
    bar.Band("Tools").SetVisible(false); // no change, no event
    bar.Band(3).SetVisible(false);       // a menu's bar takes no room
    bar.Move(120, 30, 6000, 4000);       // same size: the area, relative to the bar, stays
    bar.Band("FindBar").SetVisible(false);
    bar.Move(0, 0, 6000, 200);
    EXPECT_EQ(log.Take(), "resize 0 390 6000 3610\n"
                          "resize 0 780 6000 3220\n"
                          "resize 0 390 6000 3610\n"
                          "resize 0 0 6000 4000\n"
                          "resize 0 0 6000 200\n");
    EXPECT_EQ(bar.Position(), (qv::Rect{0, 0, 6000, 200}));
    bar.Band("Tools").SetVisible(true); // taller than the bar: nothing is left
    EXPECT_EQ(bar.ClientArea(), (qv::Rect{0, 390, 6000, 0}));
}

TEST_F(CommandBarTest, FieldChangesRaiseEventsThatMayCancel) {
    bar.Item("FindValue").SetText("set by program");
    EXPECT_EQ(log.Take(), "");
    EXPECT_TRUE(bar.UserSetFieldText("FindValue", "typed"));
    EXPECT_FALSE(bar.UserSetFieldText("FindValue", "refuse"));
    EXPECT_EQ(bar.Item("FindValue").Text(), "typed");
    bar.Item("Status").SetEnabled(false); // a disabled field still takes the user's text
    EXPECT_TRUE(bar.UserSetFieldText("Status", "Draft"));
    EXPECT_EQ(log.Take(), "change FindValue \"typed\" was \"set by program\"\n"
                          "change FindValue \"refuse\" was \"typed\"\n"
                          "change Status \"Draft\" was \"\"\n");
}

TEST_F(CommandBarTest, ClicksAndKeysReachTheSinks) {
    EXPECT_TRUE(bar.UserClick("CaptureImage"));
    bar.Item("Delete").SetEnabled(false);
    bar.Item("Edit").Hide();
    EXPECT_FALSE(bar.UserClick("Delete"));
    EXPECT_FALSE(bar.UserClick("Edit"));
    EXPECT_EQ(bar.UserKeyDown("FindValue", 13, 1), 0); // the handler swallowed the key
    EXPECT_EQ(log.Take(), "click CaptureImage\nkey FindValue 13 1\n");
}

TEST_F(CommandBarTest, SinksMayComeAndGoDuringAnEvent) {
    struct Sink : qv::CommandBarEvents {
        std::function<void()> onClick;
        void CommandClick(qv::Tool&) override { onClick(); }
    } first, second, late;
    qv::Subscription s1 = bar.Subscribe(first), s2 = bar.Subscribe(second), s3;
    first.onClick = [&] {
        log.Add("first");
        s2.Reset();                        // not called yet: it hears nothing
        if (!s3) s3 = bar.Subscribe(late); // hears the next click
    };
    second.onClick = [&] { log.Add("second"); };
    late.onClick = [&] { log.Add("late"); };
    bar.UserClick("Find");
    s1.Reset();
    bar.UserClick("Find");
    EXPECT_EQ(log.Take(), "click Find\nfirst\nclick Find\nlate\n");
}

TEST_F(CommandBarTest, StartUpBookkeepingAndEntryCaptions) {
    for (int32_t i = 1; i <= bar.ToolCount(); ++i)
        bar.ToolAt(i).SyncTooltip();
    EXPECT_EQ(bar.Item("AddCategory").Tooltip(), "Add a new category");
    EXPECT_EQ(bar.Item("MoveUp").Tooltip(), "Move the selected item up");
    EXPECT_EQ(bar.Item("FindNow").Tooltip(), "");

    qv::Entry& del = bar.Band(3).EntryAt(19);
    ASSERT_EQ(del.Tool().Name(), "Delete");
    EXPECT_EQ(del.Caption(), "&Delete");
    del.SetCaption("&Remove from Project");
    EXPECT_EQ(del.Caption(), "&Remove from Project");
    EXPECT_EQ(bar.Band(1).EntryAt(2).Caption(), "&Delete"); // other bars keep the tool's

    bar.PopupMenu(bar.Item("popContext"));
    EXPECT_EQ(bar.LastPopup(), "popContext");
    EXPECT_EQ(bar.BorderStyle(), 1);
}

TEST_F(CommandBarTest, FieldImagesAreKeyed) {
    qv::Tool& status = bar.Item("Status");
    auto pic = std::make_shared<qv::Picture>(16, 16);
    status.AddImage("Draft", pic);
    EXPECT_TRUE(status.HasImage("Draft"));
    EXPECT_FALSE(status.HasImage("draft"));
    EXPECT_EQ(ErrorOf([&] { status.AddImage("Draft", pic); }), qv::err::KeyNotUnique);
    EXPECT_EQ(ErrorOf([&] { status.AddImage("Final", nullptr); }), qv::err::InvalidArgument);
    status.AddListItem({"Draft text", "Draft", "Draft"});
    ASSERT_EQ(status.List().size(), 1u);
    EXPECT_EQ(status.List()[0].name, "Draft");
}

} // namespace
