#pragma once
// Whole-file reads and atomic writes.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Writes `data` to a temporary file in the target's folder, flushes it and
// renames it over the target, so a failed save leaves the old file intact.
// A target that is a symbolic link stays one: the file it names is replaced.
// On failure returns false and, when `error` is given, a readable reason.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view data,
                     std::string* error = nullptr);

// The whole file, or nothing when it cannot be read or is larger than
// `max_bytes`.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, size_t max_bytes);
