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
#include "support/ErrorOf.h"
#include "support/ExplorerHarness.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
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

const uid_t kNobody = 65534;

// Acting as another user takes root; the checks that need one run where the suite runs as root
// (CI does).
bool CanBeAnotherUser() {
    return geteuid() == 0;
}

// What the body answers when run in a child process as another user (nobody); INT32_MIN when
// the child cannot become that user or dies.
int32_t AsAnotherUser(const std::function<int32_t()>& body) {
    Child other([&](auto, auto reply) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) return 1;
        reply(body());
        return 0;
    });
    const int32_t answer = other.Read();
    EXPECT_EQ(other.Wait(), 0);
    return answer;
}

// Where the system keeps the block of that POSIX name.
std::string ShmFile(const std::string& posixName) {
    return "/dev/shm" + posixName;
}

// Makes a block as a careless or hostile process would; 0 or the errno of the failure.
int32_t MakeBlock(const std::string& posixName, mode_t mode, off_t size,
                  const std::string& head = {}) {
    const int fd = shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
    if (fd < 0) return errno;
    const bool ok = fchmod(fd, mode) == 0 && ftruncate(fd, size) == 0 &&
                    write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size());
    const int32_t error = ok ? 0 : errno;
    close(fd);
    return error;
}

// The inode, size, mode and owner of the file itself (not of what a link points to).
std::string Identity(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return "none";
    return std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " +
           std::to_string(st.st_mode) + " " + std::to_string(st.st_uid);
}

// The pid of a process that has ended and been reaped.
pid_t GonePid() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

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

TEST_F(InstrumentationTest, ChannelsLiveInAPrivateFolderOfTheRuntimeDirectoryOrHaveNone) {
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

    // Without a usable folder (a file in its place) a channel still has a handle, finds no
    // monitor and sends nothing.
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
    qv::InstanceMonitor monitor(Monitor({"frmBitmapContainer"}));
    // Clients that hang up before or after asking: the answer goes nowhere, the monitor
    // carries on.
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
        EXPECT_EQ(monitor.Serve(1000), 1);
    }
    std::atomic<bool> stop{false};
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

// Live monitors are walked in ascending order. One that never answers costs only the time-out;
// the socket a dead one left (closed without removing its file, as a killed process leaves it)
// is skipped and removed.
TEST_F(InstrumentationTest, TheFinderWalksLiveMonitorsAndRemovesDeadOnes) {
    qv::ipc::EnsureSocketFolder(folder);
    RawSocket m300(MonitorPath(300), SOCK_SEQPACKET, true); // listening, never accepting
    RawSocket m20(MonitorPath(20), SOCK_SEQPACKET, true);
    RawSocket m7000(MonitorPath(7000), SOCK_SEQPACKET, true);
    RawSocket dead99(MonitorPath(99), SOCK_SEQPACKET, true),
        dead(MonitorPath(100), SOCK_SEQPACKET, true);
    dead99.Close();
    dead.Close();
    for (const char* junk : {"monitor-abc.sock", "monitor-012.sock", "monitor-5.txt"})
        std::ofstream(folder + junk) << "";
    RawSocket client(qv::ipc::ClientPath(folder, 50), SOCK_DGRAM, false);

    auto channel = instrumentation.CreateChannel();
    for (int32_t handle : {20, 99}) {
        Variant reply("unchanged");
        EXPECT_EQ(channel->Send(handle, 502, "ProjectExplorer,4,1", reply, 200), 0) << handle;
        EXPECT_FALSE(channel->Answers(handle, 100)) << handle;
        EXPECT_EQ(reply, Variant("unchanged")) << handle;
    }
    auto finder = instrumentation.CreateFinder();
    std::vector<int32_t> walk;
    for (int32_t h = finder->FindNext(0); h != 0; h = finder->FindNext(h))
        walk.push_back(h);
    EXPECT_EQ(walk, (std::vector<int32_t>{20, 300, 7000}));
    EXPECT_EQ(finder->FindNext(150), 300);
    EXPECT_FALSE(fs::exists(MonitorPath(99)));
    EXPECT_FALSE(fs::exists(MonitorPath(100)));
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

TEST_F(InstrumentationTest, TheCounterRefusesWhatItCannotHold) {
    qv::SharedMemoryCounter counter(shm);
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Add(1, 1); }), qv::err::ObjectNotSet);
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Open(31, kBlock); }), qv::err::InvalidArgument);
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Open(48, kBlock); }), 0); // header and two entries
    EXPECT_EQ(counter.Name(), shm + "." + std::to_string(geteuid())); // the user's own block
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Add(1, 1); }), 0);
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Add(2, 1); }), 0);
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Add(3, 1); }), 7);
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Add(1, 1); }), 0);
    qv::SharedMemoryCounter::Unlink(shm);

    // Blocks under the user's name that another user could reach, or that are not a whole
    // counting block, are refused and left as they are; nothing is mapped, nothing dies.
    const std::string name = qv::SharedMemoryCounter::PosixName(shm);
    const std::string good = qv::SharedMemoryCounter::PosixName(shm + "-good");
    ASSERT_EQ(MakeBlock(good, 0600, 10000), 0);
    const int32_t kDenied = 70;
    struct Hostile {
        const char* what;
        std::function<int32_t()> make;
        int32_t number;
    };
    const Hostile blocks[] = {
        {"made by another user, open to all",
         CanBeAnotherUser() ? std::function<int32_t()>([&] {
             return AsAnotherUser([&] { return MakeBlock(name, 0666, 10000); });
         })
                            : nullptr,
         kDenied},
        {"writable by group and others", [&] { return MakeBlock(name, 0666, 10000); }, kDenied},
        {"readable by the group", [&] { return MakeBlock(name, 0640, 10000); }, kDenied},
        {"never given its size", [&] { return MakeBlock(name, 0600, 0); }, kDenied},
        {"cut short", [&] { return MakeBlock(name, 0600, 100); }, qv::err::TypeMismatch},
        {"holding something else", [&] { return MakeBlock(name, 0600, 10000, "something else"); },
         qv::err::TypeMismatch},
        {"a pipe", [&] { return mkfifo(ShmFile(name).c_str(), 0600) == 0 ? 0 : errno; }, kDenied},
        {"a link to a block",
         [&] { return symlink(ShmFile(good).c_str(), ShmFile(name).c_str()) == 0 ? 0 : errno; },
         kDenied},
    };
    for (const Hostile& block : blocks) {
        if (!block.make) continue;
        ASSERT_EQ(block.make(), 0) << block.what;
        const std::string before = Identity(ShmFile(name));
        qv::SharedMemoryCounter victim(shm);
        EXPECT_EQ(qvtest::ErrorOf([&] { victim.Open(10000, kBlock); }), block.number) << block.what;
        EXPECT_FALSE(victim.IsOpen()) << block.what;
        EXPECT_EQ(qvtest::ErrorOf([&] { victim.Add(1, 1); }), qv::err::ObjectNotSet) << block.what;
        EXPECT_EQ(Identity(ShmFile(name)), before) << block.what;
        ASSERT_EQ(unlink(ShmFile(name).c_str()), 0);
    }
    shm_unlink(good.c_str());

    // A block whose maker sizes it a moment after making it is waited for.
    ASSERT_EQ(MakeBlock(name, 0600, 0), 0);
    std::thread maker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(truncate(ShmFile(name).c_str(), 10000), 0);
    });
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Open(10000, kBlock); }), 0);
    maker.join();
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Add(1, 1); }), 0);
    EXPECT_EQ(counter.Count(1), 1);
}

TEST_F(InstrumentationTest, EntriesOfProcessesThatAreGoneAreGivenBack) {
    qv::SharedMemoryCounter counter(shm);
    counter.Open(64, kBlock); // room for three entries
    // The block as another process of the user may have left it: a 16-byte header, then
    // entries {uint64 key = pid << 32 | ID as uint32; int32 count; uint32 process token}.
    const int fd = shm_open(counter.Name().c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    void* block = mmap(nullptr, 64, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    ASSERT_NE(block, MAP_FAILED);
    auto put = [&](int index, uint64_t key, int32_t count, uint32_t token) {
        auto* entry = static_cast<unsigned char*>(block) + 16 + 16 * index;
        std::memcpy(entry + 8, &count, sizeof count);
        std::memcpy(entry + 12, &token, sizeof token);
        std::memcpy(entry, &key, sizeof key);
    };
    auto key = [](pid_t pid, int32_t id) {
        return static_cast<uint64_t>(static_cast<uint32_t>(pid)) << 32 | static_cast<uint32_t>(id);
    };
    const pid_t gone = GonePid();
    put(0, key(gone, 1), 3, 77);
    put(1, uint64_t{1} << 63 | key(gone, 0), 0, 0); // a sweep that died while giving one back
    put(2, key(getpid(), 2), 5, 0x5eed);            // left by an earlier process of this pid

    using Counts = std::vector<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(counter.Snapshot(), (Counts{{1, 3}, {2, 5}}));
    counter.Add(3, 1); // this process's first count drops what its pid's earlier process left
    EXPECT_EQ(counter.Snapshot(), (Counts{{1, 3}, {3, 1}}));
    EXPECT_EQ(counter.Count(2), 0);
    counter.Add(4, 1); // the block is full: the entries of processes that are gone come back
    counter.Add(5, 1);
    EXPECT_EQ(counter.Snapshot(), (Counts{{3, 1}, {4, 1}, {5, 1}}));
    EXPECT_EQ(qvtest::ErrorOf([&] { counter.Add(6, 1); }), 7);
    munmap(block, 64);
}

// ---- Several processes ----

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
    const int probe = shm_open(qv::SharedMemoryCounter::PosixName(shm).c_str(), O_RDONLY, 0);
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

TEST_F(InstrumentationTest, CountsOfProcessesThatEndedWithoutReleasingAreWithdrawnByAMonitor) {
    // A process that counts n instances of ID 1 and ends, when told to or killed, without
    // giving them back.
    auto counting = [&](int32_t n) {
        return [this, n](auto next, auto reply) {
            qv::SharedMemoryCounter counter(shm);
            counter.Open(10000, kBlock);
            counter.Add(1, n);
            reply(counter.Count(1));
            next();
            return 0;
        };
    };
    qv::SharedMemoryCounter own(shm);
    own.Open(10000, kBlock);
    own.Add(1, 1);
    {
        Child ended(counting(2));
        EXPECT_EQ(ended.Read(), 3);
    }
    Child killed(counting(4));
    EXPECT_EQ(killed.Read(), 7);
    killed.Kill();
    killed.Wait();
    EXPECT_EQ(own.Count(1), 7); // nothing looks at the block until a monitor does

    qv::InstanceMonitor monitor(Monitor());
    EXPECT_EQ(own.Count(1), 1);
    Child living(counting(3)); // one after the other: the sums they answer depend on the order
    EXPECT_EQ(living.Read(), 4);
    Child dying(counting(5));
    EXPECT_EQ(dying.Read(), 9);
    dying.Kill();
    dying.Wait();
    monitor.Broadcast(qv::ipc::kReasonMonitorStarted);
    EXPECT_EQ(own.Count(1), 4);
    EXPECT_EQ(monitor.Counts(), (std::vector<qv::InstanceMonitor::Count>{{1, "?", 4}}));
    // A process takes back only what it counted itself.
    own.Add(1, -1);
    own.Add(1, -1);
    EXPECT_EQ(own.Count(1), 3);
}

} // namespace
