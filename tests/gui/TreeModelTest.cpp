#include "gui/TreeModel.h"

#include "GuiTestSupport.h"
#include "support/ExplorerHarness.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace qvtest {
namespace {

using qv::HeadlessNode;
using qv::TreeModel;

// The model shows exactly the tree: same children in the same order, parents, keys, labels;
// its list of folders holds each node with children once.
void ExpectMirrors(const TreeModel& model, qv::HeadlessTreeView& tree) {
    std::vector<std::pair<HeadlessNode*, QModelIndex>> pending{{nullptr, QModelIndex()}};
    int seen = 0;
    std::set<const HeadlessNode*> folders;
    while (!pending.empty()) {
        auto [parent, parentIndex] = pending.back();
        pending.pop_back();
        const int count = parent ? parent->ChildCount() : tree.TopLevelCount();
        ASSERT_EQ(model.rowCount(parentIndex), count) << (parent ? parent->Key() : "top");
        for (int row = 0; row < count; ++row) {
            HeadlessNode* child = parent ? parent->ChildAt(row) : tree.TopLevelAt(row);
            const QModelIndex index = model.index(row, 0, parentIndex);
            ASSERT_EQ(model.NodeOf(index), child);
            ASSERT_EQ(model.parent(index), parentIndex);
            ASSERT_EQ(model.IndexOf(child), index);
            ASSERT_EQ(index.data(TreeModel::KeyRole).toString().toStdString(), child->Key());
            pending.emplace_back(child, index);
            ++seen;
            if (child->ChildCount() > 0) folders.insert(child);
        }
    }
    EXPECT_EQ(seen, tree.Nodes().Count());
    const std::vector<HeadlessNode*>& listed = model.Folders();
    EXPECT_EQ(listed.size(), folders.size());
    EXPECT_EQ(std::set<const HeadlessNode*>(listed.begin(), listed.end()), folders);
}

class TreeModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModelTesterFailures().clear();
        GuiErrors().clear();
    }
    void Attach() {
        model = std::make_unique<TreeModel>(h.Tree());
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    QModelIndex At(const std::string& key) { return model->IndexOf(&h.NodeAt(key)); }
    struct Change {
        const char* name;
        std::function<void()> apply;
    };
    // Each change leaves the model mirroring the tree; with rowsOnly, it reached the view as
    // updates of its rows, never a reset or layout change (a new layout of the whole tree).
    void ExpectFollowed(const std::vector<Change>& changes, bool rowsOnly) {
        ExpectMirrors(*model, h.Tree()); // the folders are read: the changes keep them up
        for (const Change& change : changes) {
            SCOPED_TRACE(change.name);
            QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
            QSignalSpy layouts(model.get(), &QAbstractItemModel::layoutChanged);
            QSignalSpy rows(model.get(), &TreeModel::treeChanged);
            change.apply();
            if (rowsOnly) {
                EXPECT_EQ(resets.count() + layouts.count(), 0);
                EXPECT_GT(rows.count(), 0);
            }
            ExpectMirrors(*model, h.Tree());
            ASSERT_TRUE(ModelTesterFailures().empty()) << ModelTesterFailures().front();
            EXPECT_TRUE(GuiErrors().empty());
        }
    }
    std::string Children(const std::string& key) {
        std::string out;
        for (auto* n = h.NodeAt(key).FirstChild(); n; n = n->NextSibling())
            out += (out.empty() ? "" : " ") + n->Key();
        return out;
    }

    ExplorerHarness h;
    std::unique_ptr<TreeModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(TreeModelTest, EveryKindOfChangeKeepsModelAndTreeTogether) {
    h.Open(h.TwoCategoryProject());
    Attach();
    ExpectFollowed(
        {
            {"add topic", [&] { h.project->AddTopic("T9", "Added", "Added", "C1", "Draft"); }},
            {"remove topic", [&] { h.project->RemoveTopic("T2"); }},
            {"rename by label edit",
             [&] {
                 h.Select("c:C2");
                 h.Tree().StartLabelEdit();
                 ASSERT_TRUE(model->setData(At("c:C2"), QStringLiteral("Renamed"), Qt::EditRole));
                 EXPECT_EQ(h.NodeAt("c:C2").Text(), "Renamed");
             }},
            {"drag topic into another category",
             [&] {
                 const QPersistentModelIndex t1 = At("t:T1"); // follows its node
                 h.Tree().Drag(&h.NodeAt("t:T1"), &h.NodeAt("c:C2"), qv::rel::Child);
                 EXPECT_EQ(model->NodeOf(t1.parent()), &h.NodeAt("c:C2"));
                 EXPECT_EQ(t1, At("t:T1"));
             }},
            {"move up",
             [&] {
                 h.Select("t:T9");
                 h.Control().ClickTool("MoveUp");
             }},
            {"sort a parent",
             [&] {
                 auto& nodes = h.Tree().Nodes();
                 nodes.Add("topics", qv::rel::Child, "x:zeta", "zeta");
                 nodes.Add("x:zeta", qv::rel::Child, "x:b", "b");
                 nodes.Add("x:zeta", qv::rel::Child, "x:a", "a");
                 h.NodeAt("x:zeta").SetSorted(true);
                 const QPersistentModelIndex a = At("x:a");
                 h.NodeAt("x:a").SetText("c"); // moves behind "b" in the sorted parent
                 EXPECT_EQ(Children("x:zeta"), "x:b x:a");
                 EXPECT_EQ(a, At("x:a"));
             }},
            {"reparent", [&] { h.NodeAt("x:zeta").SetParent(&h.NodeAt("c:C1")); }},
            {"a folder's last child moves out",
             [&] {
                 h.NodeAt("x:a").SetParent(&h.NodeAt("c:C2"));
                 h.NodeAt("x:b").SetParent(&h.NodeAt("x:a"));
             }},
            {"remove a folder holding folders",
             [&] {
                 h.Tree().Nodes().Add("x:zeta", qv::rel::Child, "x:inner", "inner");
                 h.Tree().Nodes().Add("x:inner", qv::rel::Child, "x:leaf", "leaf");
                 h.Tree().Nodes().Remove("c:C1");
             }},
            {"remove the selected node",
             [&] {
                 h.Select("t:T3");
                 h.Tree().Nodes().Remove("t:T3");
             }},
            {"reload", [&] { h.Control().LoadQVProject(h.project); }},
        },
        false);
}

// A load arrives as a reset; every change of the project after it as updates of its rows.
TEST_F(TreeModelTest, EachProjectChangeUpdatesOnlyItsRows) {
    Attach();
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    h.Open(h.Sample());
    EXPECT_GE(resets.count(), 1);
    ExpectFollowed(
        {
            {"add a topic to a category",
             [&] {
                 QString arrived; // the row's label as the view first sees it
                 const auto seen =
                     QObject::connect(model.get(), &QAbstractItemModel::rowsInserted,
                                      [&](const QModelIndex& parent, int first) {
                                          arrived =
                                              model->index(first, 0, parent).data().toString();
                                      });
                 h.project->AddTopic("", "New", "Fresh", "C2");
                 QObject::disconnect(seen);
                 EXPECT_EQ(arrived, QStringLiteral("New (Fresh)"));
             }},
            {"move a topic", [&] { h.project->MoveTopic("T5", "T1"); }},
            {"rename a category", [&] { h.project->GetCategory("C3")->SetName("Tags"); }},
            {"move a category", [&] { h.project->MoveCategory("C4", "C1"); }},
            {"add a file in a new folder",
             [&] { h.project->AddFile("images\\brand new\\pic.png"); }},
            {"remove a file", [&] { h.project->RemoveFile("images\\icons\\tag.png"); }},
            {"delete a category in the tree",
             [&] {
                 h.Select("c:C2");
                 h.Tree().ExecuteCommand("DeleteItem"); // the confirmation is answered Yes
                 ASSERT_FALSE(h.Tree().Nodes().Contains("c:C2")) << h.log.Text();
             }},
            {"remove a topic", [&] { h.project->RemoveTopic("T3"); }},
        },
        true);
}

TEST_F(TreeModelTest, DroppedNodeDataBecomesTheTreesDragGesture) {
    h.Open(h.TwoCategoryProject());
    Attach();
    struct Case {
        const char* name;
        std::string source;
        int row;              // -1: onto the parent
        std::string parent;   // key of the drop's parent
        std::string of;       // the node whose children are checked
        std::string expected; // its children afterwards
    };
    const std::vector<Case> cases = {
        {"onto a category", "t:T1", -1, "c:C2", "c:C2", "t:T3 t:T1"},
        {"between rows: before the row below", "t:T2", 0, "c:C2", "c:C2", "t:T2 t:T3 t:T1"},
        {"after the last row", "t:T3", 3, "c:C2", "c:C2", "t:T2 t:T1 t:T3"},
        // The gap under a category's last topic is also the gap under the category.
        {"a category under the last topic of another", "c:C1", 3, "c:C2", "topics",
         "c:uncategorized c:C2 c:C1"},
        {"a topic there stays among the topics", "t:T2", 3, "c:C2", "c:C2", "t:T1 t:T3 t:T2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QMimeData> data(model->mimeData({At(c.source)}));
        ASSERT_TRUE(data);
        EXPECT_EQ(data->data(TreeModel::kNodeMime).toStdString(), c.source);
        ASSERT_TRUE(model->dropMimeData(data.get(), Qt::MoveAction, c.row, 0, At(c.parent)));
        RunPendingEvents(); // the gesture runs once the drag is over
        EXPECT_EQ(Children(c.of), c.expected);
        ExpectMirrors(*model, h.Tree());
    }
    EXPECT_EQ(h.project->TopicCategories()->Item(1)->ID(), "C2");

    // Dropped into a closed category, a topic is shown there, selected.
    QSignalSpy shown(model.get(), &TreeModel::dropShown);
    h.NodeAt("c:C2").SetExpanded(false);
    std::unique_ptr<QMimeData> into(model->mimeData({At("t:T1")}));
    ASSERT_TRUE(model->dropMimeData(into.get(), Qt::MoveAction, -1, 0, At("c:C1")));
    RunPendingEvents();
    EXPECT_EQ(Children("c:C1"), "t:T1");
    EXPECT_TRUE(h.NodeAt("c:C1").Expanded());
    EXPECT_EQ(h.Tree().SelectedItem(), &h.NodeAt("t:T1"));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.front().front().value<QModelIndex>(), At("t:T1"));
    // A locked tree offers nothing to drag and takes no drop, of nodes or of files.
    h.Tree().SetMode(0);
    std::unique_ptr<QMimeData> data(model->mimeData({At("t:T1")}));
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(h.dir.Write("x.png", "x")))});
    EXPECT_FALSE(model->flags(At("t:T1")) & (Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled));
    EXPECT_FALSE(model->flags(QModelIndex()) & Qt::ItemIsDropEnabled);
    EXPECT_FALSE(model->canDropMimeData(data.get(), Qt::MoveAction, -1, 0, At("c:C1")));
    EXPECT_FALSE(model->dropMimeData(data.get(), Qt::MoveAction, -1, 0, At("c:C1")));
    RunPendingEvents();
    EXPECT_EQ(Children("c:C2"), "t:T3 t:T2");
    h.Tree().SetMode(2);
    EXPECT_TRUE(model->flags(At("t:T1")) & Qt::ItemIsDragEnabled);
    EXPECT_TRUE(ModelTesterFailures().empty());
}

TEST_F(TreeModelTest, FilesFromTheFileManagerBecomeTheTreesFileDrop) {
    h.Open(h.Sample());
    Attach();
    const std::string file = h.dir.WriteBmp("outside/new.bmp", 2, 2, {0xFF0000, 0, 0, 0});
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(file)), QUrl("https://example.org/x")});
    const int before = h.Tree().Nodes().Count();
    EXPECT_TRUE(model->canDropMimeData(&data, Qt::CopyAction, -1, 0, At("images")));
    EXPECT_FALSE(model->canDropMimeData(&data, Qt::CopyAction, 0, 0, QModelIndex()));
    ASSERT_TRUE(model->dropMimeData(&data, Qt::CopyAction, -1, 0, At("images")));
    RunPendingEvents();
    EXPECT_EQ(h.Tree().Nodes().Count(), before + 1) << h.log.Text();
    ExpectMirrors(*model, h.Tree());
}

TEST_F(TreeModelTest, LabelsShowWithoutMarkupAndIconsComeFromTheImageList) {
    h.Open(h.TwoCategoryProject());
    Attach();
    h.NodeAt("t:T1").SetText("Intro <FORMAT spellerror>wrold</FORMAT>");
    const QModelIndex t1 = At("t:T1");
    EXPECT_EQ(t1.data(Qt::DisplayRole).toString(), QStringLiteral("Intro wrold"));
    EXPECT_EQ(t1.data(TreeModel::MarkupRole).toString(),
              QStringLiteral("Intro <FORMAT spellerror>wrold</FORMAT>"));
    const QIcon icon = t1.data(Qt::DecorationRole).value<QIcon>();
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    const auto picture = h.Control().Images().Item(h.NodeAt("t:T1").Image());
    EXPECT_EQ(image.pixel(8, 8), picture->At(8, 8));
    h.NodeAt("t:T1").SetForeColor(0x0000FF); // BGR: red
    EXPECT_EQ(t1.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));

    // The program's bold row, beside the tree's own text, image and colour.
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    model->SetBoldKey("t:T1");
    EXPECT_TRUE(t1.data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(At("t:T2").data(Qt::FontRole).isValid());
    model->SetBoldKey("t:T2");
    EXPECT_FALSE(t1.data(Qt::FontRole).isValid());
    EXPECT_TRUE(At("t:T2").data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(changed.count(), 3); // T1 on, T1 off, T2 on
    EXPECT_EQ(t1.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
}

} // namespace
} // namespace qvtest
