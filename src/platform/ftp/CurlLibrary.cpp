#include "ftp/CurlLibrary.h"

#include <QLibrary>
#include <optional>

namespace vlx {
namespace {

// The ABI libcurl has kept since 2006 (libcurl.so.4); Windows builds name the DLL "libcurl".
QLibrary& LibraryFile() {
#ifdef Q_OS_WIN
  static QLibrary library(QStringLiteral("libcurl"));
#else
  static QLibrary library(QStringLiteral("curl"), 4);
#endif
  return library;
}

template <typename Function>
bool Resolve(QLibrary& library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(library.resolve(name));
  return function != nullptr;
}

std::optional<CurlLibrary> Load() {
  QLibrary& library = LibraryFile();
  // Never unmapped, not even by the toolkit's clean-up at exit: libcurl's own resolver threads,
  // left to finish a lookup on their own, run its code until the process is gone.
  library.setLoadHints(QLibrary::PreventUnloadHint);
  if (!library.load()) {
    return std::nullopt;
  }
  decltype(&::curl_global_init) globalInit = nullptr;
  CurlLibrary curl{};
  const bool found = Resolve(library, "curl_global_init", globalInit) &&
                     Resolve(library, "curl_easy_init", curl.easyInit) &&
                     Resolve(library, "curl_easy_reset", curl.easyReset) &&
                     Resolve(library, "curl_easy_setopt", curl.easySetopt) &&
                     Resolve(library, "curl_easy_getinfo", curl.easyGetinfo) &&
                     Resolve(library, "curl_easy_cleanup", curl.easyCleanup) &&
                     Resolve(library, "curl_multi_init", curl.multiInit) &&
                     Resolve(library, "curl_multi_add_handle", curl.multiAddHandle) &&
                     Resolve(library, "curl_multi_remove_handle", curl.multiRemoveHandle) &&
                     Resolve(library, "curl_multi_perform", curl.multiPerform) &&
                     Resolve(library, "curl_multi_info_read", curl.multiInfoRead) &&
                     Resolve(library, "curl_multi_poll", curl.multiPoll) &&
                     Resolve(library, "curl_multi_cleanup", curl.multiCleanup) &&
                     Resolve(library, "curl_slist_append", curl.slistAppend) &&
                     Resolve(library, "curl_slist_free_all", curl.slistFreeAll);
  if (!found || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    return std::nullopt;
  }
  return curl;
}

}  // namespace

const CurlLibrary* Curl() {
  // Kept loaded for the rest of the run: handles may outlive any one client.
  static const std::optional<CurlLibrary> curl = Load();
  return curl ? &*curl : nullptr;
}

}  // namespace vlx
