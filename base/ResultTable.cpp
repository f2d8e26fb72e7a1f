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
