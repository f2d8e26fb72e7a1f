#include "online/UrlDownload.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "base/AtomicFile.h"

namespace {

// Release packages are small; anything larger is not ours.
constexpr curl_off_t kMaxDownloadBytes = 512LL << 20;

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

size_t Append(char* data, size_t size, size_t count, void* user) {
  auto* out = static_cast<std::string*>(user);
  const size_t n = size * count;
  if (out->size() + n > static_cast<size_t>(kMaxDownloadBytes)) return 0;  // ends the transfer
  out->append(data, n);
  return n;
}

}  // namespace

std::string PercentEncode(std::string_view text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool DownloadUrlToFile(const std::string& url, const std::filesystem::path& dest, std::string* error) {
  const std::optional<std::string> body = DownloadUrl(url, error);
  return body && WriteFileAtomic(dest, *body, error);
}

std::optional<std::string> DownloadUrl(const std::string& url, std::string* error) {
  static std::once_flag init;
  std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    if (error) *error = "The download could not be started.";
    return std::nullopt;
  }
  std::unique_ptr<curl_slist, SlistDeleter> headers(
      curl_slist_append(curl_slist_append(nullptr, "Cache-Control: no-cache"), "Pragma: no-cache"));
  std::string body;
  char message[CURL_ERROR_SIZE] = {};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,file");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 20L);
  // A transfer slower than 100 bytes/s for 60 s has stalled.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 100L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, 900L);
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, kMaxDownloadBytes);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
  const CURLcode rc = curl_easy_perform(c);
  if (rc != CURLE_OK) {
    if (error) *error = message[0] ? message : curl_easy_strerror(rc);
    return std::nullopt;
  }
  return body;
}
