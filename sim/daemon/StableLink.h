#pragma once
// The fixed path the program is pointed at: a symbolic link re-pointed at every new
// pseudo-terminal, so the port name survives the adapter being pulled out and put back.

#include <string>
#include <utility>

namespace vlxsim {

class StableLink {
 public:
  explicit StableLink(std::string path) : path_(std::move(path)) {}

  // Atomically (a link under a temporary name renamed over the old one). Refuses to replace
  // anything at the path that is not a symbolic link: that is somebody's file.
  bool PointAt(const std::string& target, std::string& error);

  // Only while it still points where we last pointed it; another daemon may have taken it over.
  void RemoveIfOurs();

 private:
  std::string path_;
  std::string target_;
};

}  // namespace vlxsim
