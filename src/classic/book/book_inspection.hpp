// What the book tools check and show about a book file: whether every
// record is written the way the engine can find it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "classic/book/opening_book.hpp"

namespace pentad::classic::book {

struct RecordReport {
  int fileIndex = 0;  // 1-based position in the file
  std::vector<std::string> problems;
};

struct BookReport {
  BookFileLayout layout;
  std::vector<std::string> fileProblems;
  std::vector<RecordReport> records;  // every record, in file order

  bool Clean() const;
  int RecordsWithProblems() const;
};

// 1 for "Veklo.ob1", 2 for "Veklo.ob2" (any letter case), else 0.
int BookNumberOfFileName(std::string_view fileName);

// Everything that keeps a record from being found as written, or from
// giving back the answer it was stored for. `bookNumber` 0 skips the parity
// test.
std::vector<std::string> RecordProblems(const OpeningRecord& record, const RecordLayout& layout,
                                        int bookNumber);

// Loads `data` into `book` as the engine does and reports on every record.
BookReport InspectBook(std::span<const uint8_t> data, int bookNumber, OpeningBook& book);

// The most a book file may hold for the tools: eight times what a decision
// reads of one, far beyond any book games can make.
inline constexpr size_t kMaxBookFileBytes = size_t{64} << 20;

// A whole-file read for the tools: a regular file (or a link to one) of at
// most kMaxBookFileBytes. Empty when read, else why not, as a phrase that
// follows the file's name ("is larger than 64 MiB").
std::string ReadBookFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes);

std::string StonesText(const PlayerMoves& stones);

}  // namespace pentad::classic::book
