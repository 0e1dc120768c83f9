#include "support/ExplorerHarness.h"

#include <gtest/gtest.h>

namespace qvtest {
namespace {

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        p = h.NewProject();
        p->AddTopic("T1", "Intro", "Intro", "", "Draft");
        p->Save();
        h.control->SetSize(6000, 9000);
    }
    qv::Rect Dock() { return h.Dock().Position(); }

    ExplorerHarness h;
    std::shared_ptr<qv::Project> p;
};

TEST_F(LayoutTest, AReadOnlyProjectPutsTheBarOnTopAndTheDockOnePixelBelow) {
    p->SetProjectReadOnly(true);
    h.Open(p);
    qv::WarningBar& bar = h.control->Warning();
    EXPECT_TRUE(bar.Visible());
    EXPECT_EQ(bar.Caption(), "You cannot add or remove items in this Project as the Project the "
                             "file (" +
                                 p->Path() + ") is read-only");
    EXPECT_EQ((qv::Rect{bar.Left(), bar.Top(), bar.Width(), bar.Height()}),
              (qv::Rect{0, 0, 6000, 390}));
    EXPECT_EQ(Dock(), (qv::Rect{0, 405, 6000, 8595}));
    p->SetProjectReadOnly(false);
    EXPECT_FALSE(bar.Visible());
    EXPECT_EQ(Dock().top, 0); // the toolbar property is off: no pixel of its own
}

TEST_F(LayoutTest, HitTestFindsRowsAndNothingBelowThem) {
    h.Open(p);
    EXPECT_EQ(h.control->HitTest(10, 10), &h.NodeAt("topics"));
    EXPECT_EQ(h.control->HitTest(10, 100000), nullptr);
}

} // namespace
} // namespace qvtest
