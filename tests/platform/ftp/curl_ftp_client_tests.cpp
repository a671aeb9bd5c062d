// The libcurl binding against a real FTP server on 127.0.0.1 (our pyftpdlib script): sessions,
// listings, downloads, every failure's code, Close and destruction in the middle of a transfer
// or of a lookup that hangs, and the program's end while a worker is still held. Slow cases use
// short time-outs; nothing waits for the real 60 seconds.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "ftp/CurlFtpClient.h"
#include "support/CaseNames.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/platform/EventLoop.h"
#include "support/process/FtpTestServer.h"

namespace vlx {
namespace {

using namespace std::chrono_literals;
using test::FtpTestServer;
using test::TemporaryFolder;

constexpr auto kEventLimit = 20s;

struct Event {
  std::string kind;
  ErrorCode code;
  std::optional<FtpEntry> entry;
};

class RecordingEvents final : public FtpEvents {
 public:
  void OnConnected(ErrorCode result) override { Record({"connected", result, {}}); }
  void OnDirectorySet(ErrorCode result) override { Record({"directory", result, {}}); }
  void OnEntryFound(ErrorCode result, std::optional<FtpEntry> entry) override {
    Record({"entry", result, std::move(entry)});
  }
  void OnFileReceived(ErrorCode result) override { Record({"file", result, {}}); }

  // Runs the event loop until the next event, or the limit; false when none came.
  bool AwaitNext(std::chrono::milliseconds limit) {
    const std::size_t before = events.size();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(limit);
    waiting_ = &loop;
    loop.exec();
    waiting_ = nullptr;
    return events.size() > before;
  }

  std::vector<Event> events;

 private:
  void Record(Event event) {
    events.push_back(std::move(event));
    if (waiting_ != nullptr) {
      waiting_->quit();
    }
  }

  QEventLoop* waiting_ = nullptr;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// 200 KB that tell a shifted or cut copy from the original.
std::string Payload() {
  std::string content;
  for (int i = 0; content.size() < 200000; ++i) {
    content += std::to_string(i) + ",";
  }
  return content;
}

// A served folder with VLX/firmware holding a firmware file, the notes and a sub-folder, a local
// folder to fetch into, and a client whose events are recorded.
class CurlFtpClientTest : public ::testing::Test {
 protected:
  CurlFtpClientTest() : served_("ftp-served"), local_("ftp-local") {
    std::filesystem::create_directories(Firmware() / "old");
    WriteFile(Firmware() / "VLX750fp0152.hex", Payload());
    WriteFile(Firmware() / "vlxfwnotes.rtf", "{\\rtf1 notes}");
  }

  std::filesystem::path Firmware() const { return served_.Path() / "VLX" / "firmware"; }
  std::filesystem::path Local(const std::string& name) const { return local_.Path() / name; }

  void StartServer(std::vector<std::string> switches = {}) {
    server_ = std::make_unique<FtpTestServer>(served_.Path().string(), switches);
  }

  void MakeClient(CurlFtpOptions options = {}) {
    client_ = std::make_unique<CurlFtpClient>(options);
    client_->SetEvents(&recorder_);
  }

  // Makes a call and, when it is pending, waits for its one event: the call's final code.
  ErrorCode Await(const std::function<ErrorCode()>& call) {
    const std::size_t before = recorder_.events.size();
    const ErrorCode answer = call();
    if (answer != kFtpPending) {
      return answer;
    }
    EXPECT_EQ(recorder_.events.size(), before) << "an event came from inside the call";
    if (!recorder_.AwaitNext(kEventLimit)) {
      ADD_FAILURE() << "no event came";
      return err::kGenFailure;
    }
    EXPECT_EQ(recorder_.events.size(), before + 1);
    return recorder_.events.back().code;
  }

  ErrorCode Connect() {
    return Await([this] { return client_->Connect("127.0.0.1", server_->Port()); });
  }
  ErrorCode EnterFirmware() {
    const ErrorCode connected = Connect();
    return connected != err::kSuccess
               ? connected
               : Await([this] { return client_->SetCurrentDirectory("VLX/firmware"); });
  }
  // The whole listing; the code that ended it in `end`.
  std::vector<FtpEntry> List(ErrorCode& end) {
    std::vector<FtpEntry> entries;
    FtpEntry unused;
    end = Await([&] { return client_->FindFirstFile(unused); });
    while (end == err::kSuccess) {
      entries.push_back(*recorder_.events.back().entry);
      end = Await([&] { return client_->FindNextFile(unused); });
    }
    return entries;
  }
  ErrorCode Fetch(const std::string& name, const std::filesystem::path& target) {
    return Await([&] { return client_->GetFile(name, target.string()); });
  }

  TemporaryFolder served_;
  TemporaryFolder local_;
  std::unique_ptr<FtpTestServer> server_;
  RecordingEvents recorder_;
  std::unique_ptr<CurlFtpClient> client_;
};

std::vector<FtpEntry> SortedByName(std::vector<FtpEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const FtpEntry& a, const FtpEntry& b) { return a.name < b.name; });
  return entries;
}

const std::vector<FtpEntry> kServedEntries = {
    FtpEntry{"VLX750fp0152.hex", Payload().size(), false},
    FtpEntry{"old", std::nullopt, true},
    FtpEntry{"vlxfwnotes.rtf", 13, false},
};

TEST_F(CurlFtpClientTest, ListsWithMlsdOrListAndFetchesByteForByteOnOneSession) {
  for (const bool mlsd : {true, false}) {
    SCOPED_TRACE(mlsd ? "MLSD" : "LIST");
    const std::filesystem::path log = Local(mlsd ? "mlsd.log" : "list.log");
    std::vector<std::string> switches{"--log", log.string()};
    if (!mlsd) {
      switches.push_back("--no-mlsd");
    }
    StartServer(switches);
    MakeClient();
    ASSERT_EQ(EnterFirmware(), err::kSuccess);
    ErrorCode end = err::kSuccess;
    EXPECT_EQ(SortedByName(List(end)), kServedEntries);
    EXPECT_EQ(end, err::kNoMoreFiles);
    FtpEntry unused;
    EXPECT_EQ(client_->FindNextFile(unused), err::kNoMoreFiles);

    ASSERT_EQ(Fetch("VLX750fp0152.hex", Local("a.part")), err::kSuccess);
    EXPECT_EQ(ReadFile(Local("a.part")), Payload());
    // The file is replaced, not appended to.
    ASSERT_EQ(Fetch("vlxfwnotes.rtf", Local("a.part")), err::kSuccess);
    EXPECT_EQ(ReadFile(Local("a.part")), "{\\rtf1 notes}");
    EXPECT_EQ(client_->LastResponse().error / 100, 2u);
    client_->Close();
    client_.reset();
    // One login served every call, and the listing was read the way the server offered.
    const std::string commands = ReadFile(log);
    EXPECT_NE(commands.find("USER\n"), std::string::npos);
    EXPECT_EQ(commands.find("USER\n"), commands.rfind("USER\n")) << commands;
    EXPECT_NE(commands.find(mlsd ? "MLSD\n" : "LIST\n"), std::string::npos) << commands;
  }
}

TEST_F(CurlFtpClientTest, HandsOutHostileNamesAsTheBytesTheServerListed) {
  const std::vector<std::string> names = {"../VLX750fp0199.hex",  "/tmp/VLX750fp0199.hex",
                                          "sub/VLX750fp0199.hex", "..\\VLX750fp0199.hex",
                                          "C:VLX750fp0199.hex",   "VLX750fp0199.hex\x1b[2J"};
  std::vector<std::string> switches;
  for (const std::string& name : names) {
    switches.push_back("--extra-entry");
    switches.push_back(name == names.back() ? "VLX750fp0199.hex\\x1b[2J" : name);
  }
  StartServer(switches);
  MakeClient();
  ASSERT_EQ(EnterFirmware(), err::kSuccess);
  ErrorCode end = err::kSuccess;
  std::vector<std::string> listed;
  for (const FtpEntry& entry : List(end)) {
    listed.push_back(entry.name);
  }
  EXPECT_EQ(end, err::kNoMoreFiles);
  for (const std::string& name : names) {
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
  }
  // Nothing the server listed can make a request leave its folder or carry a command.
  EXPECT_EQ(client_->GetFile("../VLX750fp0199.hex", Local("x").string()), err::kInvalidParameter);
  EXPECT_EQ(client_->GetFile("a\r\nDELE b", Local("x").string()), err::kInvalidParameter);
}

class CurlFtpClientFailure;

// One row per way a call can fail: the server's switches, the client's limits, the call, and
// the code its event (or its answer) carries.
struct FailureRow {
  const char* label;
  std::vector<std::string> switches;
  std::function<ErrorCode(CurlFtpClientFailure&)> run;
  ErrorCode code;
  std::uint32_t reply = 0;  // for 12003: the reply code LastResponse keeps
  CurlFtpOptions options = {};
};

class CurlFtpClientFailure : public CurlFtpClientTest,
                             public ::testing::WithParamInterface<FailureRow> {
 public:
  using CurlFtpClientTest::Await;
  using CurlFtpClientTest::Connect;
  using CurlFtpClientTest::EnterFirmware;
  using CurlFtpClientTest::Fetch;
  using CurlFtpClientTest::List;
  using CurlFtpClientTest::Local;
  ErrorCode ListingEnd() {
    if (const ErrorCode entered = EnterFirmware(); entered != err::kSuccess) {
      return entered;
    }
    ErrorCode end = err::kSuccess;
    List(end);
    return end;
  }
  ErrorCode FetchFirmware(const std::filesystem::path& target) {
    const ErrorCode entered = EnterFirmware();
    return entered != err::kSuccess ? entered : Fetch("VLX750fp0152.hex", target);
  }
  std::uint16_t Port() const { return server_->Port(); }
  CurlFtpClient& Client() { return *client_; }
};

// A server that takes the connection and never greets.
ErrorCode ConnectToSilentServer(CurlFtpClientFailure& test) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(s, 4);
  socklen_t length = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  const ErrorCode code =
      test.Await([&] { return test.Client().Connect("127.0.0.1", ntohs(address.sin_port)); });
  ::close(s);
  return code;
}

CurlFtpOptions Impatient() {
  CurlFtpOptions options;
  options.stallTimeout = 1s;
  return options;
}

CurlFtpOptions FewEntries() {
  CurlFtpOptions options;
  options.listingLimits.maxEntries = 50;
  return options;
}

std::vector<std::string> Cut(const char* how) {
  return {"--cut-after", "65536", "--cut", how};
}

TEST_P(CurlFtpClientFailure, EndsWithItsCode) {
  const FailureRow& row = GetParam();
  StartServer(row.switches);
  MakeClient(row.options);
  EXPECT_EQ(row.run(*this), row.code);
  if (row.reply != 0) {
    EXPECT_EQ(client_->LastResponse().error, row.reply);
    EXPECT_EQ(client_->LastResponse().text.substr(0, 4), std::to_string(row.reply) + " ");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ftp, CurlFtpClientFailure,
    ::testing::Values(
        FailureRow{"NameNotResolved",
                   {},
                   [](CurlFtpClientFailure& t) {
                     return t.Await([&] { return t.Client().Connect("no-such-host.invalid", 21); });
                   },
                   12007},
        FailureRow{"NothingListens",
                   {},
                   [](CurlFtpClientFailure& t) {
                     return t.Await(
                         [&] { return t.Client().Connect("127.0.0.1", test::ClosedPort()); });
                   },
                   12029},
        FailureRow{"NoGreeting", {}, ConnectToSilentServer, 12002, 0, Impatient()},
        FailureRow{"LoginRefused",
                   {"--refuse-login"},
                   [](CurlFtpClientFailure& t) { return t.Connect(); },
                   12015},
        FailureRow{"FolderMissing",
                   {},
                   [](CurlFtpClientFailure& t) {
                     t.Connect();
                     return t.Await([&] { return t.Client().SetCurrentDirectory("VLX/gone"); });
                   },
                   12003,
                   550},
        FailureRow{"FileRefused",
                   {"--refuse-file", "VLX750fp0152.hex"},
                   [](CurlFtpClientFailure& t) { return t.FetchFirmware(t.Local("x")); },
                   12003,
                   550},
        FailureRow{"PassiveRefused",
                   {"--refuse-passive"},
                   [](CurlFtpClientFailure& t) { return t.ListingEnd(); },
                   12112},
        FailureRow{"StallMidFile", Cut("stall"),
                   [](CurlFtpClientFailure& t) { return t.FetchFirmware(t.Local("x")); }, 12002, 0,
                   Impatient()},
        FailureRow{"DroppedMidFile", Cut("drop"),
                   [](CurlFtpClientFailure& t) { return t.FetchFirmware(t.Local("x")); }, 12030},
        FailureRow{"ResetMidFile", Cut("reset"),
                   [](CurlFtpClientFailure& t) { return t.FetchFirmware(t.Local("x")); }, 12031},
        FailureRow{"LocalFolderMissing",
                   {},
                   [](CurlFtpClientFailure& t) { return t.FetchFirmware(t.Local("gone") / "x"); },
                   3},
        FailureRow{"DiskFull",
                   {},
                   [](CurlFtpClientFailure& t) { return t.FetchFirmware("/dev/full"); },
                   112},
        FailureRow{"ListingBeyondItsLimit",
                   {"--entries", "48"},
                   [](CurlFtpClientFailure& t) { return t.ListingEnd(); },
                   13,
                   0,
                   FewEntries()},
        FailureRow{"EndlessListing",
                   {"--endless-listing"},
                   [](CurlFtpClientFailure& t) { return t.ListingEnd(); },
                   13},
        FailureRow{"HundredThousandAndOneEntries",
                   {"--entries", "99998"},
                   [](CurlFtpClientFailure& t) { return t.ListingEnd(); },
                   13}),
    test::ByLabel());

TEST_F(CurlFtpClientTest, ListingOfItsLimitIsWhole) {
  StartServer({"--entries", "47"});
  CurlFtpOptions options;
  options.listingLimits.maxEntries = 50;
  MakeClient(options);
  ASSERT_EQ(EnterFirmware(), err::kSuccess);
  ErrorCode end = err::kSuccess;
  EXPECT_EQ(List(end).size(), 50u);
  EXPECT_EQ(end, err::kNoMoreFiles);
}

// Close (and destruction) in a transfer the server feeds slowly: no event follows, the call
// ends at once, the client can start a new session, and the part fetched is left for the caller.
TEST_F(CurlFtpClientTest, CloseAndDestructionEndATransferWithinASecond) {
  StartServer({"--rate", "4096"});
  MakeClient();
  ASSERT_EQ(EnterFirmware(), err::kSuccess);
  ASSERT_EQ(client_->GetFile("VLX750fp0152.hex", Local("x").string()), kFtpPending);
  vlxtest::SpinFor(300ms);
  const std::size_t events = recorder_.events.size();
  QElapsedTimer elapsed;
  elapsed.start();
  client_->Close();
  EXPECT_LT(elapsed.elapsed(), 100);
  vlxtest::SpinFor(500ms);
  EXPECT_EQ(recorder_.events.size(), events);
  EXPECT_LT(std::filesystem::file_size(Local("x")), Payload().size());

  // A new session on the same client works after the abandoned one.
  ASSERT_EQ(EnterFirmware(), err::kSuccess);
  ASSERT_EQ(client_->GetFile("VLX750fp0152.hex", Local("y").string()), kFtpPending);
  vlxtest::SpinFor(300ms);
  elapsed.restart();
  client_.reset();
  EXPECT_LT(elapsed.elapsed(), 1000);
  vlxtest::SpinFor(200ms);
  EXPECT_EQ(recorder_.events.size(), events + 2);
}

// Stands for a name lookup the system does not answer: holds the worker inside libcurl until
// released, or for `limit` at most, and then writes "lookup over" on stderr. Its state outlives
// the test, as the worker may.
class HeldLookup {
 public:
  explicit HeldLookup(std::chrono::milliseconds limit) : state_(std::make_shared<State>()) {
    state_->limit = limit;
  }

  CurlFtpOptions Options() const {
    CurlFtpOptions options;
    options.lookupStarting = [state = state_] {
      std::unique_lock lock(state->mutex);
      state->entered = true;
      state->changed.notify_all();
      state->changed.wait_for(lock, state->limit, [&] { return state->released; });
      std::fputs("lookup over\n", stderr);
    };
    return options;
  }

  bool AwaitEntered() const {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, kEventLimit, [this] { return state_->entered; });
  }

  void Release() const {
    std::lock_guard lock(state_->mutex);
    state_->released = true;
    state_->changed.notify_all();
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::chrono::milliseconds limit{};
    bool entered = false;
    bool released = false;
  };
  std::shared_ptr<State> state_;
};

// The window lets its client go while the worker is stuck in a lookup: it must not freeze.
TEST_F(CurlFtpClientTest, DestructionInAHungLookupReturnsAtOnceAndNoEventFollows) {
  const HeldLookup lookup(kEventLimit);
  MakeClient(lookup.Options());
  ASSERT_EQ(client_->Connect("127.0.0.1", test::ClosedPort()), kFtpPending);
  ASSERT_TRUE(lookup.AwaitEntered());
  QElapsedTimer elapsed;
  elapsed.start();
  client_.reset();
  EXPECT_LT(elapsed.elapsed(), 100);
  lookup.Release();
  vlxtest::SpinFor(200ms);
  EXPECT_TRUE(recorder_.events.empty());
}

// A program that ends while a gone client's worker is still held in libcurl waits for the worker
// to come back and end, and exits normally.
TEST(CurlFtpClientExit, WaitsForAWorkerHeldInALookup) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const HeldLookup lookup(300ms);
        auto client = std::make_unique<CurlFtpClient>(lookup.Options());
        if (client->Connect("127.0.0.1", test::ClosedPort()) != kFtpPending ||
            !lookup.AwaitEntered()) {
          std::_Exit(2);
        }
        client.reset();
        std::fputs("client gone\n", stderr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "client gone\nlookup over\n");
}

TEST_F(CurlFtpClientTest, ReachesAServerByItsIPv6Address) {
  StartServer({"--bind", "::1"});
  MakeClient();
  ASSERT_EQ(Await([this] { return client_->Connect("::1", server_->Port()); }), err::kSuccess);
  ASSERT_EQ(Await([this] { return client_->SetCurrentDirectory("VLX/firmware"); }), err::kSuccess);
  ErrorCode end = err::kSuccess;
  EXPECT_EQ(SortedByName(List(end)), kServedEntries);
  ASSERT_EQ(Fetch("vlxfwnotes.rtf", Local("n")), err::kSuccess);
  EXPECT_EQ(ReadFile(Local("n")), "{\\rtf1 notes}");
}

// A holder that lets its client go from inside an event, as a window closing on it would.
TEST_F(CurlFtpClientTest, ClientMayBeDestroyedFromInsideItsEvent) {
  StartServer({"--entries", "2000"});
  MakeClient();
  ASSERT_EQ(EnterFirmware(), err::kSuccess);
  struct Destroyer final : FtpEvents {
    std::unique_ptr<CurlFtpClient>* client;
    int events = 0;
    void OnConnected(ErrorCode) override {}
    void OnDirectorySet(ErrorCode) override {}
    void OnEntryFound(ErrorCode, std::optional<FtpEntry>) override {
      ++events;
      client->reset();
    }
    void OnFileReceived(ErrorCode) override {}
  } destroyer;
  destroyer.client = &client_;
  client_->SetEvents(&destroyer);
  FtpEntry unused;
  ASSERT_EQ(client_->FindFirstFile(unused), kFtpPending);
  vlxtest::SpinUntil([this] { return client_ == nullptr; }, kEventLimit);
  vlxtest::SpinFor(200ms);
  EXPECT_EQ(destroyer.events, 1);
}

TEST_F(CurlFtpClientTest, RefusesCallsOutOfTurn) {
  StartServer({"--rate", "2048", "--entries", "1000"});  // a listing that takes its time
  MakeClient();
  FtpEntry unused;
  EXPECT_EQ(client_->SetCurrentDirectory("VLX"), 12019u);  // not connected
  EXPECT_EQ(client_->FindNextFile(unused), 12019u);        // no listing
  ASSERT_EQ(client_->Connect("127.0.0.1", server_->Port()), kFtpPending);
  EXPECT_EQ(client_->FindFirstFile(unused), 12019u);  // the connect is outstanding
  EXPECT_EQ(client_->Connect("evil.example/x@127.0.0.1", 21), 12019u);
  vlxtest::SpinUntil([this] { return !recorder_.events.empty(); }, kEventLimit);
  EXPECT_EQ(client_->Connect("evil.example/x@127.0.0.1", 21), 12007u);
  ASSERT_EQ(Await([this] { return client_->SetCurrentDirectory("VLX/firmware"); }), err::kSuccess);
  // One listing at a time; a link where the local file should be is not written through.
  ASSERT_EQ(Await([&] { return client_->FindFirstFile(unused); }), err::kSuccess);
  EXPECT_EQ(client_->FindFirstFile(unused), 12110u);
  std::filesystem::create_symlink(Local("elsewhere"), Local("link"));
  EXPECT_NE(client_->GetFile("vlxfwnotes.rtf", Local("link").string()), kFtpPending);
  EXPECT_FALSE(std::filesystem::exists(Local("elsewhere")));
}

}  // namespace
}  // namespace vlx
