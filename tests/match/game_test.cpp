// The referee and the game records, with scripted players in place of
// engine processes.
#include "match/game.hpp"

#include <gtest/gtest.h>

#include <deque>

#include "match/sgf.hpp"

namespace pentad::match {
namespace {

MoveReply Failure(LossKind fault, const std::string& reason) {
  MoveReply reply;
  reply.fault = fault;
  reply.reason = reason;
  return reply;
}

EngineSetup Named(const std::string& name) {
  EngineSetup setup;
  setup.name = name;
  return setup;
}

// Plays its script; a reply with a fault where the script says so.
class ScriptedPlayer : public Player {
 public:
  ScriptedPlayer(std::deque<MoveReply> script, std::vector<Milliseconds>& limits)
      : script_(std::move(script)), limits_(limits) {}
  MoveReply Start(const TimeControl&, const Cancellation&) override { return {}; }
  MoveReply Play(const MoveQuery& request, const Cancellation&) override {
    limits_.push_back(request.limit);
    if (script_.empty()) return Failure(LossKind::kTime, "script ended");
    MoveReply reply = std::move(script_.front());
    script_.pop_front();
    return reply;
  }
  void Finish(bool) override {}

 private:
  std::deque<MoveReply> script_;
  std::vector<Milliseconds>& limits_;  // asked of this player, move by move
};

MoveReply At(int x, int y, Milliseconds elapsed = Milliseconds(0)) {
  MoveReply reply;
  reply.point = Point{x, y};
  reply.elapsed = elapsed;
  return reply;
}

struct Table {
  EngineSetup x = Named("first");
  EngineSetup o = Named("second");
  std::deque<MoveReply> xScript;
  std::deque<MoveReply> oScript;
  std::vector<Milliseconds> xLimits;
  std::vector<Milliseconds> oLimits;

  GameRecord Play(GameSetup setup = {}) {
    setup.x = &x;
    setup.o = &o;
    Cancellation cancel;
    return PlayGame(setup, cancel, [&](const EngineSetup& setup) -> std::unique_ptr<Player> {
      const bool isX = &setup == &x;
      return std::make_unique<ScriptedPlayer>(isX ? xScript : oScript, isX ? xLimits : oLimits);
    });
  }
};

TEST(MatchGame, FiveEndsTheGameForItsMakerAndMoveTimesAreKept) {
  Table table;
  for (int i = 0; i < 5; ++i) table.xScript.push_back(At(19, 15 + i, Milliseconds(10 * i)));
  table.xScript[2].elapsed = Milliseconds(6000);  // over the 5000 ms a move
  for (int i = 0; i < 5; ++i) table.oScript.push_back(At(0, i, Milliseconds(7)));
  table.oScript.front().notes = {"MESSAGE hello"};
  const GameRecord record = table.Play();
  EXPECT_EQ(record.outcome, Outcome::kXWins);
  EXPECT_EQ(record.loss, LossKind::kFive);
  EXPECT_EQ(record.moves.size(), 9u);
  EXPECT_EQ(record.ScoreOfA(), 1.0);
  EXPECT_EQ(GameSgf(record),
            "(;FF[4]GM[4]SZ[20]CA[UTF-8]GN[Game 1]PB[first]PW[second]RE[B+]\n"
            ";B[tp]C[time 0 ms];W[aa]C[time 7 ms\nMESSAGE hello];B[tq]C[time 10 ms];"
            "W[ab]C[time 7 ms];B[tr]C[time 6000 ms];W[ac]C[time 7 ms];B[ts]C[time 30 ms];"
            "W[ad]C[time 7 ms];B[tt]C[time 40 ms])\n");
  const MoveTimes& x = record.times[0];
  EXPECT_EQ(x.moves, 5);
  EXPECT_EQ(x.longest, Milliseconds(6000));
  EXPECT_EQ(x.overLimit, 1);
  EXPECT_DOUBLE_EQ(x.MeanMs(), 6080.0 / 5);
  EXPECT_EQ(record.times[1].moves, 4);
  EXPECT_EQ(record.times[1].overLimit, 0);
}

TEST(MatchGame, IllegalMovesLoseWithTheReason) {
  struct Case {
    MoveReply oReply;
    LossKind loss;
    const char* reason;
    const char* result;
  };
  const MoveReply garbage = Failure(LossKind::kIllegal, "unparsable move \"hello\"");
  const MoveReply slow = Failure(LossKind::kTime, "no move within 300 ms");
  const MoveReply crashed = Failure(LossKind::kCrash, "crashed (signal 11, SIGSEGV)");
  const Case cases[] = {
      {At(20, 3), LossKind::kIllegal, "move 20,3 is off the board", "B+F"},
      {At(3, -1), LossKind::kIllegal, "move 3,-1 is off the board", "B+F"},
      {At(7, 7), LossKind::kIllegal, "move 7,7 is onto a stone", "B+F"},
      {garbage, LossKind::kIllegal, "unparsable move \"hello\"", "B+F"},
      {slow, LossKind::kTime, "no move within 300 ms", "B+T"},
      {crashed, LossKind::kCrash, "crashed (signal 11, SIGSEGV)", "B+F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    Table table;
    table.xScript = {At(7, 7)};
    table.oScript = {c.oReply};
    const GameRecord record = table.Play();
    EXPECT_EQ(record.outcome, Outcome::kXWins);
    EXPECT_EQ(record.loss, c.loss);
    EXPECT_EQ(record.reason, c.reason);
    const std::string sgf = GameSgf(record);
    EXPECT_NE(sgf.find(std::string("RE[") + c.result + "]"), std::string::npos) << sgf;
    EXPECT_NE(sgf.find(std::string("C[W (second) lost: ") + c.reason), std::string::npos) << sgf;
  }
}

// A full board whose colouring has no five for either side.
int PatternSide(int x, int y) {
  return (x / 2 + y) % 2;
}

TEST(MatchGame, FullBoardWithoutFiveIsADraw) {
  Table table;
  for (int y = 0; y < kBoardSize; ++y)
    for (int x = 0; x < kBoardSize; ++x)
      (PatternSide(x, y) == 0 ? table.xScript : table.oScript).push_back(At(x, y));
  const GameRecord record = table.Play();
  EXPECT_EQ(record.outcome, Outcome::kDraw);
  EXPECT_EQ(record.reason, "full board");
  EXPECT_EQ(record.moves.size(), 400u);
  EXPECT_EQ(record.ScoreOfA(), 0.5);
  EXPECT_NE(GameSgf(record).find("RE[0]"), std::string::npos);
}

TEST(MatchGame, OpeningComesFirstAndTheSideToMoveFollowsIt) {
  Table table;
  table.oScript = {At(0, 0), At(0, 1), At(0, 2), At(0, 3), At(0, 4)};
  table.xScript = {At(19, 0), At(19, 1), At(19, 2), At(19, 3)};
  GameSetup setup;
  setup.openingIndex = 2;
  setup.opening = {{10, 10}, {11, 10}, {12, 12}};  // x, o, x: "o" to move
  setup.aPlaysX = false;
  const GameRecord record = table.Play(setup);
  EXPECT_EQ(record.outcome, Outcome::kOWins);
  EXPECT_EQ(record.ScoreOfA(), 1.0);
  ASSERT_EQ(record.moves.size(), 12u);
  EXPECT_EQ(record.moves[3], (Point{0, 0}));
  const std::string sgf = GameSgf(record);
  EXPECT_NE(sgf.find("RE[W+]C[Opening 3: the first 3 moves]\n;B[kk];W[lk];B[mm];W[aa]"),
            std::string::npos)
      << sgf;
}

TEST(MatchGame, GameTimeShortensTheMoveLimit) {
  Table table;
  table.xScript = {At(0, 0, Milliseconds(700)), At(1, 0, Milliseconds(200))};
  table.oScript = {At(0, 1), At(1, 1)};
  GameSetup setup;
  setup.time.moveTime = Milliseconds(1000);
  setup.time.gameTime = Milliseconds(1500);
  const GameRecord record = table.Play(setup);
  ASSERT_GE(table.xLimits.size(), 3u);
  EXPECT_EQ(table.xLimits[0], Milliseconds(1000));
  EXPECT_EQ(table.xLimits[1], Milliseconds(800));
  EXPECT_EQ(table.xLimits[2], Milliseconds(600));
  EXPECT_EQ(record.timeUsed[0], Milliseconds(900));
}

TEST(MatchGame, SgfEscapesNamesAndComments) {
  GameRecord record;
  record.names = {"a]b", "c\\d"};
  record.moves = {{0, 0}};
  record.notes = {{"MESSAGE [x]"}};
  record.outcome = Outcome::kOWins;
  record.loss = LossKind::kTime;
  record.reason = "no move";
  EXPECT_EQ(GameSgf(record, "2024-05-06"),
            "(;FF[4]GM[4]SZ[20]CA[UTF-8]GN[Game 1]PB[a\\]b]PW[c\\\\d]DT[2024-05-06]RE[W+T]"
            "C[B (a\\]b) lost: no move]\n;B[aa]C[MESSAGE [x\\]])\n");
}

}  // namespace
}  // namespace pentad::match
