#pragma once
// A full disk as even the superuser meets it: while `write` runs, no file this process writes may
// grow beyond a few bytes.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

namespace vlx::test {

template <typename Write>
auto WhileDiskIsFull(Write&& write) {
  rlimit old{};
  EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = old;
  tiny.rlim_cur = 8;
  EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  auto result = write();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  return result;
}

}  // namespace vlx::test
