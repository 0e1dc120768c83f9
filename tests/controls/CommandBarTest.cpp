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
