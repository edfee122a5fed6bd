#include "protocol/brain.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <exception>
#include <thread>

#include "common/version.hpp"

namespace pentad::protocol {

namespace {

std::string SquareText(Point s) {
  return std::to_string(s.x) + "," + std::to_string(s.y);
}

// Nothing may ever reach standard error (a common manager reads it as part
// of the answers), whatever a library or the runtime might print there.
void SilenceStandardError() {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null < 0) return;
  ::dup2(null, STDERR_FILENO);
  ::close(null);
}

}  // namespace

std::string AboutLine(engine::EngineKind kind) {
  return std::string("name=\"") + engine::AboutName(kind) + "\", version=\"" + kVersion +
         "\", author=\"Pentad developers\", country=\"-\"";
}

Brain::Brain(BrainOptions options, ProtocolOutput& output, CommandQueue& queue)
    : options_(std::move(options)),
      output_(output),
      queue_(queue),
      engine_(engine::MakeEngine(options_.engine)) {}

bool Brain::Handle(const InputLine& line) {
  if (line.overlong) {
    if (block_)
      AbandonBlock("a line longer than " + std::to_string(LineReader::kMaxLineLength) +
                   " characters");
    Error("line longer than " + std::to_string(LineReader::kMaxLineLength) + " characters ignored");
    return true;
  }
  if (block_ && ContinueBlock(line)) return true;
  return HandleCommand(line);
}

void Brain::EndOfInput() {
  if (block_) AbandonBlock("the end of the input");
}

bool Brain::HandleCommand(const InputLine& line) {
  const CommandLine command = SplitCommand(line.text);
  const std::string& k = command.keyword;
  if (k.empty() || k == "STOP" || k == "YXSTOP") return true;  // nothing left to stop
  if (k == "END") return false;
  if (k == "START") {
    Start(command.rest);
  } else if (k == "RECTSTART") {
    RectStart(command.rest);
  } else if (k == "RESTART") {
    Restart();
  } else if (k == "BEGIN") {
    AnswerMove(line.readAt);
  } else if (k == "TURN") {
    Turn(command.rest, line.readAt);
  } else if (k == "BOARD" || k == "YXBOARD") {
    block_ = BoardBlock{k == "BOARD", line.readAt, {}, "", 0};
  } else if (k == "DONE") {
    Error("DONE without BOARD");
  } else if (k == "TAKEBACK") {
    TakeBack(command.rest);
  } else if (k == "INFO") {
    Info(command.rest);
  } else if (k == "ABOUT") {
    output_.Send(AboutLine(engine_->Kind()));
  } else {
    output_.Send("UNKNOWN command " + k);
  }
  return true;
}

bool Brain::ContinueBlock(const InputLine& line) {
  const std::string text = Trim(line.text);
  if (UpperCase(text) == "DONE") {
    FinishBlock();
  } else if (LooksLikeCommand(text)) {
    AbandonBlock("\"" + SplitCommand(text).keyword + "\" before DONE");
    return false;
  } else if (!text.empty()) {
    AddBlockEntry(text);
  }
  return true;
}

void Brain::AddBlockEntry(const std::string& text) {
  BoardBlock& block = *block_;
  ++block.lines;
  if (!block.error.empty()) return;
  const auto entry = ParseBoardEntry(text);
  if (!entry.value) {
    block.error = "line " + std::to_string(block.lines) + ": " + entry.error;
    return;
  }
  for (const BoardEntry& e : block.entries)
    if (e.square.x == entry.value->square.x && e.square.y == entry.value->square.y) {
      block.error = "line " + std::to_string(block.lines) + ": square " + SquareText(e.square) +
                    " given twice";
      return;
    }
  block.entries.push_back(*entry.value);
}

void Brain::AbandonBlock(const std::string& why) {
  const char* name = block_->answer ? "BOARD" : "YXBOARD";
  block_.reset();
  Error(std::string(name) + " block ended by " + why + ": position unchanged");
}

void Brain::FinishBlock() {
  const BoardBlock block = std::move(*block_);
  block_.reset();
  const char* name = block.answer ? "BOARD" : "YXBOARD";
  if (!block.error.empty()) {
    Error(std::string(name) + " " + block.error + ": position unchanged");
    return;
  }
  BrainBoard board;
  for (const BoardEntry& e : block.entries) board.Place(e.square, e.stone);
  if (block.answer && board.Full()) {
    Error("BOARD leaves no empty square to play: position unchanged");
    return;
  }
  board_ = board;
  if (block.answer) AnswerMove(block.startedAt);
}

void Brain::Start(const std::string& size) {
  const auto n = ParseInteger(size);
  if (!n) {
    Error("START needs the board size, e.g. START 20");
  } else if (*n != kBoardSize) {
    Error("unsupported board size " + size + ": Pentad plays on 20 x 20 only");
  } else {
    NewGame();
    Ok();
  }
}

void Brain::RectStart(const std::string& size) {
  const auto comma = size.find(',');
  const auto w = ParseInteger(Trim(size.substr(0, comma)));
  const auto h =
      comma == std::string::npos ? std::nullopt : ParseInteger(Trim(size.substr(comma + 1)));
  if (!w || !h) {
    Error("RECTSTART needs the board size as W,H, e.g. RECTSTART 20,20");
  } else if (*w != kBoardSize || *h != kBoardSize) {
    Error("unsupported board size " + Trim(size) + ": Pentad plays on 20 x 20 only");
  } else {
    NewGame();
    Ok();
  }
}

void Brain::Restart() {
  NewGame();
  Ok();
}

// What the engine learnt belongs to the game that ended.
void Brain::NewGame() {
  board_.Clear();
  engine_->NewGame();
}

void Brain::Turn(const std::string& text, engine::Clock::time_point readAt) {
  const auto square = ParseSquare(text);
  if (!square.value) {
    Error("TURN: " + square.error);
    return;
  }
  const Point s = *square.value;
  if (board_.At(s) != Stone::kNone) {
    Error("TURN: square " + SquareText(s) + " is already occupied");
    return;
  }
  if (board_.Count(Stone::kNone) == 1) {
    Error("TURN: " + SquareText(s) + " fills the board, no square left to answer");
    return;
  }
  board_.Place(s, Stone::kOpponent);
  AnswerMove(readAt);
}

void Brain::TakeBack(const std::string& text) {
  const auto square = ParseSquare(text);
  if (!square.value) {
    Error("TAKEBACK: " + square.error);
    return;
  }
  if (board_.At(*square.value) == Stone::kNone) {
    Error("TAKEBACK: no stone on " + SquareText(*square.value));
    return;
  }
  board_.Remove(*square.value);
  Ok();
}

void Brain::Info(const std::string& rest) {
  const CommandLine info = SplitCommand(rest);
  const std::string key = LowerCase(info.keyword);
  if (key.empty()) {
    Error("INFO needs a key and a value, e.g. INFO timeout_turn 1000");
    return;
  }
  std::optional<int64_t>* limit = key == "timeout_turn"    ? &limits_.timeoutTurn
                                  : key == "timeout_match" ? &limits_.timeoutMatch
                                  : key == "time_left"     ? &limits_.timeLeft
                                                           : nullptr;
  const bool memory = key == "max_memory";
  const bool numeric = limit != nullptr || key == "max_node" || key == "rule" || memory;
  if (!numeric) return;  // keys without a bearing on this brain, known or not
  const auto value = ParseInteger(info.rest);
  if (!value) {
    Error("INFO " + key + " needs a whole number, got \"" + info.rest + "\"");
    return;
  }
  if (limit != nullptr) {
    *limit = *value;
  } else if (memory) {
    maxMemory_ = *value > 0 ? std::optional<int64_t>(*value) : std::nullopt;
    SizeTables();
  } else if (key == "max_node") {
    maxNode_ = *value > 0 ? std::optional<int64_t>(*value) : std::nullopt;
  } else {
    InfoRule(*value);
  }
}

void Brain::InfoRule(int64_t rule) {
  constexpr int64_t kContinuousGame = 2;
  if (rule == 0 || rule == kContinuousGame || ruleReported_) return;
  ruleReported_ = true;
  Message("rule " + std::to_string(rule) +
          " is not supported; Pentad plays freestyle (five or more in a row wins)");
}

// The engine never answers an occupied square; should it ever, the game must
// still go on, so the brain plays the free square nearest the centre.
Point Brain::LegalOrFallback(Point chosen) {
  if (OnBoard(chosen.x, chosen.y) && board_.At(chosen) == Stone::kNone) return chosen;
  Point best{-1, -1};
  int bestDistance = 1 << 30;
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const int distance = (x - 9) * (x - 9) + (y - 9) * (y - 9);
      if (board_.At({x, y}) == Stone::kNone && distance < bestDistance) {
        best = {x, y};
        bestDistance = distance;
      }
    }
  output_.Send("DEBUG engine answered " + SquareText(chosen) + ", which is not free; playing " +
               SquareText(best));
  return best;
}

void Brain::AnswerMove(engine::Clock::time_point readAt) {
  if (board_.Full()) {
    Error("no empty square left to play");
    return;
  }
  Point move{-1, -1};
  queue_.BeginDecision();
  try {
    move = Decide(readAt);
  } catch (const std::exception& e) {
    queue_.EndDecision();
    Error(std::string("the engine could not decide: ") + e.what());
    return;
  }
  queue_.EndDecision();
  move = LegalOrFallback(move);
  board_.Place(move, Stone::kOwn);
  output_.Send(SquareText(move));
}

// Made when the limit comes, never inside a move's time: never more than
// the share of the limit, and the engine's default without one.
void Brain::SizeTables() {
  size_t bytes = 0;
  if (maxMemory_)
    bytes = std::max<size_t>(static_cast<size_t>(*maxMemory_ / kHashShareOfMemory), 1);
  engine_->SetMemory(bytes);
}

Point Brain::Decide(engine::Clock::time_point readAt) {
  engine::Request request = engine::RequestFor(options_.engine, board_.ToPosition(), readAt,
                                               maxNode_, &queue_.StopFlag());
  request.limits.moveTime = MoveBudget(limits_);
  request.onProgress = [this](const engine::Progress& progress) { ReportProgress(progress); };
  return engine_->Decide(request).move;
}

// The strong engine: "depth 6, eval 35, 81234 nodes, 1624680 nodes/s, 50 ms,
// pv 9,9 10,10", a proven result "win in 5" or "loss in 4" (plies) in place
// of "eval"; the classic one: "depth 4, 1234 time checks, 50 ms".
void Brain::ReportProgress(const engine::Progress& progress) {
  const std::string depth = "depth " + std::to_string(progress.depth) + ", ";
  const std::string ms = std::to_string(progress.elapsedMs) + " ms";
  if (!progress.score) {
    Message(depth + std::to_string(progress.timeChecks.value_or(0)) + " time checks, " + ms);
    return;
  }
  const int score = *progress.score;
  const auto plies = engine::ProvenPlies(score);
  const std::string eval = !plies       ? "eval " + std::to_string(score)
                           : *plies > 0 ? "win in " + std::to_string(*plies)
                                        : "loss in " + std::to_string(-*plies);
  const int64_t nodes = progress.nodes.value_or(0);
  const int64_t perSecond = nodes * 1000 / std::max<int64_t>(progress.elapsedMs, 1);
  std::string pv;
  for (const Point p : progress.pv) pv += " " + SquareText(p);
  Message(depth + eval + ", " + std::to_string(nodes) + " nodes, " + std::to_string(perSecond) +
          " nodes/s, " + ms + ", pv" + pv);
}

int RunBrain(const BrainOptions& options, int inputFd, int outputFd) {
  SilenceStandardError();
  std::signal(SIGPIPE, SIG_IGN);
  ProtocolOutput output(outputFd);
  CommandQueue queue;
  LineReader reader(inputFd);
  std::thread readerThread([&] { ReadCommands(reader, queue, output); });
  Brain brain(options, output, queue);
  bool running = true;
  while (running) {
    const auto line = queue.Pop();
    if (!line) {
      brain.EndOfInput();
      break;
    }
    try {
      running = brain.Handle(*line);
    } catch (const std::exception& e) {
      output.Send(std::string("ERROR internal fault: ") + e.what());
    }
  }
  readerThread.join();
  return 0;
}

}  // namespace pentad::protocol
