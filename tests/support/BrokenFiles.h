#pragma once
// Broken versions of a valid file, as a disk, a download or a careless copy
// leaves them: cut short at several points, overwritten with garbage, or with
// one field set to a huge count. Window tests open each through the real
// command after a good file was open.
#include <QString>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/ui/DialogService.h"
#include "support/FileBytes.h"
#include "support/NotAFile.h"

struct BrokenFile {
  std::string name;
  std::string bytes;
};

// The file cut to nothing, 1 byte, a few bytes, half, and all but its last byte.
inline std::vector<BrokenFile> CutShort(const std::string& good) {
  std::vector<BrokenFile> out;
  for (size_t keep : {size_t{0}, size_t{1}, size_t{6}, good.size() / 2, good.size() - 1})
    if (keep < good.size()) out.push_back({"cut at " + std::to_string(keep), good.substr(0, keep)});
  return out;
}

// The file cut at every `step` bytes from `first` on.
inline std::vector<BrokenFile> CutEvery(const std::string& good, size_t first, size_t step) {
  std::vector<BrokenFile> out;
  for (size_t keep = first; keep < good.size(); keep += step)
    out.push_back({"cut at " + std::to_string(keep), good.substr(0, keep)});
  return out;
}

// The file's bytes from `from` on replaced by a fixed garbage pattern.
inline BrokenFile Garbled(const std::string& good, size_t from) {
  std::string bytes = good;
  uint32_t state = 12345;
  for (size_t i = std::min(from, bytes.size()); i < bytes.size(); ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(state >> 24);
  }
  return {"garbage from " + std::to_string(from), bytes};
}

// The 32-bit little-endian field at `offset` set to `value`.
inline BrokenFile WithField32(const std::string& good, size_t offset, uint32_t value, const std::string& what) {
  std::string bytes = good;
  for (int i = 0; i < 4 && offset + static_cast<size_t>(i) < bytes.size(); ++i)
    bytes[offset + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return {what, bytes};
}

inline QString WriteFileBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return QString::fromStdString(p.string());
}

// A message the observer can act on: not empty, and more than a library's
// or an exception's bare text (those are one short phrase without the file).
inline bool IsClearMessage(const QString& text) {
  const QString t = text.trimmed();
  if (t.size() < 12) return false;
  for (const char* bare : {"std::", "basic_string", "bad_alloc", "vector::", "unknown error", "Unknown error"})
    if (t.contains(bare)) return false;
  return true;
}

// Writes `bytes` to `path`, has the open dialog answer it and runs `open`:
// success when exactly one clear message was shown.
inline ::testing::AssertionResult RefusedWithOneClearMessage(ScriptedDialogService& dialogs,
                                                             const std::filesystem::path& path,
                                                             const std::string& bytes,
                                                             const std::function<void()>& open) {
  dialogs.messages.clear();
  dialogs.open_file_names.push_back(WriteFileBytes(path, bytes));
  open();
  if (dialogs.messages.size() != 1)
    return ::testing::AssertionFailure() << dialogs.messages.size() << " messages instead of one";
  if (!IsClearMessage(dialogs.messages[0].text))
    return ::testing::AssertionFailure() << "unclear message: " << dialogs.messages[0].text.toStdString();
  return ::testing::AssertionSuccess();
}

// Makes `path` the kind asked for, has the open dialog answer it and runs
// `open`: success when it did not wait on a pipe and showed exactly one
// clear message.
inline ::testing::AssertionResult RefusedOnceWithoutWaiting(ScriptedDialogService& dialogs,
                                                            const std::filesystem::path& path, NotAFileKind kind,
                                                            const std::function<void()>& open) {
  const auto pipe = MakeNotAFile(path, kind);
  dialogs.messages.clear();
  dialogs.open_file_names.push_back(QString::fromStdString(path.string()));
  open();
  if (pipe && pipe->ReaderWasStuck()) return ::testing::AssertionFailure() << "waited on the pipe";
  if (dialogs.messages.size() != 1)
    return ::testing::AssertionFailure() << dialogs.messages.size() << " messages instead of one";
  if (!IsClearMessage(dialogs.messages[0].text))
    return ::testing::AssertionFailure() << "unclear message: " << dialogs.messages[0].text.toStdString();
  return ::testing::AssertionSuccess();
}
