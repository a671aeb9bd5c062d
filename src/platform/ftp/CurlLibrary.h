#pragma once
// libcurl, loaded when the first FTP session starts rather than with the program. Linked in, it
// brings two dozen libraries of its own (TLS, Kerberos, LDAP) that cost the window program
// several megabytes and their start-up work before anyone asks for a copy.

#include <curl/curl.h>

namespace vlx {

// The calls the FTP client makes, resolved from the loaded library.
struct CurlLibrary {
  decltype(&::curl_easy_init) easyInit;
  decltype(&::curl_easy_reset) easyReset;
  decltype(&::curl_easy_setopt) easySetopt;
  decltype(&::curl_easy_getinfo) easyGetinfo;
  decltype(&::curl_easy_cleanup) easyCleanup;
  decltype(&::curl_multi_init) multiInit;
  decltype(&::curl_multi_add_handle) multiAddHandle;
  decltype(&::curl_multi_remove_handle) multiRemoveHandle;
  decltype(&::curl_multi_perform) multiPerform;
  decltype(&::curl_multi_info_read) multiInfoRead;
  decltype(&::curl_multi_poll) multiPoll;
  decltype(&::curl_multi_cleanup) multiCleanup;
  decltype(&::curl_slist_append) slistAppend;
  decltype(&::curl_slist_free_all) slistFreeAll;
};

// Loads and initialises libcurl on the first call (from any thread); the same answer after.
// nullptr when the library or one of its calls cannot be found.
const CurlLibrary* Curl();

}  // namespace vlx
