#include "core/platform/single_instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"
#include "support/waiting.h"

extern char** environ;

namespace kp {
namespace {

using namespace std::chrono_literals;
using Kind = TInstanceRequest::TKind;

constexpr std::chrono::milliseconds kLongWait = kp::test::kPatience;

// Collects what the listener thread hands over.
struct TRecorder {
  std::mutex mutex;
  std::vector<TInstanceRequest> requests;
  TSingleInstance::RequestHandler Handler() {
    return [this](TInstanceRequest request) {
      const std::lock_guard lock(mutex);
      requests.push_back(std::move(request));
    };
  }
  std::vector<TInstanceRequest> Seen() {
    const std::lock_guard lock(mutex);
    return requests;
  }
};

// Binds or connects a new socket to the path; the socket, or -1.
int SocketAt(const std::string& path, bool bind) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof(address.sun_path) - 1);
  const auto* raw = reinterpret_cast<const sockaddr*>(&address);
  if ((bind ? ::bind(fd, raw, sizeof(address)) : ::connect(fd, raw, sizeof(address))) == 0) return fd;
  ADD_FAILURE() << path << ": " << std::strerror(errno);
  ::close(fd);
  return -1;
}

// A raw client that says whatever the test wants; returns the answer line, or
// empty text when the listener closed without one.
std::string SendRaw(const std::string& socketPath, const std::string& bytes) {
  const int fd = SocketAt(socketPath, false);
  const timeval timeout{static_cast<time_t>(kLongWait.count() / 1000), 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  std::string answer;
  if (fd >= 0) {
    // The listener may stop reading an oversized request part way, so a short send is fine.
    if (!bytes.empty()) ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    char buffer[64];
    for (ssize_t got; (got = ::recv(fd, buffer, sizeof(buffer), 0)) > 0;) {
      answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
  }
  return answer;
}

// Holds the lock the way a running instance does, without listening.
int HoldLock(const std::string& lockPath) {
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  return fd;
}

TEST(SingleInstanceProtocol, RequestLinesRoundTripAndAnythingElseIsRejected) {
  EXPECT_EQ(EncodeInstanceRequest(TInstanceRequest::Show()), "SHOW\n");
  const std::string link = "KPL://Chat|a:b|c d \xC3\xA9";
  EXPECT_EQ(EncodeInstanceRequest(TInstanceRequest::Link(link)), "LINK " + link + "\n");
  EXPECT_EQ(ParseInstanceRequest("LINK " + link), TInstanceRequest::Link(link));
  EXPECT_EQ(ParseInstanceRequest("SHOW"), TInstanceRequest::Show());

  for (const std::string& bad : std::vector<std::string>{"", "show", "SHOW ", "SHOW\r", "LINK", "LINK ", "LINK a\tb",
                                                         "LINKx", std::string("LINK a\0b", 8), "HELLO"}) {
    EXPECT_FALSE(ParseInstanceRequest(bad)) << bad;
  }
  for (const std::string& bad : std::vector<std::string>{"", "a\nb", "a\rb", std::string("a\0b", 3)}) {
    EXPECT_FALSE(EncodeInstanceRequest(TInstanceRequest::Link(bad)));
  }
  // The bound counts the whole line with its "\n".
  const std::string longest(kMaxHandOverLineSize - 6, 'x');
  EXPECT_EQ(EncodeInstanceRequest(TInstanceRequest::Link(longest))->size(), kMaxHandOverLineSize);
  EXPECT_TRUE(ParseInstanceRequest("LINK " + longest));
  EXPECT_FALSE(EncodeInstanceRequest(TInstanceRequest::Link(longest + "x")));
  EXPECT_FALSE(ParseInstanceRequest("LINK " + longest + "x"));

  EXPECT_EQ(RuntimeFolderFrom("/run/user/1000", 1000), "/run/user/1000");
  EXPECT_EQ(RuntimeFolderFrom("relative", 42), "/tmp/keplinor-42");
  EXPECT_EQ(RuntimeFolderFrom(nullptr, 42), "/tmp/keplinor-42");
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  test::TempFolder folder;
  const std::string runtime = folder.Path() + "run";
  TRecorder recorder;
};

TEST_F(SingleInstanceTest, SecondStartHandsOverToTheFirstThroughTheHandler) {
  TSingleInstance primary(runtime);
  ASSERT_EQ(primary.Start(recorder.Handler()).role, TInstanceRole::Primary);
  struct stat info {};
  ASSERT_EQ(::lstat(runtime.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777u, 0700u);
  ASSERT_EQ(::lstat(primary.SocketPath().c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777u, 0600u);

  TSingleInstance second(runtime);
  ASSERT_EQ(second.Start(nullptr).role, TInstanceRole::Secondary);
  EXPECT_EQ(second.HandOver(TInstanceRequest::Show(), kLongWait).status, THandOverStatus::Delivered);
  EXPECT_EQ(second.HandOver(TInstanceRequest::Link("kpl://chat|hi"), kLongWait).status,
            THandOverStatus::Delivered);
  EXPECT_EQ(second.HandOver(TInstanceRequest::Link("two\nlines"), kLongWait).status,
            THandOverStatus::InvalidRequest);
  EXPECT_EQ(primary.HandOver(TInstanceRequest::Show(), kLongWait).status, THandOverStatus::Failed);

  // The acknowledgement comes after the handler, so no waiting is needed here.
  const std::vector<TInstanceRequest> expected{TInstanceRequest::Show(), TInstanceRequest::Link("kpl://chat|hi")};
  EXPECT_EQ(recorder.Seen(), expected);
}

TEST_F(SingleInstanceTest, BadClientsAreAnsweredOrDroppedAndTheListenerKeepsServing) {
  TSingleInstance primary(runtime, 300ms);
  ASSERT_EQ(primary.Start(recorder.Handler()).role, TInstanceRole::Primary);
  const std::string& path = primary.SocketPath();

  EXPECT_EQ(SendRaw(path, "HELLO\n"), "ERR\n");
  EXPECT_EQ(SendRaw(path, std::string("LINK a\0b\n", 9)), "ERR\n");
  EXPECT_EQ(SendRaw(path, std::string(64 * 1024, 'A')), "ERR\n");  // no line end within the bound
  EXPECT_EQ(SendRaw(path, "LINK " + std::string(kMaxHandOverLineSize, 'x') + "\n"), "ERR\n");
  EXPECT_EQ(SendRaw(path, "SH"), "");  // too slow: dropped after the request time-out
  EXPECT_EQ(SendRaw(path, ""), "");
  EXPECT_TRUE(recorder.Seen().empty());

  // Only the first line of a connection counts.
  EXPECT_EQ(SendRaw(path, "LINK x:1\nSHOW\n"), "OK\n");
  TSingleInstance second(runtime);
  ASSERT_EQ(second.Start(nullptr).role, TInstanceRole::Secondary);
  EXPECT_EQ(second.HandOver(TInstanceRequest::Show(), kLongWait).status, THandOverStatus::Delivered);
  const std::vector<TInstanceRequest> expected{TInstanceRequest::Link("x:1"), TInstanceRequest::Show()};
  EXPECT_EQ(recorder.Seen(), expected);
}

TEST_F(SingleInstanceTest, AFailingHandlerIsReportedAndDoesNotStopTheListener) {
  std::atomic<int> calls = 0;
  TSingleInstance primary(runtime);
  ASSERT_EQ(primary.Start([&](TInstanceRequest) {
                  if (++calls == 1) throw std::runtime_error("busy");
                }).role,
            TInstanceRole::Primary);
  TSingleInstance second(runtime);
  ASSERT_EQ(second.Start(nullptr).role, TInstanceRole::Secondary);
  EXPECT_EQ(second.HandOver(TInstanceRequest::Show(), kLongWait).status, THandOverStatus::Refused);
  EXPECT_EQ(second.HandOver(TInstanceRequest::Show(), kLongWait).status, THandOverStatus::Delivered);
  EXPECT_EQ(calls, 2);
}

TEST_F(SingleInstanceTest, LockHeldWithoutListenerMeansNoEffectAndAStaleSocketIsReplaced) {
  ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
  const std::string socketPath = runtime + "/" + std::string(kInstanceSocketFileName);
  const int lock = HoldLock(runtime + "/" + std::string(kInstanceLockFileName));
  {
    TSingleInstance second(runtime);
    ASSERT_EQ(second.Start(nullptr).role, TInstanceRole::Secondary);
    EXPECT_EQ(second.HandOver(TInstanceRequest::Show(), kLongWait).status, THandOverStatus::NoListener);
    // A socket file left by a crashed instance: bound once, nobody listening.
    ::close(SocketAt(socketPath, true));
    EXPECT_EQ(second.HandOver(TInstanceRequest::Show(), kLongWait).status, THandOverStatus::NoListener);
  }
  ::close(lock);

  TSingleInstance primary(runtime);
  ASSERT_EQ(primary.Start(recorder.Handler()).role, TInstanceRole::Primary);
  EXPECT_EQ(SendRaw(socketPath, "SHOW\n"), "OK\n");
}

TEST_F(SingleInstanceTest, DestructionStopsPromptlyRemovesTheSocketAndFreesTheLock) {
  auto primary = std::make_unique<TSingleInstance>(runtime, 100s);
  ASSERT_EQ(primary->Start(recorder.Handler()).role, TInstanceRole::Primary);
  const std::string socketPath = primary->SocketPath();

  // A client that connects and says nothing keeps the listener reading.
  const int silent = SocketAt(socketPath, false);
  std::this_thread::sleep_for(200ms);
  const auto before = std::chrono::steady_clock::now();
  primary.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 60s) << "waited for the silent client";
  ::close(silent);

  EXPECT_FALSE(std::filesystem::exists(socketPath));
  TSingleInstance next(runtime);
  EXPECT_EQ(next.Start(recorder.Handler()).role, TInstanceRole::Primary);
}

TEST_F(SingleInstanceTest, UnsafeRuntimeFoldersAndLockFilesAreRefused) {
  const std::string target = folder.MakeFolder("target");
  ASSERT_EQ(::chmod(target.c_str(), 0700), 0);
  std::filesystem::create_directory_symlink(target, runtime);
  EXPECT_EQ(TSingleInstance(runtime).Start(nullptr).error, ELOOP);

  const std::string writable = folder.MakeFolder("writable");
  ASSERT_EQ(::chmod(writable.c_str(), 0777), 0);
  EXPECT_EQ(TSingleInstance(writable).Start(nullptr).error, EPERM);
  EXPECT_EQ(TSingleInstance(folder.WriteFile("file", "")).Start(nullptr).error, ENOTDIR);
  EXPECT_EQ(TSingleInstance(folder.Path() + std::string(100, 'n')).Start(nullptr).error, ENAMETOOLONG);

  // A lock file that is a symbolic link is not followed, nor its target created.
  std::filesystem::create_symlink(folder.Path() + "elsewhere", target + std::string(kInstanceLockFileName));
  TSingleInstance linked(target);
  const TInstanceStart start = linked.Start(nullptr);
  EXPECT_EQ(start.role, TInstanceRole::None);
  EXPECT_EQ(start.error, ELOOP);
  EXPECT_FALSE(folder.Exists("elsewhere"));
}

// --- Two real processes -----------------------------------------------------

#ifdef KP_SINGLE_INSTANCE_PROBE
constexpr const char* kProbe = KP_SINGLE_INSTANCE_PROBE;
#else
constexpr const char* kProbe = "";
#endif

// The probe program run in the given current folder, its output read line by line.
class TProbe {
 public:
  TProbe(const std::vector<std::string>& arguments, const std::string& currentFolder) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    out_ = out[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, currentFolder.c_str());
    std::vector<std::string> all{kProbe};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) throw std::runtime_error("posix_spawn");
  }
  ~TProbe() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }
  TProbe(const TProbe&) = delete;
  TProbe& operator=(const TProbe&) = delete;

  // The next output line, or "<silent>" when none comes in time.
  std::string ReadLine() {
    for (;;) {
      if (const auto end = buffered_.find('\n'); end != std::string::npos) {
        std::string line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        return line;
      }
      char chunk[256];
      const ssize_t got = test::IsReadable(out_, kLongWait) ? ::read(out_, chunk, sizeof(chunk)) : 0;
      if (got <= 0) return "<silent>";
      buffered_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  void Signal(int number) { ::kill(pid_, number); }
  // The exit status, or -1 when the process did not exit normally in time.
  int Wait() {
    for (auto until = std::chrono::steady_clock::now() + kLongWait; std::chrono::steady_clock::now() < until;) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
};

std::vector<std::string> Listing(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    struct stat info {};
    ::lstat(entry.path().c_str(), &info);
    names.push_back(entry.path().filename().string() + " " + std::to_string(info.st_size) + " " +
                    std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec));
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(SingleInstanceTest, ASecondProcessHandsOverAndTouchesNoFile) {
  if (kProbe[0] == '\0') GTEST_SKIP() << "the probe program is not built";
  const std::string watched = folder.MakeFolder("program");
  const std::string wait = "--wait=" + std::to_string(kLongWait.count());
  TProbe first({runtime}, folder.Path());
  ASSERT_EQ(first.ReadLine(), "primary");
  const std::vector<std::string> runtimeBefore = Listing(runtime);

  TProbe show({wait, runtime}, watched);
  EXPECT_EQ(show.ReadLine(), "handed over");
  EXPECT_EQ(show.Wait(), 0);
  TProbe link({wait, runtime, "kpl://Chat|hello world"}, watched);
  EXPECT_EQ(link.ReadLine(), "handed over");
  EXPECT_EQ(link.Wait(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(watched));
  EXPECT_EQ(Listing(runtime), runtimeBefore);

  EXPECT_EQ(first.ReadLine(), "SHOW");
  EXPECT_EQ(first.ReadLine(), "LINK kpl://Chat|hello world");
  first.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(), 0);
  // The socket goes with the first process; the lock file stays as it was.
  EXPECT_EQ(Listing(runtime), std::vector<std::string>{runtimeBefore.front()});
}

TEST_F(SingleInstanceTest, AStartingOrCrashedFirstProcessIsHandledByTheNext) {
  if (kProbe[0] == '\0') GTEST_SKIP() << "the probe program is not built";
  ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
  const int lock = HoldLock(runtime + "/" + std::string(kInstanceLockFileName));
  TProbe early({runtime}, folder.Path());
  EXPECT_EQ(early.ReadLine(), "no listener");
  EXPECT_EQ(early.Wait(), 0);
  ::close(lock);

  TProbe crashed({runtime}, folder.Path());
  ASSERT_EQ(crashed.ReadLine(), "primary");
  crashed.Signal(SIGKILL);
  EXPECT_EQ(crashed.Wait(), -1);
  ASSERT_TRUE(std::filesystem::exists(runtime + "/" + std::string(kInstanceSocketFileName))) << "left behind";
  TProbe next({"--count=1", runtime}, folder.Path());
  ASSERT_EQ(next.ReadLine(), "primary");
  TProbe show({"--wait=" + std::to_string(kLongWait.count()), runtime}, folder.Path());
  EXPECT_EQ(show.ReadLine(), "handed over");
  EXPECT_EQ(next.ReadLine(), "SHOW");
  EXPECT_EQ(next.Wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(runtime + "/" + std::string(kInstanceSocketFileName)));
}

}  // namespace
}  // namespace kp
