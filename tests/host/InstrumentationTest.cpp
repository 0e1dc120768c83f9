// The instrumentation on real sockets and shared memory, in a runtime folder and under a
// shared-memory name of the test's own.
#include "contracts/Error.h"
#include "diagnostics/Globals.h"
#include "diagnostics/InstanceCounting.h"
#include "host/InstanceMonitor.h"
#include "host/MonitorSockets.h"
#include "host/PosixInstrumentation.h"
#include "host/SharedMemoryCounter.h"
#include "host/SocketChannel.h"
#include "host/SocketMonitorFinder.h"
#include "support/ExplorerHarness.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using qv::Variant;

const char* const kBlock = "#vbFaultmarkInstanceCounting#";

std::string UniqueShmName() {
    static int n = 0;
    return "/qvtest-icount-" + std::to_string(getpid()) + "-" + std::to_string(++n);
}

// A socket bound at the path: listening (a monitor that never accepts) or, once closed, the
// file a dead process leaves behind.
class RawSocket {
public:
    RawSocket(const std::string& path, int type, bool listening) {
        fd_ = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        sockaddr_un address;
        EXPECT_TRUE(qv::ipc::SetAddress(path, address));
        EXPECT_EQ(bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        if (listening) {
            EXPECT_EQ(listen(fd_, 8), 0);
        }
    }
    ~RawSocket() { Close(); }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

struct BroadcastLog : qv::MessageChannelEvents {
    void OnBroadcast(int32_t reason) override { reasons.push_back(reason); }
    std::vector<int32_t> reasons;
};

class InstrumentationTest : public ::testing::Test {
protected:
    void SetUp() override { qv::diag::UnloadLibrary(); }
    void TearDown() override {
        qv::diag::UnloadLibrary();
        qv::SharedMemoryCounter::Unlink(shm);
    }
    std::string MonitorPath(int32_t handle) const { return qv::ipc::MonitorPath(folder, handle); }
    qv::MonitorOptions Monitor(std::set<std::string> skip = {}) const {
        return {"", shm, std::move(skip)};
    }

    qvtest::TempDir dir;
    qvtest::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.Path().c_str()};
    const std::string folder = dir.Path() + "/vbfaultmark/";
    const std::string shm = UniqueShmName();
    qv::PosixInstrumentation instrumentation{{"", shm}};
};

TEST_F(InstrumentationTest, ChannelsLiveInAPrivateFolderOfTheRuntimeDirectory) {
    EXPECT_EQ(qv::ipc::DefaultSocketFolder(), folder);
    EXPECT_EQ(instrumentation.SocketFolder(), folder);
    auto a = std::static_pointer_cast<qv::SocketChannel>(instrumentation.CreateChannel());
    auto b = std::static_pointer_cast<qv::SocketChannel>(instrumentation.CreateChannel());
    EXPECT_GT(a->hWnd(), 0);
    EXPECT_GT(b->hWnd(), 0);
    EXPECT_NE(a->hWnd(), b->hWnd());
    EXPECT_EQ(a->ProcessId(), getpid());
    EXPECT_EQ(a->Path(), qv::ipc::ClientPath(folder, a->hWnd()));
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const std::string path = a->Path();
    EXPECT_TRUE(fs::exists(path));
    a.reset();
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(InstrumentationTest, AChannelWithoutAUsableFolderStillHasAHandleAndFindsNoMonitor) {
    // A file where the socket folder should be: nothing can be made below it.
    const std::string blocked = dir.Write("blocked", "") + "/vbfaultmark/";
    qv::SocketChannel channel(blocked);
    EXPECT_GT(channel.hWnd(), 0);
    EXPECT_EQ(channel.FileDescriptor(), -1);
    EXPECT_EQ(channel.Poll(), 0);
    qv::Variant reply(int16_t{5});
    EXPECT_EQ(channel.Send(channel.hWnd(), 502, "x", reply, 100), 0);
    EXPECT_EQ(reply.ToLong(), 5);
    EXPECT_EQ(qv::SocketMonitorFinder(blocked).FindNext(0), 0);
}

TEST_F(InstrumentationTest, AMonitorAnswersRegistrationsSkipQuestionsAndTheAnswerCheck) {
    std::atomic<bool> stop{false};
    qv::InstanceMonitor monitor(Monitor({"frmBitmapContainer"}));
    std::thread serving([&] {
        while (!stop)
            monitor.Serve(20);
    });
    auto channel = instrumentation.CreateChannel();
    struct Request {
        int32_t message;
        std::string text;
        Variant expected;
    };
    const Request requests[] = {
        {502, "ProjectExplorer,4,11", Variant(int16_t{1})},
        {502, "frmBitmapContainer,3,11", Variant(int16_t{2})},
        {502, "ProjectExplorer,4,99", Variant(int16_t{1})}, // stable per name
        {10, "/opt/qv/lib.so,1,11", Variant(false)},
        {10, "/opt/qv/lib.so,2,11", Variant(true)},
        {10, "/opt/qv/lib.so,77,11", Variant(false)}, // an ID it never gave
        {12345, "anything", Variant()},
    };
    for (const auto& r : requests) {
        Variant reply("unset");
        EXPECT_EQ(channel->Send(monitor.Handle(), r.message, r.text, reply, 2000), 1) << r.text;
        EXPECT_EQ(reply, r.expected) << r.message << " " << r.text;
    }
    EXPECT_TRUE(channel->Answers(monitor.Handle(), 2000));
    stop = true;
    serving.join();
}

TEST_F(InstrumentationTest, AMonitorThatNeverAnswersCostsAboutTheTimeOut) {
    qv::ipc::EnsureSocketFolder(folder);
    const int32_t handle = 4242;
    RawSocket silent(MonitorPath(handle), SOCK_SEQPACKET, true); // never accepts
    auto channel = instrumentation.CreateChannel();
    Variant reply("unchanged");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(channel->Send(handle, 502, "ProjectExplorer,4,1", reply, 200), 0);
    EXPECT_FALSE(channel->Answers(handle, 100));
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_LT(spent, std::chrono::milliseconds(5 * 300)); // loose: only "does not hang"
    EXPECT_EQ(reply, Variant("unchanged"));
}

TEST_F(InstrumentationTest, ADeadMonitorsSocketIsSkippedAndRemoved) {
    qv::ipc::EnsureSocketFolder(folder);
    const int32_t handle = 99;
    {
        RawSocket dead(MonitorPath(handle), SOCK_SEQPACKET, true);
    } // closed without removing its file, as a killed process leaves it
    ASSERT_TRUE(fs::exists(MonitorPath(handle)));
    auto channel = instrumentation.CreateChannel();
    Variant reply(int16_t{0});
    EXPECT_EQ(channel->Send(handle, 502, "ProjectExplorer,4,1", reply, 2000), 0);
    EXPECT_FALSE(channel->Answers(handle, 2000));
    EXPECT_EQ(instrumentation.CreateFinder()->FindNext(0), 0);
    EXPECT_FALSE(fs::exists(MonitorPath(handle)));
}

TEST_F(InstrumentationTest, TheFinderWalksLiveMonitorsInAscendingOrder) {
    qv::ipc::EnsureSocketFolder(folder);
    RawSocket m300(MonitorPath(300), SOCK_SEQPACKET, true);
    RawSocket m20(MonitorPath(20), SOCK_SEQPACKET, true);
    RawSocket m7000(MonitorPath(7000), SOCK_SEQPACKET, true);
    RawSocket dead(MonitorPath(100), SOCK_SEQPACKET, true);
    dead.Close();
    for (const char* junk : {"monitor-abc.sock", "monitor-012.sock", "monitor-5.txt"})
        std::ofstream(folder + junk) << "";
    RawSocket client(qv::ipc::ClientPath(folder, 50), SOCK_DGRAM, false);

    auto finder = instrumentation.CreateFinder();
    std::vector<int32_t> walk;
    for (int32_t h = finder->FindNext(0); h != 0; h = finder->FindNext(h))
        walk.push_back(h);
    EXPECT_EQ(walk, (std::vector<int32_t>{20, 300, 7000}));
    EXPECT_EQ(finder->FindNext(150), 300);
}

TEST_F(InstrumentationTest, BroadcastsReachLiveChannelsWhenPumped) {
    qv::ipc::EnsureSocketFolder(folder);
    RawSocket gone(qv::ipc::ClientPath(folder, 77), SOCK_DGRAM, false);
    gone.Close();
    auto channel = instrumentation.CreateChannel();
    BroadcastLog log;
    auto subscription = channel->Subscribe(log);
    qv::InstanceMonitor monitor(Monitor());
    EXPECT_EQ(monitor.Broadcast(qv::ipc::kReasonMonitorStarted), 1);
    EXPECT_FALSE(fs::exists(qv::ipc::ClientPath(folder, 77)));
    EXPECT_TRUE(log.reasons.empty()); // nothing arrives until the host pumps
    EXPECT_EQ(instrumentation.Poll(), 1);
    EXPECT_EQ(log.reasons, (std::vector<int32_t>{qv::ipc::kReasonMonitorStarted}));
    subscription.Reset();
    monitor.Broadcast(2);
    EXPECT_EQ(instrumentation.Poll(), 1);
    EXPECT_EQ(log.reasons.size(), 1u);
}

TEST_F(InstrumentationTest, AMonitorSurvivesClientsThatHangUp) {
    qv::InstanceMonitor monitor(Monitor());
    for (bool sendFirst : {false, true}) {
        const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address;
        ASSERT_TRUE(qv::ipc::SetAddress(monitor.SocketPath(), address));
        ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const std::string request = qv::ipc::EncodeRequest(502, "ProjectExplorer,4,1");
        if (sendFirst) {
            ASSERT_GT(send(fd, request.data(), request.size(), MSG_NOSIGNAL), 0);
        }
        close(fd);
        EXPECT_EQ(monitor.Serve(1000), 1); // its answer goes nowhere; the monitor carries on
    }
    auto channel = instrumentation.CreateChannel();
    std::thread serving([&] { monitor.Serve(2000); });
    EXPECT_TRUE(channel->Answers(monitor.Handle(), 2000));
    serving.join();
}

TEST_F(InstrumentationTest, CountsAreSharedByEveryCounterOfTheBlock) {
    qv::SharedMemoryCounter a(shm), b(shm);
    a.Open(10000, kBlock);
    b.Open(10000, "ignored: the constructor's name wins");
    EXPECT_EQ(a.Name(), shm);
    struct Step {
        qv::SharedMemoryCounter* counter;
        int32_t id;
        int32_t delta;
    };
    // A release without its registration (ID 0, and 625 going from 3 past zero) stops at 0.
    for (const Step& s : {Step{&a, 1, 1}, Step{&b, 1, 1}, Step{&a, 0, -1}, Step{&b, 625, 3},
                          Step{&a, -5, 2}, Step{&b, 1, -1}, Step{&a, 7, 2}, Step{&b, 7, -5},
                          Step{&a, 7, 1}, Step{&a, 8, INT32_MAX}, Step{&b, 8, 1}})
        s.counter->Add(s.id, s.delta);
    using Counts = std::vector<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(a.Snapshot(), (Counts{{-5, 2}, {0, 0}, {1, 1}, {7, 1}, {8, INT32_MAX}, {625, 3}}));
    EXPECT_EQ(b.Count(625), 3);
    EXPECT_EQ(b.Count(2), 0);
}

TEST_F(InstrumentationTest, TheCounterRefusesWhatItCannotHold) {
    auto number = [](auto&& call) {
        try {
            call();
        } catch (const qv::Error& e) {
            return e.Number();
        }
        return 0;
    };
    qv::SharedMemoryCounter counter(shm);
    EXPECT_EQ(number([&] { counter.Add(1, 1); }), qv::err::ObjectNotSet);
    EXPECT_EQ(number([&] { counter.Open(31, kBlock); }), qv::err::InvalidArgument);
    EXPECT_EQ(number([&] { counter.Open(48, kBlock); }), 0); // header and two entries
    EXPECT_EQ(number([&] { counter.Add(1, 1); }), 0);
    EXPECT_EQ(number([&] { counter.Add(2, 1); }), 0);
    EXPECT_EQ(number([&] { counter.Add(3, 1); }), 7);
    EXPECT_EQ(number([&] { counter.Add(1, 1); }), 0);
    qv::SharedMemoryCounter::Unlink(shm);

    const int fd = shm_open(shm.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 100), 0);
    ASSERT_EQ(write(fd, "something else", 14), 14);
    close(fd);
    qv::SharedMemoryCounter other(shm);
    EXPECT_EQ(number([&] { other.Open(100, kBlock); }), qv::err::TypeMismatch);
}

// ---- Several processes ----

// A forked child that obeys one-byte commands and answers each with a number.
class Child {
public:
    template <class F> explicit Child(F&& body) {
        int down[2], up[2];
        EXPECT_EQ(pipe(down), 0);
        EXPECT_EQ(pipe(up), 0);
        pid_ = fork();
        if (pid_ == 0) {
            close(down[1]);
            close(up[0]);
            auto reply = [&](int32_t value) { (void)!write(up[1], &value, sizeof value); };
            auto next = [&] {
                char command = 'q';
                return read(down[0], &command, 1) == 1 ? command : 'q';
            };
            _exit(body(next, reply));
        }
        close(down[0]);
        close(up[1]);
        to_ = down[1];
        from_ = up[0];
    }
    ~Child() {
        close(to_);
        close(from_);
        if (pid_ > 0) Wait();
    }
    // The child's answer to the command; INT32_MIN when it does not answer within 10 s.
    int32_t Ask(char command) {
        EXPECT_EQ(write(to_, &command, 1), 1);
        return Read();
    }
    int32_t Read() {
        pollfd pfd{from_, POLLIN, 0};
        int32_t value = INT32_MIN;
        if (poll(&pfd, 1, 10000) == 1 && read(from_, &value, sizeof value) != sizeof value)
            value = INT32_MIN;
        return value;
    }
    void Kill() { kill(pid_, SIGKILL); }
    // The exit status, or -1 when the child did not exit normally.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
};

// A host process with controls: c creates one, d destroys the newest, p pumps broadcasts,
// i starts the counting again (answers whether a monitor was found), q quits.
int ControlHost(const std::string& shm, const std::function<char()>& next,
                const std::function<void(int32_t)>& reply) {
    qv::diag::UnloadLibrary();
    qv::PosixInstrumentation instrumentation({"", shm});
    {
        qvtest::ExplorerHarness h; // its own control is not counted
        std::vector<std::shared_ptr<qv::ProjectExplorer>> controls;
        for (char c = next(); c != 'q'; c = next()) {
            if (c == 'c') {
                qv::Site site{h.controls, h.libraries,     h.ui, h.windows, h.keyboard,
                              true,       &instrumentation};
                controls.push_back(qv::ProjectExplorer::Create(site));
                reply(static_cast<int32_t>(controls.size()));
            } else if (c == 'd') {
                controls.back()->UserControl_Terminate();
                controls.pop_back();
                reply(static_cast<int32_t>(controls.size()));
            } else if (c == 'p') {
                reply(instrumentation.Poll());
            } else if (c == 'i') {
                qv::diag::InitInstanceCounting();
                reply(qv::diag::ThreadGlobals().vbfmDebuggerListening ? 1 : 0);
            }
        }
        qv::diag::UnloadLibrary();
    }
    return 0;
}

TEST_F(InstrumentationTest, TwoProcessesCountTheirControlsAndOutliveTheMonitor) {
    auto host = [&](auto next, auto reply) { return ControlHost(shm, next, reply); };
    Child a(host), b(host);
    auto count = [&] {
        qv::SharedMemoryCounter reader(shm);
        reader.Open(10000, kBlock);
        return reader.Count(1); // the monitor's first ID: ProjectExplorer
    };

    EXPECT_EQ(a.Ask('c'), 1); // no monitor yet: nothing is registered, no block is made
    const int probe = shm_open(shm.c_str(), O_RDONLY, 0);
    EXPECT_LT(probe, 0);
    if (probe >= 0) close(probe);

    Child monitor([&](auto next, auto reply) {
        qv::InstanceMonitor m(Monitor());
        reply(m.Broadcast(qv::ipc::kReasonMonitorStarted));
        for (;;)
            m.Serve(100);
        return 0;
    });
    EXPECT_EQ(monitor.Read(), 1); // a's channel
    EXPECT_EQ(a.Ask('p'), 1);     // a finds the monitor through the broadcast
    EXPECT_EQ(a.Ask('c'), 2);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(b.Ask('c'), 1);
    EXPECT_EQ(b.Ask('c'), 2);
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(a.Ask('d'), 1);
    EXPECT_EQ(count(), 2);

    monitor.Kill();
    monitor.Wait();
    EXPECT_EQ(b.Ask('d'), 1); // counting goes on without the monitor
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(a.Ask('c'), 2);
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(a.Ask('p'), 0);
    EXPECT_EQ(b.Ask('i'), 0); // the dead monitor is not found again
    EXPECT_TRUE(qv::ipc::ListHandles(folder, "monitor-").empty());

    EXPECT_EQ(a.Ask('q'), INT32_MIN);
    EXPECT_EQ(b.Ask('q'), INT32_MIN);
    EXPECT_EQ(a.Wait(), 0);
    EXPECT_EQ(b.Wait(), 0);
    EXPECT_TRUE(qv::ipc::ListHandles(folder, "client-").empty());
}

} // namespace
