// Helpers shared by the opening book tests: positions, records and book
// files made from board coordinates.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classic/book/opening_book.hpp"

namespace pentad::classic::book::testing {

using StoneList = std::vector<std::pair<int, int>>;

inline std::unique_ptr<OpeningRecord> PositionOf(const StoneList& own, const StoneList& opp) {
  auto position = std::make_unique<OpeningRecord>();
  for (auto [x, y] : own) position->AddOwnMove(x, y);
  for (auto [x, y] : opp) position->AddOppMove(x, y);
  position->stoneCount = static_cast<int8_t>(own.size() + opp.size());
  return position;
}

// A record written the way the book tools write one: the position as
// Normalize leaves it, with its answer moved along.
inline std::unique_ptr<OpeningRecord> RecordOf(const StoneList& own, const StoneList& opp,
                                               int answerX, int answerY, uint32_t wins = 0,
                                               uint32_t losses = 0) {
  auto record = PositionOf(own, opp);
  record->answerX = static_cast<int8_t>(answerX);
  record->answerY = static_cast<int8_t>(answerY);
  record->wins = wins;
  record->losses = losses;
  record->Normalize();
  return record;
}

inline StoneList StonesOf(const PlayerMoves& list) {
  StoneList stones;
  for (int i = 0; i < list.Count(); ++i) stones.emplace_back(list.At(i)->x, list.At(i)->y);
  return stones;
}

inline std::vector<uint8_t> BookFileBytes(std::vector<std::unique_ptr<OpeningRecord>> records) {
  OpeningBook book;
  for (auto& record : records) book.Add(std::move(record));
  return BookBytes(book);
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A fresh directory under the system's temporary directory, removed at the end.
class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("pentad-book-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

struct Answer {
  int x;
  int y;
  uint32_t wins;
  uint32_t losses;
  bool operator==(const Answer&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Answer& a) {
  return out << "[" << a.x << "," << a.y << "," << a.wins << "," << a.losses << "]";
}

inline std::vector<Answer> Answers(OpeningBook& book, const OpeningRecord& query) {
  std::vector<std::unique_ptr<FoundAnswer>> results;
  book.FindAnswers(results, query);
  std::vector<Answer> answers;
  for (const auto& r : results) answers.push_back({r->answerX, r->answerY, r->wins, r->losses});
  return answers;
}

struct CommandRun {
  int status;
  std::string output;  // standard output and error together
};

inline CommandRun RunPentad(const std::string& arguments) {
  const std::string command = std::string(PENTAD_EXE) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

}  // namespace pentad::classic::book::testing
