#pragma once
// The results table: the text lines shown in the main window's Memo1.
// The table is the model; the memo is only a view that catches up lazily, so a
// run of 100,000 rows never touches a text widget row by row.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The lines, each ended by CR LF (the line ends of saved result files).
std::string JoinCrlfLines(const std::vector<std::string>& lines);

class ResultTable {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }
  // Line i; an empty text when i is outside the table.
  const std::string& Line(int i) const;
  const std::vector<std::string>& Lines() const { return lines_; }

  void Clear();
  void Add(std::string line);
  void SetLine(int i, std::string line);   // ignored outside the table
  void Insert(int i, std::string line);    // 0 <= i <= Count()
  void Delete(int i);                      // ignored outside the table
  void Assign(std::vector<std::string> lines);
  // Removes every line from `first` to the end.
  void Truncate(int first);

  // All lines, each ended by CR LF (the line ends of saved result files).
  std::string Text() const;
  // Replaces the table by a text with CR LF, LF or CR line ends.
  void SetText(std::string_view text);

  // Counts every change that is not a plain append at the end; a view that
  // saw the same generation only needs the lines past its old count.
  uint64_t Generation() const { return generation_; }
  // Called after every change (appends included).
  void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

  // The table as it now stands is the one last saved or loaded.
  void MarkSaved();
  // The lines differ from those marked saved; a rewrite that gives the same
  // lines back is no change.
  bool ChangedSinceSaved() const;

 private:
  void Changed(bool append_only);
  uint64_t ContentHash() const;  // kEmptyHash for no lines
  static constexpr uint64_t kEmptyHash = 1469598103934665603ULL;
  std::vector<std::string> lines_;
  uint64_t generation_ = 0;
  // The mark: generation and count cheaply tell an untouched table, the hash
  // a touched one whose lines came back the same.
  uint64_t saved_generation_ = 0;
  int saved_count_ = 0;
  uint64_t saved_hash_ = kEmptyHash;
  std::function<void()> listener_;
};

// Splits a text at CR LF, LF or CR. A final line end adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);
