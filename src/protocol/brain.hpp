// The pipe brain: the manager's commands in, the brain's answers out, every
// move decided by the engine exactly as a turn decides it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "classic/book/book_cache.hpp"
#include "classic/decision/decision.hpp"
#include "engine/strong_decision.hpp"
#include "protocol/brain_board.hpp"
#include "protocol/command_parsing.hpp"
#include "protocol/protocol_io.hpp"
#include "protocol/time_rule.hpp"

namespace pentad::protocol {

inline constexpr const char* kAboutLine =
    "name=\"pentad\", version=\"" PENTAD_VERSION "\", author=\"Pentad developers\", country=\"-\"";
inline constexpr const char* kStrongAboutLine = "name=\"pentad-strong\", version=\"" PENTAD_VERSION
                                                "\", author=\"Pentad developers\", country=\"-\"";

// The strong engine's tables take at most this share of INFO max_memory:
// the rest is the program's own.
inline constexpr int kHashShareOfMemory = 2;

struct BrainOptions {
  EngineKind engine = EngineKind::kClassic;
  std::optional<int64_t> nodes;   // strong engine: nodes per move; overrides INFO max_node
  std::optional<uint32_t> seed;   // every decision uses it; default: the time of day
  std::optional<int64_t> checks;  // replaces the clock; overrides INFO max_node
  std::filesystem::path dataDir;  // book files and "LEARN.ini"
};

class Brain {
 public:
  Brain(BrainOptions options, ProtocolOutput& output, CommandQueue& queue)
      : options_(std::move(options)), output_(output), queue_(queue) {}

  // Carries out one line; false once the brain is to end.
  bool Handle(const InputLine& line);
  // The input has ended; a block still open is dropped with a word why.
  void EndOfInput();

 private:
  struct BoardBlock {
    bool answer;  // BOARD answers a move, YXBOARD only sets the position
    classic::TimeBudget::Clock::time_point startedAt;
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
  void Turn(const std::string& square, classic::TimeBudget::Clock::time_point readAt);
  void TakeBack(const std::string& square);
  void Info(const std::string& rest);
  void InfoRule(int64_t rule);

  void NewGame();
  void AnswerMove(classic::TimeBudget::Clock::time_point readAt);
  // The move of each engine, not yet checked against the board.
  Square DecideClassic(classic::TimeBudget::Clock::time_point readAt);
  Square DecideStrong(classic::TimeBudget::Clock::time_point readAt);
  strong::StrongEngine& Strong();
  void ReportIteration(const strong::IterationReport& report);
  classic::DecisionSettings SettingsFor(classic::TimeBudget::Clock::time_point readAt);
  Square LegalOrFallback(Square chosen);

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
  classic::book::BookCache books_;  // read once, again only when a book file changes
  // Made at the first strong move, with tables sized by INFO max_memory
  // then; kept for the whole session, so that they outlive the move.
  std::unique_ptr<strong::StrongEngine> strong_;
  size_t strongHashBytes_ = 0;
};

// The whole brain on two file descriptors; returns the exit status.
int RunBrain(const BrainOptions& options, int inputFd, int outputFd);

}  // namespace pentad::protocol
