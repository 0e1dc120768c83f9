// The instance counting of ProjectExplorer controls against a scripted instrumentation: every
// request to a monitor and every change of a count is logged as one line.
#include "diagnostics/InstanceCounting.h"

#include "contracts/Error.h"
#include "diagnostics/Globals.h"
#include "diagnostics/VariableDump.h"
#include "diagnostics/VbfmClient.h"
#include "support/ExplorerHarness.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

struct FakeMonitor {
    bool answersCheck = true;        // answers the 100 ms question
    bool repliesToSends = true;      // false: every message times out
    std::set<std::string> skip = {}; // component names it asks not to count
    std::map<std::string, int16_t> ids = {};
};

struct World {
    Log log;
    std::map<int32_t, FakeMonitor> monitors; // by window handle
    bool channelFails = false;
    bool addFails = false;
    std::string moduleFile = "/opt/qv/libqv.so";
};

class FakeChannel final : public qv::MessageChannel {
public:
    FakeChannel(World& world, int32_t handle) : world_(world), handle_(handle) {}
    std::string TypeName() const override { return "FakeChannel"; }
    int32_t hWnd() const override { return handle_; }
    int32_t ProcessId() const override { return 4711; }
    int32_t Send(int32_t hWnd, int32_t message, const std::string& text, qv::Variant& reply,
                 int32_t timeoutMs) override {
        world_.log.push_back("send " + std::to_string(hWnd) + " " + std::to_string(message) + " " +
                             text + " (" + std::to_string(timeoutMs) + " ms)");
        auto it = world_.monitors.find(hWnd);
        if (it == world_.monitors.end() || !it->second.repliesToSends) return 0;
        FakeMonitor& m = it->second;
        const std::string name = text.substr(0, text.find(','));
        if (message == qv::diag::kMessageRegister) {
            auto [id, added] = m.ids.try_emplace(name, static_cast<int16_t>(m.ids.size() + 1));
            reply = qv::Variant(id->second);
        } else if (message == qv::diag::kMessageModule) {
            const int32_t id = std::stoi(text.substr(text.find(',') + 1));
            bool skipped = false;
            for (const auto& [n, i] : m.ids)
                if (i == id && m.skip.count(n)) skipped = true;
            reply = qv::Variant(skipped);
        }
        return 1;
    }
    bool Answers(int32_t hWnd, int32_t timeoutMs) override {
        world_.log.push_back("answers " + std::to_string(hWnd) + " (" + std::to_string(timeoutMs) +
                             " ms)");
        auto it = world_.monitors.find(hWnd);
        return it != world_.monitors.end() && it->second.answersCheck;
    }
    qv::Subscription Subscribe(qv::MessageChannelEvents& sink) override {
        sinks_.push_back(&sink);
        return qv::Subscription([this, &sink] { std::erase(sinks_, &sink); });
    }
    void Broadcast(int32_t reason) {
        for (auto* sink : std::vector(sinks_))
            sink->OnBroadcast(reason);
    }

private:
    World& world_;
    int32_t handle_;
    std::vector<qv::MessageChannelEvents*> sinks_;
};

// The monitor windows of the world and its counting block.
class FakeDesktop final : public qv::MonitorFinder, public qv::SharedCounter {
public:
    explicit FakeDesktop(World& world) : world_(world) {}
    std::string TypeName() const override { return "FakeDesktop"; }
    int32_t FindNext(int32_t after) override {
        auto it = world_.monitors.upper_bound(after);
        return it == world_.monitors.end() ? 0 : it->first;
    }
    void Open(int32_t size, const std::string& name) override {
        world_.log.push_back("open " + std::to_string(size) + " " + name);
    }
    void Add(int32_t id, int32_t delta) override {
        if (world_.addFails) throw qv::Error(7, "The counting block has no room");
        world_.log.push_back("add " + std::to_string(id) + " " + std::to_string(delta));
    }

private:
    World& world_;
};

class FakeInstrumentation final : public qv::Instrumentation {
public:
    explicit FakeInstrumentation(World& world) : world_(world) {}
    std::shared_ptr<qv::MessageChannel> CreateChannel() override {
        if (world_.channelFails) throw qv::Error(429, "ActiveX component can't create object");
        lastChannel = std::make_shared<FakeChannel>(world_, nextHandle++);
        return lastChannel;
    }
    std::shared_ptr<qv::MonitorFinder> CreateFinder() override {
        return std::make_shared<FakeDesktop>(world_);
    }
    std::shared_ptr<qv::SharedCounter> CreateCounter() override {
        return std::make_shared<FakeDesktop>(world_);
    }
    std::string ModuleFileName() override { return world_.moduleFile; }

    std::shared_ptr<FakeChannel> lastChannel;
    int32_t nextHandle = 42;

private:
    World& world_;
};

class InstanceCountingTest : public ::testing::Test {
protected:
    void SetUp() override { qv::diag::UnloadLibrary(); }
    void TearDown() override {
        while (!controls.empty())
            Destroy();
        qv::diag::UnloadLibrary();
    }

    void Create() {
        qv::Site site{h.controls, h.libraries, h.ui, h.windows, h.keyboard, true, &fake};
        controls.push_back(qv::ProjectExplorer::Create(site));
    }
    void Destroy() {
        controls.back()->UserControl_Terminate();
        controls.pop_back();
    }
    // A monitor's broadcast reaching the channel of the thread's client.
    void Broadcast() {
        auto channel = fake.lastChannel; // the broadcast replaces the client and its channel
        channel->Broadcast(1);
    }
    // Runs steps: create, destroy, broadcast, or "monitor N" (a monitor window appears).
    Log Run(const std::vector<std::string>& steps) {
        for (const auto& step : steps) {
            if (step == "create")
                Create();
            else if (step == "destroy")
                Destroy();
            else if (step == "broadcast")
                Broadcast();
            else if (step.starts_with("monitor "))
                world.monitors[std::stoi(step.substr(8))] = {};
            else
                ADD_FAILURE() << "unknown step " << step;
        }
        return world.log;
    }

    qvtest::ExplorerHarness h; // its own control has no instrumentation
    World world;
    FakeInstrumentation fake{world};
    std::vector<std::shared_ptr<qv::ProjectExplorer>> controls;
};

const std::string kOpen = "open 10000 #vbFaultmarkInstanceCounting#";
const std::string kRegister42 = "send 7 502 ProjectExplorer,4,42 (2000 ms)";
const std::string kModule42 = "send 7 10 /opt/qv/libqv.so,1,42 (2000 ms)";
const std::string kAnswers7 = "answers 7 (100 ms)";

struct Case {
    const char* name;
    std::map<int32_t, FakeMonitor> monitors;
    std::vector<std::string> steps;
    Log expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const Case kCases[] = {
    {"NoMonitorSendsNothingAndMakesNoCounter", {}, {"create", "create", "destroy", "destroy"}, {}},
    {"FirstInstanceRegistersLaterOnesOnlyCount",
     {{7, {}}},
     {"create", "create", "destroy", "destroy"},
     {kOpen, kAnswers7, kRegister42, kModule42, "add 1 1", "add 1 1", "add 1 -1", "add 1 -1"}},
    {"ASkippedComponentIsRegisteredOnceAndNeverCounted",
     {{7, {.skip = {"ProjectExplorer"}}}},
     {"create", "create", "destroy", "destroy"},
     {kOpen, kAnswers7, kRegister42, kModule42}},
    {"TheLastMonitorThatAnswersWins",
     {{3, {}}, {5, {}}, {9, {.answersCheck = false}}},
     {"create"},
     {kOpen, "answers 3 (100 ms)", "answers 5 (100 ms)", "answers 9 (100 ms)",
      "send 5 502 ProjectExplorer,4,42 (2000 ms)", "send 5 10 /opt/qv/libqv.so,1,42 (2000 ms)",
      "add 1 1"}},
    {"AMonitorThatAnswersNothingLeavesTheIdZeroSoTheNextInstanceTriesAgain",
     {{7, {.repliesToSends = false}}},
     {"create", "create"},
     {kOpen, kAnswers7, kRegister42, "send 7 10 /opt/qv/libqv.so,0,42 (2000 ms)", "add 0 1",
      kRegister42, "send 7 10 /opt/qv/libqv.so,0,42 (2000 ms)", "add 0 1"}},
    {"ABroadcastFindsAMonitorThatStartedLater",
     {},
     {"create", "monitor 7", "create", "broadcast", "create"},
     {kOpen, kAnswers7, "send 7 502 ProjectExplorer,4,43 (2000 ms)",
      "send 7 10 /opt/qv/libqv.so,1,43 (2000 ms)", "add 1 1"}},
    {"ABroadcastEmptiesTheRegistrationsSoTheNextInstanceRegistersAgain",
     {{7, {}}},
     {"create", "broadcast", "create"},
     {kOpen, kAnswers7, kRegister42, kModule42, "add 1 1", kOpen, kAnswers7,
      "send 7 502 ProjectExplorer,4,43 (2000 ms)", "send 7 10 /opt/qv/libqv.so,1,43 (2000 ms)",
      "add 1 1"}},
};

class InstanceCountingCases : public InstanceCountingTest,
                              public ::testing::WithParamInterface<Case> {};

TEST_P(InstanceCountingCases, LogMatches) {
    world.monitors = GetParam().monitors;
    EXPECT_EQ(Run(GetParam().steps), GetParam().expected);
    EXPECT_TRUE(h.reports.empty());
}

INSTANTIATE_TEST_SUITE_P(Steps, InstanceCountingCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The globals keep the platform's path buffer, less its NUL, of the module's path.
TEST_F(InstanceCountingTest, ALongModulePathIsCutToTheBuffer) {
    world.moduleFile = "/" + std::string(300, 'x');
    Create();
    EXPECT_EQ(qv::diag::ThreadGlobals().vbfmModuleFilename, world.moduleFile.substr(0, 259));
}

TEST_F(InstanceCountingTest, TheGlobalsNameTheClientTheMonitorAndTheRegistration) {
    // The harness's own control, made without an instrumentation, did not start the library;
    // the first control with one does.
    const auto& g = qv::diag::ThreadGlobals();
    EXPECT_FALSE(g.vbfmHasInitialised || g.vbfmDebugClient);
    world.monitors[7] = {};
    Create();
    qv::diag::ThreadGlobals().InstanceCount = 3;
    EXPECT_EQ(qv::diag::DumpGlobalVariables(),
              "<InstanceCount>3</InstanceCount>\r\n"
              "<vbfmProjectId>42</vbfmProjectId>\r\n"
              "<vbfmProcessId>4711</vbfmProcessId>\r\n"
              "<vbfmModuleFilename>/opt/qv/libqv.so</vbfmModuleFilename>\r\n"
              "<vbfmDebugClient>{Cannot dump external UDTs}</vbfmDebugClient>"
              "<vbfmDebuggerListening>True</vbfmDebuggerListening>\r\n"
              "<vbfmEnableInstanceCounts>True</vbfmEnableInstanceCounts>\r\n"
              "<vbfmInstanceCountsServerHandle>7</vbfmInstanceCountsServerHandle>\r\n"
              "<vbfmInstanceCountComponentNames>\r\n"
              "<vbfmInstanceCountComponentNames Index=\"0\">0</vbfmInstanceCountComponentNames>\r\n"
              "<vbfmInstanceCountComponentNames Index=\"1\">1</vbfmInstanceCountComponentNames>\r\n"
              "<vbfmInstanceCountComponentNames Index=\"2\">0</vbfmInstanceCountComponentNames>\r\n"
              "</vbfmInstanceCountComponentNames>\r\n<vbfmSkipInstanceCount>\r\n"
              "<vbfmSkipInstanceCount Index=\"0\">False</vbfmSkipInstanceCount>\r\n"
              "<vbfmSkipInstanceCount Index=\"1\">False</vbfmSkipInstanceCount>\r\n"
              "<vbfmSkipInstanceCount Index=\"2\">False</vbfmSkipInstanceCount>\r\n"
              "</vbfmSkipInstanceCount>\r\n"
              "<vbfmInstanceCountsMemory>{Cannot dump external UDTs}</vbfmInstanceCountsMemory>"
              "<vbfmComponentID></vbfmComponentID>\r\n"
              "<vbfmHasInitialised>True</vbfmHasInitialised>\r\n"
              "<vbfmVariableDump></vbfmVariableDump>\r\n<vbfmErrorNumber>0</vbfmErrorNumber>\r\n"
              "<vbfmErrorDescription></vbfmErrorDescription>\r\n"
              "<vbfmErrorLine>0</vbfmErrorLine>\r\n<vbfmErrorSource></vbfmErrorSource>\r\n");
    ASSERT_TRUE(g.vbfmDebugClient);
    EXPECT_EQ(g.vbfmDebugClient->DumpModuleVariables(), qv::diag::ExternalUdtText("pIPC"));
}

TEST_F(InstanceCountingTest, AChannelThatCannotBeMadeIsReportedAndTheControlStillStarts) {
    h.libraries.Options().errorComponent = true;
    world.channelFails = true;
    world.monitors[7] = {};
    ASSERT_NO_THROW(Create());
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].module, "modvbFaultmarkSupport");
    EXPECT_EQ(h.reports[0].procedure, "InitInstanceCounting");
    EXPECT_EQ(h.reports[0].number, qv::err::ObjectNotSet);
    EXPECT_NE(h.reports[0].text.find("<hWnd>0</hWnd>"), std::string::npos);
    EXPECT_TRUE(world.log.empty());
    EXPECT_FALSE(qv::diag::ThreadGlobals().vbfmEnableInstanceCounts);
}

TEST_F(InstanceCountingTest, AFailedRegistrationIsReportedByTheControlARelaseFailureIsNot) {
    world.monitors[7] = {};
    Create();
    h.libraries.Options().errorComponent = true;
    world.addFails = true;
    EXPECT_THROW(Create(), qv::Error);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].procedure, "UserControl_Initialize");
    EXPECT_EQ(h.reports[0].line, 1);
    EXPECT_EQ(h.reports[0].number, 7);
    Destroy();
    EXPECT_EQ(h.reports.size(), 1u);
}

} // namespace
