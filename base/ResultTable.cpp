#include "base/ResultTable.h"

namespace {
const std::string kNoLine;

// A row built by appending keeps the spare capacity of its last growth, up to
// as much again as its text; a table of a million rows stores only the text.
std::string Fitted(std::string line) {
  line.shrink_to_fit();
  return line;
}
}  // namespace

const std::string& ResultTable::Line(int i) const {
  if (i < 0 || i >= Count()) return kNoLine;
  return lines_[static_cast<size_t>(i)];
}

void ResultTable::Clear() {
  lines_.clear();
  Changed(false);
}

void ResultTable::Add(std::string line) {
  lines_.push_back(Fitted(std::move(line)));
  Changed(true);
}

void ResultTable::SetLine(int i, std::string line) {
  if (i < 0 || i >= Count()) return;
  lines_[static_cast<size_t>(i)] = Fitted(std::move(line));
  Changed(false);
}

void ResultTable::Insert(int i, std::string line) {
  if (i < 0 || i > Count()) return;
  bool at_end = i == Count();
  lines_.insert(lines_.begin() + i, Fitted(std::move(line)));
  Changed(at_end);
}

void ResultTable::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  lines_.erase(lines_.begin() + i);
  Changed(false);
}

void ResultTable::Assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  Changed(false);
}

void ResultTable::Truncate(int first) {
  if (first < 0) first = 0;
  if (first >= Count()) return;
  lines_.resize(static_cast<size_t>(first));
  Changed(false);
}

std::string JoinCrlfLines(const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const auto& l : lines) size += l.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::string ResultTable::Text() const {
  return JoinCrlfLines(lines_);
}

void ResultTable::SetText(std::string_view text) { Assign(SplitTextLines(text)); }

void ResultTable::MarkSaved() {
  saved_generation_ = generation_;
  saved_count_ = Count();
  saved_hash_ = ContentHash();
}

bool ResultTable::ChangedSinceSaved() const {
  if (generation_ == saved_generation_ && Count() == saved_count_) return false;
  return Count() != saved_count_ || ContentHash() != saved_hash_;
}

uint64_t ResultTable::ContentHash() const {
  uint64_t h = kEmptyHash;
  for (const std::string& l : lines_) {
    // Each line's own hash, mixed with its place: moved lines differ too.
    h ^= std::hash<std::string_view>{}(l) + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
  }
  return h;
}

void ResultTable::Changed(bool append_only) {
  if (!append_only) ++generation_;
  if (listener_) listener_();
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text.substr(start, i - start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}
