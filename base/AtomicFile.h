#pragma once
// Whole-file reads and atomic writes.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// A plain file that nobody may write (marked read-only): a save refuses to
// replace it.
bool IsReadOnlyFile(const std::filesystem::path& path);

// Writes `data` to a temporary file in the target's folder, flushes it and
// renames it over the target, so a failed save leaves the old file intact.
// A target that is a symbolic link stays one: the file it names is replaced.
// A read-only target is refused and left as it was.
// On failure returns false and, when `error` is given, a readable reason.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view data,
                     std::string* error = nullptr);

// A descriptor for reading `path`, or -1 (errno set) when it cannot be
// opened or is no plain file: a folder, a device, or a named pipe (opened
// without waiting for a writer, so choosing one never hangs the program).
int OpenPlainFileForReading(const std::filesystem::path& path);

// The whole file, or nothing when it cannot be read, is no plain file or is
// larger than `max_bytes`.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, size_t max_bytes);

// True when `path` is a plain file of more than `max_bytes`: tells a file
// ReadWholeFile refused for its size from one it could not read.
bool IsPlainFileLargerThan(const std::filesystem::path& path, size_t max_bytes);
