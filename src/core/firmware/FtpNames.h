#pragma once
// Rules for the names an FTP listing hands us: which are taken, how they appear in trace lines,
// and the temporary files a fetch writes before a name is known good.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vlx {

inline constexpr std::size_t kMaxPlainNameBytes = 255;
inline constexpr std::size_t kMaxPrintableNameChars = 260;

// True when `name` is a single plain name: not empty, not "." or "..", no "/", "\" or ":", no
// control character, at most 255 bytes. Only such names are fetched, so a listing cannot point a
// fetch outside the server folder nor a write outside the local one.
bool IsPlainFtpName(std::string_view name);

// The local path of `name` in `folder`, or nothing when `name` is not plain: a plain name has no
// separator, so the path never leaves the folder.
std::optional<std::string> FtpLocalTarget(std::string_view folder, std::string_view name);

// `name` as it may appear in a trace line: PrintableName, cut to 260 characters with "..." in
// place of the rest.
std::string PrintableFtpName(std::string_view name);

// The temporary name a fetch of `name` writes first: ".NAME.part-" and `uniqueSuffix` (six
// characters from [A-Za-z0-9], chosen by whoever creates the file exclusively).
std::string FtpTemporaryName(std::string_view name, std::string_view uniqueSuffix);

// True when `fileName` is one of our temporary names, left over from a run that stopped before
// it could rename or delete it; only those are removed at the next run's start.
bool IsFtpLeftover(std::string_view fileName);

}  // namespace vlx
