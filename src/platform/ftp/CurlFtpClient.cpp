#include "ftp/CurlFtpClient.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "files/WriteAll.h"
#include "firmware/FtpNames.h"
#include "firmware/FtpServer.h"
#include "ftp/CurlFtpErrors.h"
#include "ftp/CurlLibrary.h"
#include "ftp/ThreadReaper.h"
#include "report/ErrnoCode.h"
#include "text/Ascii.h"

namespace vlx {
namespace {

// A call made while another is outstanding, or one the session is not ready for.
constexpr ErrorCode kWrongState = 12019;
// A listing asked for while the last one is still being read.
constexpr ErrorCode kTransferInProgress = 12110;
// The longest a transfer waits in one poll for libcurl's sockets or our wake-up.
constexpr std::int64_t kLongestPollMs = 50;

bool IsControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

bool HasControl(std::string_view text) {
  for (unsigned char c : text) {
    if (IsControl(c)) {
      return true;
    }
  }
  return false;
}

// A host name or address the URL can carry as it is; anything else could change what the URL
// means.
bool IsUsableHost(std::string_view host) {
  if (host.empty()) {
    return false;
  }
  for (char c : host) {
    const bool ok = IsAsciiAlphanumeric(c) || c == '.' || c == '-' || c == '_' || c == ':';
    if (!ok) {
      return false;
    }
  }
  return true;
}

// Every byte but the unreserved ones percent-encoded: a server's name reaches the server as the
// bytes it listed, and never as a separator or a command.
std::string Encoded(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    const bool plain =
        IsAsciiAlphanumeric(static_cast<char>(c)) || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kUpperHexDigits[c >> 4];
      out += kUpperHexDigits[c & 0x0F];
    }
  }
  return out;
}

// A folder path, each part encoded; "/" stays the separator.
std::string EncodedPath(std::string_view path) {
  std::string out;
  while (true) {
    const std::size_t slash = path.find('/');
    out += Encoded(path.substr(0, slash));
    if (slash == std::string_view::npos) {
      return out;
    }
    out += '/';
    path.remove_prefix(slash + 1);
  }
}

struct LocalFile {
  int fd = -1;
  std::string path;
  ~LocalFile() {
    if (fd >= 0) {
      ::close(fd);
    }
  }
};

class Session;

struct Job {
  std::uint64_t generation = 0;
  bool always = false;  // runs even when its session has ended (the teardown)
  std::function<void(Session&, std::uint64_t generation)> work;
};

}  // namespace

// The state the client's thread and the worker's thread share. The worker keeps it alive for as
// long as it runs, so a worker that outlives its client touches nothing freed.
class CurlFtpClient::Worker {
 public:
  static std::shared_ptr<Worker> Create(CurlFtpOptions options, QObject* receiver) {
    auto worker = std::shared_ptr<Worker>(new Worker(options, receiver));
    worker->self_ = worker;
    return worker;
  }
  ~Worker() {
    for (int fd : wakePipe_) {
      if (fd >= 0) {
        ::close(fd);
      }
    }
  }

  const CurlFtpOptions& Options() const { return options_; }
  std::uint64_t Generation() const { return generation_.load(); }
  bool Cancelled(std::uint64_t generation) const {
    return stopping_.load() || generation_.load() != generation;
  }
  int WakeFd() const { return wakePipe_[0]; }
  void DrainWake() const {
    char bytes[64];
    while (wakePipe_[0] >= 0 && ::read(wakePipe_[0], bytes, sizeof bytes) > 0) {
    }
  }

  void Submit(Job job) {
    {
      std::lock_guard lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
  }

  // Ends the current session: its transfer stops at once and its events are dropped.
  std::uint64_t EndSession() {
    std::uint64_t generation;
    {
      std::lock_guard lock(mutex_);
      generation = ++generation_;
    }
    Wake();
    return generation;
  }

  // Runs `continuation` on the caller's thread, unless the session has ended by then. The
  // continuations wait in an outbox under our own lock; the event loop only carries the request
  // to empty it, so nothing the threads share passes through the toolkit's queue.
  void Post(std::uint64_t generation, std::function<void()> continuation) {
    std::lock_guard lock(mutex_);
    if (receiver_ == nullptr || generation != generation_.load()) {
      return;
    }
    outbox_.push_back({generation, std::move(continuation)});
    if (outbox_.size() == 1) {
      // The receiver lives on the caller's thread and goes before this object does; a request
      // still queued when it goes is dropped with it.
      QMetaObject::invokeMethod(
          receiver_, [this] { Deliver(); }, Qt::QueuedConnection);
    }
  }

  // The client goes: nothing more is posted, and the worker stops as soon as it is back from
  // libcurl. Nobody waits for that here.
  void Stop() {
    std::lock_guard lock(mutex_);
    receiver_ = nullptr;
    stopping_ = true;
    ++generation_;
    wake_.notify_one();
    Wake();
  }

  void Run();

 private:
  struct Continuation {
    std::uint64_t generation;
    std::function<void()> run;
  };

  Worker(CurlFtpOptions options, QObject* receiver) : options_(options), receiver_(receiver) {
    if (::pipe2(wakePipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
      wakePipe_[0] = wakePipe_[1] = -1;
    }
  }

  // On the caller's thread: runs what the worker has posted, in order. A continuation may end
  // in the client's destruction; this object stays until the loop is done.
  void Deliver() {
    const std::shared_ptr<Worker> keep = self_.lock();
    std::deque<Continuation> ready;
    {
      std::lock_guard lock(mutex_);
      ready.swap(outbox_);
    }
    for (Continuation& continuation : ready) {
      if (continuation.generation == generation_.load()) {
        continuation.run();
      }
    }
  }

  void Wake() const {
    if (wakePipe_[1] >= 0) {
      const char byte = 1;
      [[maybe_unused]] const auto written = ::write(wakePipe_[1], &byte, 1);
    }
  }

  const CurlFtpOptions options_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  std::deque<Continuation> outbox_;
  QObject* receiver_;
  std::atomic<std::uint64_t> generation_{1};
  std::atomic<bool> stopping_{false};
  int wakePipe_[2] = {-1, -1};
  std::weak_ptr<Worker> self_;
};

namespace {

// The worker's side of a session: the multi and easy handles, the server, the folder, what FEAT
// offered, and the sockets libcurl has open (so the session can be dropped without waiting).
class Session {
 public:
  explicit Session(CurlFtpClient::Worker& worker) : worker_(worker) {}
  ~Session() { Drop(); }

  CurlFtpClient::Worker& Worker() { return worker_; }

  std::string BaseUrl() const { return "ftp://" + FtpServerText({host_, port_}) + "/"; }

  void Open(const std::string& host, std::uint16_t port) {
    Drop();
    host_ = host;
    port_ = port;
    mlsd_ = false;
  }
  bool OffersMlsd() const { return mlsd_; }

  // Prepares the handle for one request; `url` is the whole URL.
  CURLcode Prepare(const std::string& url) {
    if (curl_ == nullptr) {
      return CURLE_FAILED_INIT;
    }
    if (multi_ == nullptr) {
      multi_ = curl_->multiInit();
    }
    if (easy_ == nullptr) {
      easy_ = curl_->easyInit();
    }
    if (multi_ == nullptr || easy_ == nullptr) {
      return CURLE_OUT_OF_MEMORY;
    }
    curl_->easyReset(easy_);
    const CurlFtpOptions& options = worker_.Options();
    replies_.clear();
    errorText_[0] = '\0';
    Set(CURLOPT_URL, url.c_str());
    Set(CURLOPT_PROTOCOLS_STR, "ftp");
    Set(CURLOPT_NOSIGNAL, 1L);
    // Dropping a session in the middle of a name lookup does not wait for the lookup.
    Set(CURLOPT_QUICK_EXIT, 1L);
    Set(CURLOPT_ERRORBUFFER, errorText_);
    Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    Set(CURLOPT_FTP_USE_EPSV, 1L);
    Set(CURLOPT_HEADERFUNCTION, &Session::OnReply);
    Set(CURLOPT_HEADERDATA, this);
    Set(CURLOPT_OPENSOCKETFUNCTION, &Session::OnOpenSocket);
    Set(CURLOPT_OPENSOCKETDATA, this);
    Set(CURLOPT_CLOSESOCKETFUNCTION, &Session::OnCloseSocket);
    Set(CURLOPT_CLOSESOCKETDATA, this);
    if (options.lookupStarting) {
      Set(CURLOPT_RESOLVER_START_FUNCTION, &Session::OnLookupStarting);
      Set(CURLOPT_RESOLVER_START_DATA, this);
    }
    return CURLE_OK;
  }

  // An option of the prepared request.
  template <typename Value>
  void Set(CURLoption option, Value value) {
    curl_->easySetopt(easy_, option, value);
  }
  const CurlLibrary& Curl() const { return *curl_; }

  // A byte came from the server, on either connection.
  void NoteActivity() { lastActivity_ = std::chrono::steady_clock::now(); }

  // Runs the prepared request until it ends, the session does, or the server has sent nothing
  // for the stall time-out. libcurl's own low-speed check averages over several seconds, so
  // the silence is measured here.
  CurlOutcome Perform(std::uint64_t generation) {
    CurlOutcome outcome;
    const auto stall =
        std::chrono::duration_cast<std::chrono::milliseconds>(worker_.Options().stallTimeout);
    // libcurl can stop between two FTP steps with nothing to wake it: no socket event and no
    // timer (seen between one file's end and the next file's start on one session, now and then,
    // for a whole wait). Asking it again after a short wait bounds such a pause.
    const int pollMs = static_cast<int>(std::clamp<std::int64_t>(stall.count(), 1, kLongestPollMs));
    curl_->multiAddHandle(multi_, easy_);
    NoteActivity();
    bool done = false;
    while (!done) {
      if (worker_.Cancelled(generation)) {
        outcome.cancelled = true;
        break;
      }
      if (std::chrono::steady_clock::now() - lastActivity_ > stall) {
        outcome.result = CURLE_OPERATION_TIMEDOUT;
        break;
      }
      int running = 0;
      if (curl_->multiPerform(multi_, &running) != CURLM_OK) {
        outcome.result = CURLE_OUT_OF_MEMORY;
        break;
      }
      int queued = 0;
      while (CURLMsg* message = curl_->multiInfoRead(multi_, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
          outcome.result = message->data.result;
          done = true;
        }
      }
      if (done || running == 0) {
        break;
      }
      curl_waitfd wake{worker_.WakeFd(), CURL_WAIT_POLLIN, 0};
      curl_->multiPoll(multi_, &wake, wake.fd >= 0 ? 1 : 0, pollMs, nullptr);
      worker_.DrainWake();
    }
    long replyCode = 0;
    curl_->easyGetinfo(easy_, CURLINFO_RESPONSE_CODE, &replyCode);
    long osErrno = 0;
    curl_->easyGetinfo(easy_, CURLINFO_OS_ERRNO, &osErrno);
    outcome.replyCode = replyCode;
    outcome.osErrno = static_cast<int>(osErrno);
    if (outcome.osErrno == 0 && std::string_view(errorText_).find("reset") != std::string::npos) {
      outcome.osErrno = ECONNRESET;
    }
    outcome.replyText = LastReply().text;
    curl_->multiRemoveHandle(multi_, easy_);
    if (!done) {
      Drop();  // the request was abandoned half-way: the session cannot go on
    }
    return outcome;
  }

  // The last whole reply line: "550 No such file." with its code.
  FtpLastResponse LastReply() const {
    for (auto line = replies_.rbegin(); line != replies_.rend(); ++line) {
      if (line->size() >= 4 && IsAsciiDigit((*line)[0]) && IsAsciiDigit((*line)[1]) &&
          IsAsciiDigit((*line)[2]) && (*line)[3] == ' ') {
        return FtpLastResponse{static_cast<std::uint32_t>(std::stoul(line->substr(0, 3))), *line};
      }
    }
    return {};
  }

  void NoteFeatures() {
    for (const std::string& line : replies_) {
      // Feature lines are indented by one blank; MLSD comes with MLST.
      if (line.size() >= 5 && line[0] == ' ') {
        std::string name = line.substr(1, 4);
        for (char& c : name) {
          c = UpperAscii(c);
        }
        if (name == "MLST" || name == "MLSD") {
          mlsd_ = true;
        }
      }
    }
  }

  // Forgets the session at once: its sockets are shut down first, so closing them waits for
  // nothing the server would have to answer.
  void Drop() {
    for (curl_socket_t socket : sockets_) {
      ::shutdown(socket, SHUT_RDWR);
    }
    if (easy_ != nullptr) {
      curl_->easyCleanup(easy_);
      easy_ = nullptr;
    }
    if (multi_ != nullptr) {
      curl_->multiCleanup(multi_);
      multi_ = nullptr;
    }
  }

 private:
  static std::size_t OnReply(char* data, std::size_t size, std::size_t count, void* self) {
    auto& session = *static_cast<Session*>(self);
    session.NoteActivity();
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
      line.pop_back();
    }
    // A long multi-line reply (FEAT) need not be kept whole.
    if (session.replies_.size() < 256) {
      session.replies_.push_back(std::move(line));
    } else {
      session.replies_.back() = std::move(line);
    }
    return size * count;
  }

  static int OnLookupStarting(void*, void*, void* self) {
    static_cast<Session*>(self)->worker_.Options().lookupStarting();
    return 0;
  }

  static curl_socket_t OnOpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
      static_cast<Session*>(self)->sockets_.insert(socket);
    }
    return socket;
  }

  static int OnCloseSocket(void* self, curl_socket_t socket) {
    static_cast<Session*>(self)->sockets_.erase(socket);
    return ::close(socket);
  }

  CurlFtpClient::Worker& worker_;
  const CurlLibrary* curl_ = vlx::Curl();
  CURLM* multi_ = nullptr;
  CURL* easy_ = nullptr;
  std::string host_;
  std::uint16_t port_ = 0;
  bool mlsd_ = false;
  std::vector<std::string> replies_;
  std::set<curl_socket_t> sockets_;
  std::chrono::steady_clock::time_point lastActivity_;
  char errorText_[CURL_ERROR_SIZE] = {};
};

// Reads the listing as it arrives and posts it in batches.
struct ListingTransfer {
  Session& session;
  std::uint64_t generation;
  ListingReader reader;
  std::function<void(std::vector<FtpEntry>)> post;
  std::vector<FtpEntry> batch;
  ErrorCode refused = err::kSuccess;

  void Flush() {
    if (!batch.empty()) {
      post(std::move(batch));
      batch.clear();
    }
  }

  static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* self) {
    auto& transfer = *static_cast<ListingTransfer*>(self);
    transfer.session.NoteActivity();
    const std::size_t bytes = size * count;
    transfer.refused = transfer.reader.Feed(std::string_view(data, bytes), transfer.batch);
    transfer.Flush();  // what one read of the network brings is one batch
    return transfer.refused == err::kSuccess ? bytes : 0;
  }
};

struct FileTransfer {
  Session& session;
  LocalFile& file;
  std::optional<ErrorCode> failed;

  static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* self) {
    auto& transfer = *static_cast<FileTransfer*>(self);
    transfer.session.NoteActivity();
    const std::size_t bytes = size * count;
    if (const ErrorCode code =
            WriteAll(transfer.file.fd, std::string_view(data, bytes), transfer.file.path);
        code != err::kSuccess) {
      transfer.failed = code;
      return 0;
    }
    return bytes;
  }
};

}  // namespace

void CurlFtpClient::Worker::Run() {
  Session session(*this);
  while (true) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_.load() || !jobs_.empty(); });
      if (stopping_) {
        break;
      }
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    if (job.always || !Cancelled(job.generation)) {
      job.work(session, job.generation);
    }
  }
  session.Drop();
}

CurlFtpClient::CurlFtpClient(CurlFtpOptions options) : receiver_(std::make_unique<QObject>()) {
  // Loaded here, on the caller's thread, so that libcurl's global set-up runs before any worker;
  // the reaper comes after it, so it joins the workers before libcurl's table goes.
  Curl();
  ThreadReaper::Instance();
  worker_ = Worker::Create(options, receiver_.get());
  workerEnded_ = std::make_shared<std::atomic<bool>>(false);
  thread_ = std::thread([worker = worker_, ended = workerEnded_] {
    worker->Run();
    ended->store(true);
  });
}

CurlFtpClient::~CurlFtpClient() {
  // The worker ends its transfer and drops the session as soon as libcurl lets it; it keeps the
  // shared state alive on its own, so the client goes at once even while a name lookup or a
  // callback holds the worker. The reaper joins it, at the latest when the program ends.
  worker_->Stop();
  ThreadReaper::Instance().Adopt(std::move(thread_), std::move(workerEnded_));
}

ErrorCode CurlFtpClient::Connect(const std::string& host, std::uint16_t port) {
  if (outstanding_ != Call::kNone) {
    return kWrongState;
  }
  if (!IsUsableHost(host)) {
    return MapFtpFailure(FtpFailure::kNotResolved).code;
  }
  if (connected_) {
    Close();
  }
  outstanding_ = Call::kConnect;
  worker_->Submit(
      {worker_->Generation(), false,
       [this, host, port](Session& session, std::uint64_t generation) {
         session.Open(host, port);
         CurlOutcome outcome;
         if (outcome.result = session.Prepare(session.BaseUrl()); outcome.result == CURLE_OK) {
           // Logs in and asks what the server offers; the reply goes to OnReply.
           curl_slist* commands = session.Curl().slistAppend(nullptr, "*FEAT");
           session.Set(CURLOPT_NOBODY, 1L);
           session.Set(CURLOPT_QUOTE, commands);
           outcome = session.Perform(generation);
           session.Curl().slistFreeAll(commands);
           session.NoteFeatures();
         }
         const FtpError error = MapCurlOutcome(outcome);
         const FtpLastResponse reply = session.LastReply();
         session.Worker().Post(generation,
                               [this, error, reply] { OnCallDone(Call::kConnect, error, reply); });
       }});
  return kFtpPending;
}

ErrorCode CurlFtpClient::SetCurrentDirectory(const std::string& path) {
  if (outstanding_ != Call::kNone || !connected_) {
    return kWrongState;
  }
  if (path.empty() || HasControl(path)) {
    return err::kInvalidParameter;
  }
  // A path from the root is taken as it is, any other from the current folder.
  std::string target = path.front() == '/'  ? "/" + EncodedPath(path.substr(1))
                       : directory_.empty() ? EncodedPath(path)
                                            : directory_ + "/" + EncodedPath(path);
  while (target.size() > 1 && target.back() == '/') {
    target.pop_back();
  }
  outstanding_ = Call::kDirectory;
  worker_->Submit(
      {worker_->Generation(), false, [this, target](Session& session, std::uint64_t generation) {
         CurlOutcome outcome;
         if (outcome.result = session.Prepare(session.BaseUrl() + target + "/");
             outcome.result == CURLE_OK) {
           // No listing: libcurl only changes into each part of the path.
           session.Set(CURLOPT_NOBODY, 1L);
           outcome = session.Perform(generation);
         }
         const FtpError error = MapCurlOutcome(outcome);
         const FtpLastResponse reply = session.LastReply();
         session.Worker().Post(generation, [this, error, reply, target] {
           if (error.code == err::kSuccess) {
             directory_ = target;
           }
           OnCallDone(Call::kDirectory, error, reply);
         });
       }});
  return kFtpPending;
}

ErrorCode CurlFtpClient::FindFirstFile(FtpEntry&) {
  if (outstanding_ != Call::kNone || !connected_) {
    return kWrongState;
  }
  if (listing_ && !listingEnd_) {
    return kTransferInProgress;  // the session's one listing is still coming in
  }
  listing_ = true;
  listingOver_ = false;
  entries_.clear();
  listingEnd_.reset();
  outstanding_ = Call::kListing;
  const std::string url = directory_.empty() ? "" : directory_ + "/";
  worker_->Submit(
      {worker_->Generation(), false, [this, url](Session& session, std::uint64_t generation) {
         const ListingFormat format =
             session.OffersMlsd() ? ListingFormat::kMlsd : ListingFormat::kList;
         ListingTransfer transfer{session,
                                  generation,
                                  ListingReader(format, session.Worker().Options().listingLimits),
                                  [this, &session, generation](std::vector<FtpEntry> entries) {
                                    session.Worker().Post(
                                        generation, [this, entries = std::move(entries)]() mutable {
                                          OnEntries(std::move(entries));
                                        });
                                  },
                                  {},
                                  err::kSuccess};
         CurlOutcome outcome;
         if (outcome.result = session.Prepare(session.BaseUrl() + url);
             outcome.result == CURLE_OK) {
           if (format == ListingFormat::kMlsd) {
             session.Set(CURLOPT_CUSTOMREQUEST, "MLSD");
           }
           session.Set(CURLOPT_WRITEFUNCTION, &ListingTransfer::OnData);
           session.Set(CURLOPT_WRITEDATA, &transfer);
           outcome = session.Perform(generation);
           if (outcome.result == CURLE_OK) {
             transfer.refused = transfer.reader.Finish(transfer.batch);
           }
           if (transfer.refused != err::kSuccess) {
             outcome.localError = transfer.refused;
           }
         }
         transfer.Flush();
         const FtpError error = MapCurlOutcome(outcome);
         const FtpLastResponse reply = session.LastReply();
         session.Worker().Post(generation, [this, error, reply] { OnListingEnd(error, reply); });
       }});
  return kFtpPending;
}

ErrorCode CurlFtpClient::FindNextFile(FtpEntry&) {
  if (outstanding_ != Call::kNone || (!listing_ && !listingOver_)) {
    return kWrongState;
  }
  if (listingOver_) {
    return err::kNoMoreFiles;  // told already
  }
  outstanding_ = Call::kListing;
  if (!entries_.empty() || listingEnd_) {
    PostServeEntry();
  }
  return kFtpPending;
}

ErrorCode CurlFtpClient::GetFile(const std::string& remoteName, const std::string& localPath) {
  if (outstanding_ != Call::kNone || !connected_) {
    return kWrongState;
  }
  if (!IsPlainFtpName(remoteName)) {
    return err::kInvalidParameter;
  }
  auto file = std::make_shared<LocalFile>();
  file->path = localPath;
  // The caller has made the file; a link in its place is not followed.
  file->fd = ::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (file->fd < 0) {
    return ErrorCodeFromErrno(errno, FileOperation::kWrite, localPath);
  }
  outstanding_ = Call::kFile;
  const std::string url = (directory_.empty() ? "" : directory_ + "/") + Encoded(remoteName);
  worker_->Submit(
      {worker_->Generation(), false, [this, url, file](Session& session, std::uint64_t generation) {
         FileTransfer transfer{session, *file, std::nullopt};
         CurlOutcome outcome;
         if (outcome.result = session.Prepare(session.BaseUrl() + url);
             outcome.result == CURLE_OK) {
           session.Set(CURLOPT_WRITEFUNCTION, &FileTransfer::OnData);
           session.Set(CURLOPT_WRITEDATA, &transfer);
           outcome = session.Perform(generation);
           outcome.localError = transfer.failed;
         }
         // A file system may tell of a failed write only when the file is closed.
         const int fd = std::exchange(file->fd, -1);
         if (::close(fd) != 0 && !outcome.localError && outcome.result == CURLE_OK) {
           outcome.localError = ErrorCodeFromErrno(errno, FileOperation::kWrite, file->path);
         }
         const FtpError error = MapCurlOutcome(outcome);
         const FtpLastResponse reply = session.LastReply();
         session.Worker().Post(generation,
                               [this, error, reply] { OnCallDone(Call::kFile, error, reply); });
       }});
  return kFtpPending;
}

void CurlFtpClient::Close() {
  const std::uint64_t generation = worker_->EndSession();
  ForgetSession();
  worker_->Submit({generation, true, [](Session& session, std::uint64_t) { session.Drop(); }});
}

void CurlFtpClient::ForgetSession() {
  outstanding_ = Call::kNone;
  connected_ = false;
  directory_.clear();
  listing_ = false;
  listingOver_ = false;
  entries_.clear();
  listingEnd_.reset();
}

void CurlFtpClient::OnCallDone(Call call, const FtpError& error, const FtpLastResponse& reply) {
  outstanding_ = Call::kNone;
  lastResponse_ = error.reply ? *error.reply : reply;
  if (call == Call::kConnect) {
    connected_ = error.code == err::kSuccess;
  }
  if (events_ == nullptr) {
    return;
  }
  switch (call) {
    case Call::kConnect:
      events_->OnConnected(error.code);
      break;
    case Call::kDirectory:
      events_->OnDirectorySet(error.code);
      break;
    case Call::kFile:
      events_->OnFileReceived(error.code);
      break;
    case Call::kListing:
    case Call::kNone:
      break;
  }
}

void CurlFtpClient::OnEntries(std::vector<FtpEntry> entries) {
  for (FtpEntry& entry : entries) {
    entries_.push_back(std::move(entry));
  }
  if (outstanding_ == Call::kListing) {
    ServeEntry();
  }
}

void CurlFtpClient::OnListingEnd(const FtpError& error, const FtpLastResponse& reply) {
  lastResponse_ = error.reply ? *error.reply : reply;
  listingEnd_ = error.code == err::kSuccess ? err::kNoMoreFiles : error.code;
  if (outstanding_ == Call::kListing) {
    ServeEntry();
  }
}

void CurlFtpClient::ServeEntry() {
  if (!entries_.empty()) {
    FtpEntry entry = std::move(entries_.front());
    entries_.pop_front();
    outstanding_ = Call::kNone;
    if (events_ != nullptr) {
      events_->OnEntryFound(err::kSuccess, std::move(entry));
    }
  } else if (listingEnd_) {
    outstanding_ = Call::kNone;
    const ErrorCode end = *listingEnd_;
    listing_ = false;
    listingOver_ = end == err::kNoMoreFiles;
    if (events_ != nullptr) {
      events_->OnEntryFound(end, std::nullopt);
    }
  }
}

void CurlFtpClient::PostServeEntry() {
  worker_->Post(worker_->Generation(), [this] {
    if (outstanding_ == Call::kListing) {
      ServeEntry();
    }
  });
}

}  // namespace vlx
