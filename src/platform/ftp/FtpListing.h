#pragma once
// Reads a server's directory listing as it streams in: MLSD where FEAT offers it, else LIST in
// its Unix or DOS form. Names stay the bytes the server sent. A listing beyond the limits is
// refused as invalid data, so a hostile or endless one cannot exhaust memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FtpClient.h"
#include "report/ErrorCode.h"

namespace vlx {

enum class ListingFormat { kMlsd, kList };

// One line of a listing, without its line end; a folder comes without a size. Nothing for a line
// that names no entry (the "total" line of LIST, the folder itself and its parent, a line of no
// known form).
std::optional<FtpEntry> ParseListingLine(std::string_view line, ListingFormat format);

struct ListingLimits {
  std::size_t maxEntries = 100000;
  std::size_t maxBytes = 16u * 1024 * 1024;
};

// Splits the stream into lines (CR LF or LF) and parses each.
class ListingReader {
 public:
  ListingReader(ListingFormat format, ListingLimits limits) : format_(format), limits_(limits) {}

  // Takes the next bytes; the entries they complete go to `entries`. kInvalidData once a limit
  // is passed, and for every call after that.
  ErrorCode Feed(std::string_view bytes, std::vector<FtpEntry>& entries);
  // The listing ended: a last line without a line end counts too.
  ErrorCode Finish(std::vector<FtpEntry>& entries);

 private:
  ErrorCode TakeLine(std::string_view line, std::vector<FtpEntry>& entries);

  ListingFormat format_;
  ListingLimits limits_;
  std::string partial_;
  std::size_t bytes_ = 0;
  std::size_t count_ = 0;
  bool refused_ = false;
};

}  // namespace vlx
