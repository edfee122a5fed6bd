// Games as SGF (FF[4], GM[4]): "x" is Black, coordinates 'a' + x and
// 'a' + y; one game tree per game, so that files can be appended to. A
// move's comment starts with the time its engine took, "time 412 ms".
#pragma once

#include <filesystem>
#include <mutex>
#include <string>

#include "match/game.hpp"

namespace pentad::match {

// `date` as YYYY-MM-DD, left out when empty.
std::string GameSgf(const GameRecord& record, const std::string& date = "");

std::string TodayText();

// An SGF collection that grows by one game at a time, each written whole
// and flushed, so that an interrupted match keeps its finished games.
class SgfCollection {
 public:
  ~SgfCollection();
  bool Open(const std::filesystem::path& path, std::string* error);
  bool Append(const GameRecord& record, std::string* error);

 private:
  std::mutex mutex_;
  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace pentad::match
