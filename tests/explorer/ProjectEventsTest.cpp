#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

// Three categories (the last empty), topics interleaved across them and one un-categorized,
// an image and a text file on disk, one profile; opened with nothing selected.
class ProjectEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.NewProject();
        h.dir.Write("images/shot.png", "x");
        h.dir.Write("readme.txt", "x");
        h.dir.Write("topics/T1.html", "x");
        p->AddCategory("C1", "Basics");
        p->AddCategory("C2", "Advanced");
        p->AddCategory("C3", "Empty");
        p->AddTopic("T1", "Intro", "Introduction", "C1", "Draft");
        p->AddTopic("T2", "Deep", "Deep Dive", "C2", "Review");
        p->AddTopic("T3", "Loose", "Loose End", "", "Complete");
        p->AddTopic("T4", "More", "More Basics", "C1", "InProgress");
        p->AddTopic("T5", "Last", "Last Word", "C2", "Draft");
        p->AddFile("images\\shot.png");
        p->AddFile("readme.txt");
        p->AddProfile("B1", "Web");
        h.Open(p);
        h.log.Clear();
    }

    // "o:" keys are written relative to the project folder.
    std::string Key(const std::string& key) {
        return key.rfind("o:", 0) == 0 ? "o:" + p->Folder() + key.substr(2) : key;
    }

    std::string Children(const std::string& key) {
        std::string out;
        for (qv::Node* n = h.NodeAt(key).FirstChild(); n; n = n->NextSibling())
            out += n->Key() + " ";
        return out;
    }

    // The procedures named by the error boxes shown so far.
    std::string BoxedProcedures() {
        std::string out;
        for (const auto& line : h.log.Lines()) {
            if (line.rfind("msgbox 16 Application Error:", 0) != 0) continue;
            const auto at = line.find("Procedure: ") + 11;
            out += line.substr(at, line.find('\r', at) - at) + " ";
        }
        return out;
    }

    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

struct RefreshCase {
    const char* name;
    void (*change)(qv::TopicItem&);
    const char* text;
    const char* image;
};

class TopicRefreshTest : public ProjectEventsTest,
                         public ::testing::WithParamInterface<RefreshCase> {};

// A change that leaves the category alone redraws the node where it stands.
TEST_P(TopicRefreshTest, RedrawsTheSameNodeInPlace) {
    qv::Node* before = &h.NodeAt("t:T1");
    const auto pin = before->shared_from_this(); // no replacement can take its address
    GetParam().change(*p->GetTopic("T1"));
    EXPECT_EQ(&h.NodeAt("t:T1"), before);
    EXPECT_EQ(before->Text(), GetParam().text);
    EXPECT_EQ(before->Image(), GetParam().image);
    EXPECT_EQ(Children("c:C1"), "t:T1 t:T4 ");
    EXPECT_EQ(BoxedProcedures(), "");
    h.Dump();
}

INSTANTIATE_TEST_SUITE_P(
    Changes, TopicRefreshTest,
    ::testing::Values(
        RefreshCase{"Renamed", [](qv::TopicItem& t) { t.SetName("Start"); },
                    "Start (<FORMAT spellcheck>Introduction</FORMAT>)", "topicstatusDraft"},
        RefreshCase{"Excluded", [](qv::TopicItem& t) { t.SetIncludeInOutput(false); },
                    "<FORMAT TEXT:6D6D6D>Intro</FORMAT> (<FORMAT spellcheck>Introduction</FORMAT>)",
                    "topicstatusDraft"},
        RefreshCase{"StatusChanged", [](qv::TopicItem& t) { t.SetStatus("Complete"); },
                    "Intro (<FORMAT spellcheck>Introduction</FORMAT>)", "topicstatusComplete"}),
    [](const auto& info) { return info.param.name; });

struct MoveCase {
    const char* name;
    const char* topic;
    const char* category; // "" for none
    const char* parent;
    const char* children; // of the new parent afterwards
};

class TopicCategoryMoveTest : public ProjectEventsTest,
                              public ::testing::WithParamInterface<MoveCase> {};

// The node follows its topic to the new parent, at the topic's place in the project order.
TEST_P(TopicCategoryMoveTest, MovesUnderTheNewParentAtItsProjectPosition) {
    const MoveCase& c = GetParam();
    auto topic = p->GetTopic(c.topic);
    topic->SetCategory(*c.category ? p->GetCategory(c.category) : nullptr);
    EXPECT_EQ(h.NodeAt(std::string("t:") + c.topic).Parent()->Key(), c.parent);
    EXPECT_EQ(Children(c.parent), c.children);
    EXPECT_EQ(h.NodeAt(std::string("t:") + c.topic).Text().find(topic->Name()), 0u);
    EXPECT_EQ(BoxedProcedures(), "");
    h.Dump();
}

INSTANTIATE_TEST_SUITE_P(Moves, TopicCategoryMoveTest,
                         ::testing::Values(MoveCase{"BetweenTopicsOfAnotherCategory", "T4", "C2",
                                                    "c:C2", "t:T2 t:T4 t:T5 "},
                                           MoveCase{"IntoAnEmptyCategory", "T2", "C3", "c:C3",
                                                    "t:T2 "},
                                           MoveCase{"OutOfEveryCategoryBeforeLaterLooseTopics",
                                                    "T1", "", "c:uncategorized", "t:T1 t:T3 "},
                                           MoveCase{"OutOfEveryCategoryAfterEarlierLooseTopics",
                                                    "T5", "", "c:uncategorized", "t:T3 t:T5 "},
                                           MoveCase{"FromUncategorizedIntoACategory", "T3", "C1",
                                                    "c:C1", "t:T1 t:T3 t:T4 "}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ProjectEventsTest, ARenamedCategoryKeepsItsNodeAndTopics) {
    qv::Node* before = &h.NodeAt("c:C1");
    const auto pin = before->shared_from_this();
    p->GetCategory("C1")->SetName("First Steps");
    EXPECT_EQ(&h.NodeAt("c:C1"), before);
    EXPECT_EQ(before->Text(), "First Steps");
    EXPECT_EQ(Children("c:C1"), "t:T1 t:T4 ");
}

TEST_F(ProjectEventsTest, BuildProfilesAreAddedRedrawnAndRemoved) {
    p->AddProfile("B2", "Print");
    qv::Node* node = &h.NodeAt("bp:B2");
    const auto pin = node->shared_from_this();
    EXPECT_EQ(node->Parent()->Key(), "buildprofiles");
    EXPECT_EQ(node->Image(), "html");
    EXPECT_EQ(h.Tree().SelectedItem(), nullptr); // a new profile is never selected here
    auto profile = p->GetProfile("B2");
    profile->SetName("Archive");
    profile->SetHelpFormat(2);
    profile->SetCompiledHelp(true);
    EXPECT_EQ(&h.NodeAt("bp:B2"), node);
    EXPECT_EQ(node->Text(), "Archive");
    EXPECT_EQ(node->Image(), "help2");
    p->RemoveProfile("B2");
    EXPECT_FALSE(h.Tree().Nodes().Contains("bp:B2"));
    EXPECT_EQ(BoxedProcedures(), "");
    h.Dump();
}

// Only the file folders: item events of the other folders find nothing to do.
TEST_F(ProjectEventsTest, EventsOfFoldersNotLoadedAreIgnored) {
    h.control->LoadQVProject(p, false, true, true);
    h.log.Clear();
    p->GetTopic("T1")->SetName("X");
    p->GetTopic("T2")->SetCategory(nullptr);
    p->SetTopicReadOnly("T1", true);
    p->MoveTopic("T5", "T1");
    p->MoveCategory("C3", "C1");
    p->GetCategory("C1")->SetName("X");
    p->AddTopic("T6", "New", "New", "C1");
    p->RemoveCategory("C2");
    p->AddProfile("B2", "Print");
    p->GetProfile("B1")->SetName("Renamed");
    p->RemoveProfile("B1");
    EXPECT_EQ(h.log.Take(), "");
    EXPECT_FALSE(h.Tree().Nodes().Contains("topics"));
    EXPECT_FALSE(h.Tree().Nodes().Contains("buildprofiles"));
}

struct KindCase {
    const char* name;
    bool images, other;
    const char* path;
    bool shown;
};

class FileKindTest : public ProjectEventsTest, public ::testing::WithParamInterface<KindCase> {};

// Files reach only the folder of their kind, and only when that folder was loaded.
TEST_P(FileKindTest, AFileAppearsOnlyInALoadedFolderOfItsKind) {
    const KindCase& c = GetParam();
    h.control->LoadQVProject(p, false, c.images, c.other);
    h.dir.Write(c.path, "x");
    p->AddFile(c.path);
    const std::string key = Key(std::string("o:") + c.path);
    EXPECT_EQ(h.Tree().Nodes().Contains(key), c.shown);
    p->GetFile(c.path)->SetIncludeInOutput(false);
    // A shown file was selected as it arrived, so its check-out describes it again; a file of
    // a folder not loaded is not even looked for.
    h.log.Clear();
    p->SetFileReadOnly(c.path, true);
    EXPECT_EQ(h.log.Take().empty(), !c.shown);
    p->RemoveFile(c.path);
    EXPECT_FALSE(h.Tree().Nodes().Contains(key));
    EXPECT_EQ(BoxedProcedures(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileKindTest,
    ::testing::Values(KindCase{"ImageWithOnlyOtherFiles", false, true, "images/new.png", false},
                      KindCase{"TextWithOnlyOtherFiles", false, true, "new.txt", true},
                      KindCase{"ImageWithOnlyImages", true, false, "images/new.png", true}),
    [](const auto& info) { return info.param.name; });

struct CheckOutCase {
    const char* name;
    const char* selected; // "" for nothing
    void (*change)(qv::Project&);
    const char* log;
};

class CheckOutSelectionTest : public ProjectEventsTest,
                              public ::testing::WithParamInterface<CheckOutCase> {};

// A check-out change describes the selection again only when it concerns the selected node.
TEST_P(CheckOutSelectionTest, DescribesTheSelectionAgainOnlyWhenItIsConcerned) {
    if (*GetParam().selected) h.Select(Key(GetParam().selected));
    h.log.Clear();
    GetParam().change(*p);
    EXPECT_EQ(h.log.Take(), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CheckOutSelectionTest,
    ::testing::Values(
        CheckOutCase{"SelectedTopic", "t:T1",
                     [](qv::Project& q) { q.SetTopicReadOnly("T1", true); },
                     "host flashtopic topic:T1\nevent TopicSelected topic:T1\nevent RefreshTools\n"
                     "host helpContextChanged\n"},
        CheckOutCase{"OtherTopic", "t:T2", [](qv::Project& q) { q.SetTopicReadOnly("T1", true); },
                     ""},
        CheckOutCase{"SelectedFile", "o:readme.txt",
                     [](qv::Project& q) { q.SetFileReadOnly("readme.txt", true); },
                     "event OtherFileSelected file:readme.txt\nevent RefreshTools\n"
                     "host helpContextChanged\n"},
        CheckOutCase{"ElementWithNothingSelected", "",
                     [](qv::Project& q) { q.RaiseElementCheckout(2); }, ""},
        CheckOutCase{"ElementWithATopicSelected", "t:T1",
                     [](qv::Project& q) { q.RaiseElementCheckout(2); }, ""}),
    [](const auto& info) { return info.param.name; });

struct SourceControlCase {
    const char* name;
    bool underSourceControl, readOnly;
    const char* topicImage;
    const char* fileImage;
};

class CheckOutImageTest : public ProjectEventsTest,
                          public ::testing::WithParamInterface<SourceControlCase> {};

TEST_P(CheckOutImageTest, ImagesShowTheCheckOutStateOnlyUnderSourceControl) {
    const SourceControlCase& c = GetParam();
    p->SetUnderSourceControl(c.underSourceControl);
    p->SetTopicReadOnly("T1", c.readOnly);
    p->SetFileReadOnly("readme.txt", c.readOnly);
    EXPECT_EQ(h.NodeAt("t:T1").Image(), c.topicImage);
    EXPECT_EQ(h.NodeAt(Key("o:readme.txt")).Image(), c.fileImage);
}

INSTANTIATE_TEST_SUITE_P(
    States, CheckOutImageTest,
    ::testing::Values(SourceControlCase{"NotCheckedOut", true, true, "topicstatusDraft_readonly",
                                        "ext_txt_readonly"},
                      SourceControlCase{"CheckedOut", true, false, "topicstatusDraft_checkedout",
                                        "ext_txt_checkedout"},
                      SourceControlCase{"NoSourceControl", false, true, "topicstatusDraft",
                                        "ext_txt"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ProjectEventsTest, CheckOutOfAFileWithoutNodeWhileNothingIsSelectedDescribesNoNode) {
    h.Tree().Nodes().Remove(Key("o:readme.txt"));
    ASSERT_EQ(h.Tree().SelectedItem(), nullptr);
    p->SetFileReadOnly("readme.txt", true);
    EXPECT_EQ(h.log.Take(), "event FolderNodeSelected\nevent RefreshTools\n");
    // The same for a topic without node changes nothing.
    h.Tree().Nodes().Remove("t:T1");
    p->SetTopicReadOnly("T1", true);
    EXPECT_EQ(h.log.Take(), "");
}

TEST_F(ProjectEventsTest, ElementCheckOutOfType2RefreshesASelectedBookletsFolder) {
    h.Tree().Nodes().Add(nullptr, qv::rel::Last, "booklets", "Booklets", "bookletsclosed");
    h.Select("booklets");
    h.log.Clear();
    p->RaiseElementCheckout(1);
    EXPECT_EQ(h.log.Take(), "");
    p->RaiseElementCheckout(2);
    EXPECT_EQ(h.log.Take(),
              "event FolderNodeSelected\nevent RefreshTools\nhost helpContextChanged\n");
}

struct MissingNodeCase {
    const char* name;
    const char* key; // the node taken out of the tree first; "o:" keys are below the folder
    void (*change)(qv::Project&);
    const char* boxes;
};

class MissingNodeTest : public ProjectEventsTest,
                        public ::testing::WithParamInterface<MissingNodeCase> {};

// Handlers that must find their node report its absence; the lenient ones skip it quietly.
TEST_P(MissingNodeTest, ReportsOnlyWhereTheNodeMustExist) {
    h.Tree().Nodes().Remove(Key(GetParam().key));
    h.Select("topics");
    h.log.Clear();
    EXPECT_NO_THROW(GetParam().change(*p));
    EXPECT_EQ(BoxedProcedures(), GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, MissingNodeTest,
    ::testing::Values(
        MissingNodeCase{"TopicChanged", "t:T1",
                        [](qv::Project& q) { q.GetTopic("T1")->SetName("X"); },
                        "mQVProject_TopicChanged "},
        MissingNodeCase{"TopicRemoved", "t:T1", [](qv::Project& q) { q.RemoveTopic("T1"); },
                        "mQVProject_TopicRemoved "},
        MissingNodeCase{"TopicReOrdered", "t:T5", [](qv::Project& q) { q.MoveTopic("T5", "T2"); },
                        "mQVProject_TopicReOrdered "},
        MissingNodeCase{"CategoryChanged", "c:C3",
                        [](qv::Project& q) { q.GetCategory("C3")->SetName("X"); },
                        "mQVProject_TopicCategoryChanged "},
        MissingNodeCase{"CategoryReOrdered", "c:C3",
                        [](qv::Project& q) { q.MoveCategory("C3", "C1"); },
                        "mQVProject_TopicCategoryReOrdered "},
        MissingNodeCase{"CategoryRemoved", "c:C3", [](qv::Project& q) { q.RemoveCategory("C3"); },
                        "mQVProject_TopicCategoryRemoved "},
        MissingNodeCase{"ProfileChanged", "bp:B1",
                        [](qv::Project& q) { q.GetProfile("B1")->SetName("X"); },
                        "mQVProject_BuildProfileChanged "},
        MissingNodeCase{"ProfileRemoved", "bp:B1", [](qv::Project& q) { q.RemoveProfile("B1"); },
                        "mQVProject_BuildProfileRemoved "},
        MissingNodeCase{"FileRemoved", "o:readme.txt",
                        [](qv::Project& q) { q.RemoveFile("readme.txt"); },
                        "mQVProject_OtherFileRemoved "},
        MissingNodeCase{"FileChanged", "o:readme.txt",
                        [](qv::Project& q) { q.GetFile("readme.txt")->SetIncludeInOutput(false); },
                        ""},
        MissingNodeCase{"TopicCheckOut", "t:T1",
                        [](qv::Project& q) { q.SetTopicReadOnly("T1", true); }, ""}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace qvtest
