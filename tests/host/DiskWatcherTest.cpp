#include "host/DiskWatcher.h"

#include "model/DiskPath.h"
#include "model/Project.h"
#include "support/EventLog.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvtest {
namespace {

namespace fs = std::filesystem;

// Names the check-out events the project raises, relative to the project folder.
class CheckoutLog final : public qv::ProjectEvents {
public:
    explicit CheckoutLog(const std::string& folder) : folder_(folder) {}
    void OtherFileCheckoutStatusChanged(const std::shared_ptr<qv::OtherFile>& f) override {
        log.Add("file " + f->File()->LocalSpec().substr(folder_.size()));
    }
    void TopicCheckoutStatusChanged(const std::shared_ptr<qv::Topic>& t) override {
        log.Add("topic " + t->ID());
    }
    void CheckoutStatusChanged() override { log.Add("project"); }
    EventLog log;

private:
    std::string folder_;
};

class DiskWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {"a.png", "sub/b.txt", "sub/deep/c.txt", "topics/T1.html"})
            dir.Write(f, "x");
        project = qv::Project::Create(dir.Path() + "/Help.qvproj");
        for (const char* f : {"a.png", "sub\\b.txt", "sub\\deep\\c.txt", "gone\\d.txt"})
            project->AddFile(f);
        project->AddTopic("T1", "One", "One", {}, {}, "topics\\T1.html");
        project->Save();
        watcher = std::make_unique<qv::DiskWatcher>(project);
        watcher->Index();
        subscription = project->Subscribe(log);
    }
    // Waits until the system has told of the changes, then refreshes.
    qv::DiskWatcher::Outcome Settle() {
        pollfd p{watcher->FileDescriptor(), POLLIN, 0};
        while (::poll(&p, 1, 1000) > 0) {
            watcher->ReadEvents();
            p.revents = 0;
            if (::poll(&p, 1, 30) <= 0) break; // the burst is over
        }
        return watcher->Refresh();
    }
    std::string P(const std::string& name) const { return dir.Path() + "/" + name; }
    // The events since the last call, sorted: folders are re-checked in no given order.
    std::string Events() {
        std::vector<std::string> lines = log.log.Lines();
        log.log.Clear();
        std::sort(lines.begin(), lines.end());
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    }

    TempDir dir;
    std::shared_ptr<qv::Project> project;
    std::unique_ptr<qv::DiskWatcher> watcher;
    CheckoutLog log{dir.Path() + "/"};
    qv::Subscription subscription;
};

TEST_F(DiskWatcherTest, OutsideChangesRaiseTheItemsCheckoutEventOnce) {
    ASSERT_GE(watcher->FileDescriptor(), 0);
    EXPECT_EQ(watcher->Unwatched(), 0u);
    // One watch per folder: the project's, sub, sub/deep, topics; "gone" through its parent.
    EXPECT_EQ(watcher->WatchedFolders(), 4u);
    struct Step {
        const char* what;
        std::function<void()> change;
        const char* events;
    };
    const std::vector<Step> steps = {
        {"removed", [&] { fs::remove(P("sub/b.txt")); }, "file sub/b.txt\n"},
        {"made again", [&] { dir.Write("sub/b.txt", "y"); }, "file sub/b.txt\n"},
        {"rewritten in place: same state", [&] { dir.Write("sub/b.txt", "zz"); }, ""},
        {"renamed away and back",
         [&] {
             fs::rename(P("a.png"), P("A2.png"));
             ASSERT_EQ(Settle().raised, 1u);
             fs::rename(P("A2.png"), P("A.PNG")); // the disk is taken as case-insensitive
         },
         "file a.png\nfile a.png\n"},
        {"marked read-only", [&] { ::chmod(P("topics/T1.html").c_str(), 0444); }, "topic T1\n"},
        {"made in two cases, the project's spelling removed: the reported name is trusted",
         [&] {
             dir.Write("a.png", "x");
             ASSERT_EQ(Settle().raised, 0u);
             fs::remove(P("a.png")); // A.PNG stays, but its folder is not listed to find it
         },
         "file a.png\n"},
        {"a file nobody lists", [&] { dir.Write("sub/other.txt", "o"); }, ""},
        {"a folder of no listed file made (a build's output)",
         [&] { dir.Write("output/B1/index.html", "o"); }, ""},
        {"a folder renamed in another case: its files are found (c.txt seen a first time)",
         [&] { fs::rename(P("sub"), P("SUB")); }, "file sub/deep/c.txt\n"},
        {"a folder renamed", [&] { fs::rename(P("SUB"), P("sub2")); },
         "file sub/b.txt\nfile sub/deep/c.txt\n"},
        {"a missing folder made", [&] { dir.Write("gone/d.txt", "d"); }, "file gone/d.txt\n"},
        {"the project file marked", [&] { ::chmod(P("Help.qvproj").c_str(), 0444); }, "project\n"},
    };
    for (const Step& step : steps) {
        step.change();
        const qv::DiskWatcher::Outcome outcome = Settle();
        EXPECT_EQ(Events(), step.events) << step.what;
        EXPECT_FALSE(outcome.projectFileChanged) << step.what;
    }
    // The folder renamed back is watched again under its name.
    fs::rename(P("sub2"), P("sub"));
    Settle();
    log.log.Clear();
    fs::remove(P("sub/deep/c.txt"));
    Settle();
    EXPECT_EQ(Events(), "file sub/deep/c.txt\n");
}

TEST_F(DiskWatcherTest, OnlySomeoneElsesProjectFileChangeIsReported) {
    ::chmod(P("Help.qvproj").c_str(), 0644);
    project->AddTopic("T2", "Two", "Two", {}, {}, "topics\\T2.html");
    project->Save(); // our own save: not reported once taken as known
    watcher->TakeProjectFileAsKnown();
    EXPECT_FALSE(Settle().projectFileChanged);
    dir.Write("Help.qvproj.new", "<QuorvelProject/>");
    fs::rename(P("Help.qvproj.new"), P("Help.qvproj")); // a checkout replaces it
    EXPECT_TRUE(Settle().projectFileChanged);
    dir.Write("topics/T2.html", "made by an editor"); // the new topic is followed too
    EXPECT_FALSE(Settle().projectFileChanged);
    EXPECT_EQ(Events(), "topic T2\n");
    // A removed file leaves the watch of its folder; the last file of a folder takes it along.
    project->RemoveFile("sub\\deep\\c.txt");
    EXPECT_EQ(watcher->WatchedFolders(), 3u);
}

TEST_F(DiskWatcherTest, TheIndexIsBuiltInSlicesAndStartedOverWhenTheProjectChanges) {
    for (int i = 2; i <= 200; ++i)
        project->AddTopic("T" + std::to_string(i), "n", "t", {}, {},
                          "pages\\T" + std::to_string(i) + ".html");
    fs::create_directory(P("pages"));
    watcher = std::make_unique<qv::DiskWatcher>(project);
    EXPECT_EQ(watcher->WatchedFolders(), 1u); // the project's own: opening waits for no other
    const auto none = std::chrono::nanoseconds(0);
    EXPECT_FALSE(watcher->Index(none)); // topics/ watched for T1 by now
    project->RemoveTopic("T1");
    project->RemoveFile("sub\\b.txt");
    while (!watcher->Index(none)) {
    }
    // The project's folder (gone/ through it), sub/deep and pages: topics/ and sub/ left.
    EXPECT_EQ(watcher->WatchedFolders(), 3u);
    dir.Write("pages/t150.HTML", "made by an editor");
    dir.Write("topics/T1.html", "no longer the project's");
    Settle();
    EXPECT_EQ(Events(), "topic T150\n");
}

} // namespace
} // namespace qvtest
