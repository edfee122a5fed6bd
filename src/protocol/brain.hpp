// The pipe brain: the manager's commands in, the brain's answers out, every
// move decided by one engine that lives for the whole session.
#pragma once

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
#include "protocol/time_rule.hpp"

namespace pentad::protocol {

// The answer to ABOUT: the engine's name and the program's version.
std::string AboutLine(engine::EngineKind kind);

// An engine's tables take at most this share of INFO max_memory: the rest
// is the program's own.
inline constexpr int kHashShareOfMemory = 2;

// What the brain plays with: the engine and its options, as the command line
// gave them. A budget of nodes or checks there overrides INFO max_node.
struct BrainOptions {
  engine::EngineOptions engine;
};

class Brain {
 public:
  // Makes the engine, tables and all, before the first command.
  Brain(BrainOptions options, ProtocolOutput& output, CommandQueue& queue);

  // Carries out one line; false once the brain is to end.
  bool Handle(const InputLine& line);
  // The input has ended; a block still open is dropped with a word why.
  void EndOfInput();

 private:
  struct BoardBlock {
    bool answer;  // BOARD answers a move, YXBOARD only sets the position
    engine::Clock::time_point startedAt;
    std::vector<BoardEntry> entries;
    std::string error;  // the first bad line
    int lines = 0;
  };

  bool HandleCommand(const InputLine& line);
  // False when the line is not part of the block but the next command.
  bool ContinueBlock(const InputLine& line);
  void AddBlockEntry(const std::string& text);
  void FinishBlock();
  void AbandonBlock(const std::string& why);

  void Start(const std::string& size);
  void RectStart(const std::string& size);
  void Restart();
  void Turn(const std::string& square, engine::Clock::time_point readAt);
  void TakeBack(const std::string& square);
  void Info(const std::string& rest);
  void InfoRule(int64_t rule);

  void NewGame();
  void AnswerMove(engine::Clock::time_point readAt);
  // The engine's move, not yet checked against the board.
  Point Decide(engine::Clock::time_point readAt);
  void ReportProgress(const engine::Progress& progress);
  void SizeTables();
  Point LegalOrFallback(Point chosen);

  void Ok() { output_.Send("OK"); }
  void Error(const std::string& reason) { output_.Send("ERROR " + reason); }
  void Message(const std::string& text) { output_.Send("MESSAGE " + text); }

  BrainOptions options_;
  ProtocolOutput& output_;
  CommandQueue& queue_;
  BrainBoard board_;
  TimeLimits limits_;
  std::optional<int64_t> maxNode_;
  std::optional<int64_t> maxMemory_;  // bytes; nothing when unlimited
  std::optional<BoardBlock> block_;
  bool ruleReported_ = false;
  // Kept for the whole session: its books are read once, its tables
  // outlive the move.
  std::unique_ptr<engine::Engine> engine_;
};

// The whole brain on two file descriptors; returns the exit status.
int RunBrain(const BrainOptions& options, int inputFd, int outputFd);

}  // namespace pentad::protocol
