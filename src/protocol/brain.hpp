// The pipe brain: the manager's commands in, the brain's answers out, every
// move decided by one engine that lives for the whole session.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/engines.hpp"
#include "protocol/brain_board.hpp"
#include "protocol/command_parsing.hpp"
#include "protocol/protocol_io.hpp"
#include "protocol/swap2.hpp"
#include "protocol/time_rule.hpp"

namespace pentad::protocol {

// The answer to ABOUT: the engine's name and the program's version.
std::string AboutLine(engine::EngineKind kind);

// An engine's tables take at most this share of INFO max_memory: the rest
// is the program's own.
inline constexpr int kHashShareOfMemory = 2;
// The largest tables INFO max_memory or hash_size may ask for, in KB, as
// YXSHOWINFO tells.
inline constexpr int64_t kMaxHashKb = int64_t{2} << 20;

// The search threads a GUI may ask for: the machine's cores.
int MaxThreads();

// What the brain plays with: the engine and its options, as the command line
// gave them. A budget of nodes or checks there overrides INFO max_node.
struct BrainOptions {
  engine::EngineOptions engine;
};

// The commands whose lines follow up to DONE.
enum class BlockKind { kBoard, kYxBoard, kYxBlock, kSwap2Board };

class Brain {
 public:
  // Makes the engine, tables and all, before the first command.
  Brain(BrainOptions options, ProtocolOutput& output, CommandQueue& queue);

  // Carries out one line; false once the brain is to end.
  bool Handle(const InputLine& line);
  // The input has ended; a block still open is dropped with a word why.
  void EndOfInput();

 private:
  struct Block {
    BlockKind kind;
    engine::Clock::time_point startedAt;
    // Squares with their owners; for the blocks of bare squares (YXBLOCK,
    // SWAP2BOARD) the owner is Stone::kNone.
    std::vector<BoardEntry> entries;
    std::string error;  // the first bad line
    int lines = 0;
  };

  // What a decision is asked beyond the move: the analysis's N best lines,
  // and whether a turn time of 0 means thinking until stopped.
  struct MoveAsk {
    int multiPv = 1;
    bool analysis = false;
  };

  bool HandleCommand(const InputLine& line);
  bool HandleAnalysisCommand(const CommandLine& command, engine::Clock::time_point readAt);
  // False when the line is not part of the block but the next command.
  bool ContinueBlock(const InputLine& line);
  void AddBlockEntry(const std::string& text);
  void FinishBlock();
  void AbandonBlock(const std::string& why);
  void SetBoard(const Block& block);
  void AddBlockedSquares(const Block& block);

  void Start(const std::string& size);
  void RectStart(const std::string& size);
  void Restart();
  void Turn(const std::string& square, engine::Clock::time_point readAt);
  void TakeBack(const std::string& square);
  void Info(const std::string& rest);
  void InfoNumber(const std::string& key, int64_t value);
  void InfoRule(int64_t rule);
  // Answers ERROR in place of a game under a rule Pentad does not play.
  bool RefusesGame();

  void NewGame();
  void NBest(const std::string& count, engine::Clock::time_point readAt);
  void BlockUndo();
  void ShowInfo();
  void AnswerMove(engine::Clock::time_point readAt, MoveAsk ask);
  // The engine's move, not yet checked against the board.
  Point Decide(engine::Clock::time_point readAt, MoveAsk ask);
  std::chrono::microseconds MoveTime(MoveAsk ask) const;
  void ReportProgress(const engine::Progress& progress, int64_t nodesBefore);
  void ReportLines(const engine::Progress& progress, int64_t nodesBefore);
  void SizeTables(std::optional<int64_t> bytes);
  Point LegalOrFallback(Point chosen);

  void Swap2(const Block& block);
  engine::Result JudgeSwap2(const Position& position);
  engine::Engine& Swap2Engine();
  void KeepSwap2Position(const std::vector<Point>& stones, const Swap2Answer& answer);

  void Ok() { output_.Send("OK"); }
  void Error(const std::string& reason) { output_.Send("ERROR " + reason); }
  void Message(const std::string& text) { output_.Send("MESSAGE " + text); }

  BrainOptions options_;
  ProtocolOutput& output_;
  CommandQueue& queue_;
  BrainBoard board_;
  TimeLimits limits_;
  std::optional<int64_t> maxNode_;
  std::optional<Block> block_;
  // An INFO rule Pentad does not play, until one it plays replaces it.
  std::optional<int64_t> refusedRule_;
  // INFO show_detail: 1 and above the best move as it changes, 2 and
  // above the lines of every finished depth.
  int showDetail_ = 0;
  // YXBLOCK's squares, the last given last: no decision plays them.
  std::vector<Point> blocked_;
  // Kept for the whole session: its books are read once, its tables
  // outlive the move.
  std::unique_ptr<engine::Engine> engine_;
  // The classic brain's strong engine for SWAP2BOARD, made when first asked.
  std::unique_ptr<engine::Engine> swap2Engine_;
};

// The whole brain on two file descriptors; returns the exit status.
int RunBrain(const BrainOptions& options, int inputFd, int outputFd);

}  // namespace pentad::protocol
