#pragma once
// Owns the threads of FTP clients that have gone and joins them before the program ends.
//
// A client lets its worker go without waiting (the window must not freeze on a lookup that
// hangs), yet a worker left running at exit could still be inside libcurl while the process is
// torn down. The reaper takes each such thread, joins those that have ended whenever it is
// handed another, and joins the rest when it is destroyed with the program's static objects.

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vlx {

class ThreadReaper {
 public:
  // The process's one reaper, made on the first call. Call it once before the first thread it
  // will take is started, so that it is destroyed after anything that outlives those threads
  // is, and before anything made earlier (libcurl's function table).
  static ThreadReaper& Instance();

  ThreadReaper() = default;
  ~ThreadReaper();
  ThreadReaper(const ThreadReaper&) = delete;
  ThreadReaper& operator=(const ThreadReaper&) = delete;

  // Takes `thread`, which has been told to end; it sets `ended` as the last thing it does.
  void Adopt(std::thread thread, std::shared_ptr<const std::atomic<bool>> ended);

 private:
  struct Adopted {
    std::thread thread;
    std::shared_ptr<const std::atomic<bool>> ended;
  };

  std::mutex mutex_;
  std::vector<Adopted> threads_;
};

}  // namespace vlx
