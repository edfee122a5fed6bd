// The commands of analysis GUIs: a position without a move, the N best
// lines, squares left out of the search, the tables cleared, and what the
// brain can be given.
#include <algorithm>
#include <thread>

#include "protocol/brain.hpp"

namespace pentad::protocol {

int MaxThreads() {
  return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

// False when the keyword is none of these commands.
bool Brain::HandleAnalysisCommand(const CommandLine& command, engine::Clock::time_point readAt) {
  const std::string& k = command.keyword;
  if (k == "YXBOARD") {
    block_ = Block{BlockKind::kYxBoard, readAt, {}, "", 0};
  } else if (k == "YXBLOCK") {
    block_ = Block{BlockKind::kYxBlock, readAt, {}, "", 0};
  } else if (k == "SWAP2BOARD") {
    block_ = Block{BlockKind::kSwap2Board, readAt, {}, "", 0};
  } else if (k == "YXNBEST") {
    NBest(command.rest, readAt);
  } else if (k == "YXBLOCKUNDO") {
    BlockUndo();
  } else if (k == "YXBLOCKRESET") {
    blocked_.clear();
  } else if (k == "YXHASHCLEAR") {
    engine_->NewGame();
  } else if (k == "YXSHOWINFO") {
    ShowInfo();
  } else {
    return false;
  }
  return true;
}

void Brain::NBest(const std::string& count, engine::Clock::time_point readAt) {
  const auto n = ParseInteger(count);
  if (!n || *n < 1) {
    Error("YXNBEST needs the number of lines, 1 or more, e.g. YXNBEST 3");
    return;
  }
  AnswerMove(readAt, MoveAsk{static_cast<int>(std::min<int64_t>(*n, kBoardCells)), true});
}

void Brain::AddBlockedSquares(const Block& block) {
  for (const BoardEntry& entry : block.entries) {
    if (std::ranges::find(blocked_, entry.square) == blocked_.end()) {
      blocked_.push_back(entry.square);
    }
  }
}

void Brain::BlockUndo() {
  if (blocked_.empty()) {
    Error("YXBLOCKUNDO: no blocked square left");
    return;
  }
  blocked_.pop_back();
}

void Brain::ShowInfo() {
  Message("INFO MAX_THREAD_NUM " + std::to_string(MaxThreads()));
  Message("INFO MAX_HASH_SIZE " + std::to_string(kMaxHashKb));
}

}  // namespace pentad::protocol
