#include "protocol/brain.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <exception>
#include <thread>

#include "common/version.hpp"
#include "protocol/search_info.hpp"

namespace pentad::protocol {

namespace {

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
  if (HandleAnalysisCommand(command, line.readAt)) return true;
  if (k == "START") {
    Start(command.rest);
  } else if (k == "RECTSTART") {
    RectStart(command.rest);
  } else if (k == "RESTART") {
    Restart();
  } else if (k == "BEGIN") {
    AnswerMove(line.readAt, MoveAsk{});
  } else if (k == "TURN") {
    Turn(command.rest, line.readAt);
  } else if (k == "BOARD") {
    block_ = Block{BlockKind::kBoard, line.readAt, {}, "", 0};
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

namespace {

std::string NameOf(BlockKind kind) {
  switch (kind) {
    case BlockKind::kBoard:
      return "BOARD";
    case BlockKind::kYxBoard:
      return "YXBOARD";
    case BlockKind::kYxBlock:
      return "YXBLOCK";
    case BlockKind::kSwap2Board:
      break;
  }
  return "SWAP2BOARD";
}

// What a bad block leaves as it was.
const char* KeptBy(BlockKind kind) {
  return kind == BlockKind::kYxBlock ? "blocked squares" : "position";
}

// A bare square, owned by nobody, for the blocks that list squares only.
Parsed<BoardEntry> ParseBareSquare(std::string_view text) {
  const auto square = ParseSquare(text);
  if (!square.value) return {std::nullopt, square.error};
  return {BoardEntry{*square.value, Stone::kNone}, ""};
}

}  // namespace

void Brain::AddBlockEntry(const std::string& text) {
  Block& block = *block_;
  ++block.lines;
  if (!block.error.empty()) return;
  const bool owned = block.kind == BlockKind::kBoard || block.kind == BlockKind::kYxBoard;
  const auto entry = owned ? ParseBoardEntry(text) : ParseBareSquare(text);
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
  const BlockKind kind = block_->kind;
  block_.reset();
  Error(NameOf(kind) + " block ended by " + why + ": " + KeptBy(kind) + " unchanged");
}

void Brain::FinishBlock() {
  const Block block = std::move(*block_);
  block_.reset();
  if (!block.error.empty()) {
    Error(NameOf(block.kind) + " " + block.error + ": " + KeptBy(block.kind) + " unchanged");
    return;
  }
  switch (block.kind) {
    case BlockKind::kBoard:
    case BlockKind::kYxBoard:
      SetBoard(block);
      break;
    case BlockKind::kYxBlock:
      AddBlockedSquares(block);
      break;
    case BlockKind::kSwap2Board:
      Swap2(block);
      break;
  }
}

void Brain::SetBoard(const Block& block) {
  const bool answer = block.kind == BlockKind::kBoard;
  if (answer && RefusesGame()) return;
  BrainBoard board;
  for (const BoardEntry& e : block.entries) board.Place(e.square, e.stone);
  if (answer && board.Full()) {
    Error("BOARD leaves no empty square to play: position unchanged");
    return;
  }
  board_ = board;
  if (answer) AnswerMove(block.startedAt, MoveAsk{});
}

void Brain::Start(const std::string& size) {
  if (RefusesGame()) return;
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
  if (RefusesGame()) return;
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
  if (RefusesGame()) return;
  NewGame();
  Ok();
}

// What the engine learnt belongs to the game that ended, and so do the
// squares an analysis left out.
void Brain::NewGame() {
  board_.Clear();
  blocked_.clear();
  engine_->NewGame();
}

void Brain::Turn(const std::string& text, engine::Clock::time_point readAt) {
  if (RefusesGame()) return;
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
  AnswerMove(readAt, MoveAsk{});
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
  constexpr const char* kNumericKeys[] = {"timeout_turn", "timeout_match", "time_left",
                                          "max_node",     "max_memory",    "rule",
                                          "show_detail",  "thread_num",    "hash_size"};
  if (std::ranges::find(kNumericKeys, key) == std::end(kNumericKeys)) {
    return;  // keys without a bearing on this brain, known or not
  }
  const auto value = ParseInteger(info.rest);
  if (!value) {
    Error("INFO " + key + " needs a whole number, got \"" + info.rest + "\"");
    return;
  }
  InfoNumber(key, *value);
}

void Brain::InfoNumber(const std::string& key, int64_t value) {
  if (key == "timeout_turn") {
    limits_.timeoutTurn = value;
  } else if (key == "timeout_match") {
    limits_.timeoutMatch = value;
  } else if (key == "time_left") {
    limits_.timeLeft = value;
  } else if (key == "max_node") {
    maxNode_ = value > 0 ? std::optional(value) : std::nullopt;
  } else if (key == "max_memory") {
    SizeTables(value > 0 ? std::optional(value / kHashShareOfMemory) : std::nullopt);
  } else if (key == "hash_size") {
    SizeTables(value > 0 ? std::optional(std::min(value, kMaxHashKb) * 1024) : std::nullopt);
  } else if (key == "rule") {
    InfoRule(value);
  } else if (key == "show_detail") {
    showDetail_ = static_cast<int>(std::clamp<int64_t>(value, 0, 3));
  } else if (key == "thread_num") {
    options_.engine.threads = static_cast<int>(std::clamp<int64_t>(value, 1, MaxThreads()));
    engine_->SetThreads(options_.engine.threads);
  }
}

// Bits of the rule: 1 exactly five, 2 a continuous game, 4 renju, 8 caro.
// Pentad plays freestyle, in one game or continuously.
void Brain::InfoRule(int64_t rule) {
  constexpr int64_t kContinuousGame = 2;
  if (rule == 0 || rule == kContinuousGame) {
    refusedRule_.reset();
  } else {
    refusedRule_ = rule;
  }
}

bool Brain::RefusesGame() {
  if (!refusedRule_) return false;
  const int64_t rule = *refusedRule_;
  const char* name = rule < 0 || rule > 15 ? "unknown"
                     : (rule & 4) != 0     ? "renju"
                     : (rule & 8) != 0     ? "caro"
                                           : "exactly five";
  Error("rule " + std::to_string(rule) + " (" + name +
        ") is not played: Pentad plays freestyle (rule 0), also as a continuous game (rule 2)");
  return true;
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

void Brain::AnswerMove(engine::Clock::time_point readAt, MoveAsk ask) {
  if (RefusesGame()) return;
  if (board_.Full()) {
    Error("no empty square left to play");
    return;
  }
  Point move{-1, -1};
  queue_.BeginDecision();
  try {
    move = Decide(readAt, ask);
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

// Made when the limit comes, never inside a move's time; never more than
// kMaxHashKb, and the engine's default without a limit.
void Brain::SizeTables(std::optional<int64_t> bytes) {
  size_t tableBytes = 0;
  if (bytes) tableBytes = static_cast<size_t>(std::clamp<int64_t>(*bytes, 1, kMaxHashKb * 1024));
  engine_->SetMemory(tableBytes);
}

Point Brain::Decide(engine::Clock::time_point readAt, MoveAsk ask) {
  engine::Request request = engine::RequestFor(options_.engine, board_.ToPosition(), readAt,
                                               maxNode_, &queue_.StopFlag());
  request.limits.moveTime = MoveTime(ask);
  request.multiPv = ask.multiPv;
  request.excluded = blocked_;
  int64_t nodesBefore = 0;
  request.onProgress = [this, &nodesBefore](const engine::Progress& progress) {
    ReportProgress(progress, nodesBefore);
    nodesBefore = progress.nodes.value_or(0);
  };
  if (showDetail_ >= 1) {
    Message("REALTIME REFRESH");
    request.onBestMove = [this](Point move) { Message("REALTIME BEST " + SquareText(move)); };
  }
  return engine_->Decide(request).move;
}

// An analysis with a turn time of 0 thinks until it is stopped; a game's
// turn time of 0 moves at once.
std::chrono::microseconds Brain::MoveTime(MoveAsk ask) const {
  if (ask.analysis && limits_.timeoutTurn && *limits_.timeoutTurn <= 0) {
    return engine::kUntilStopped;
  }
  return MoveBudget(limits_);
}

// The strong engine: "depth 6, eval 35, 81234 nodes, 1624680 nodes/s, 50 ms,
// pv 9,9 10,10", a proven result "win in 5" or "loss in 4" (plies) in place
// of "eval"; the classic one: "depth 4, 1234 time checks, 50 ms".
void Brain::ReportProgress(const engine::Progress& progress, int64_t nodesBefore) {
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
  if (showDetail_ >= 2) ReportLines(progress, nodesBefore);
}

void Brain::ReportLines(const engine::Progress& progress, int64_t nodesBefore) {
  const int64_t nodes = progress.nodes.value_or(0);
  const DepthFigures figures{progress.depth, progress.selDepth, nodes - nodesBefore, nodes,
                             progress.elapsedMs};
  const int count = static_cast<int>(progress.lines.size());
  for (int i = 0; i < count; ++i) {
    for (const std::string& line : PvBlock(figures, i + 1, count, progress.lines[i])) {
      output_.Send(line);
    }
  }
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
