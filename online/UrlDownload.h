#pragma once
// Fetching one file from a web or file:// address.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Every byte outside the unreserved set (letters, digits, "-", ".", "_", "~")
// as %XX: a file name made fit for the end of an address.
std::string PercentEncode(std::string_view text);

// Downloads `url` (http, https or file) to `dest`, written atomically. HTTP
// errors fail, redirects are followed, caches are asked not to answer, and a
// stalled or endless transfer times out. On failure returns false with a
// readable reason in `error` and leaves `dest` as it was.
bool DownloadUrlToFile(const std::string& url, const std::filesystem::path& dest, std::string* error = nullptr);
// The same download kept in memory; nothing with a reason in `error`.
std::optional<std::string> DownloadUrl(const std::string& url, std::string* error = nullptr);
