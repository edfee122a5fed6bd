// The pipe brain as a manager sees it: the real pbrain-pentad over pipes.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <limits>
#include <memory>
#include <regex>
#include <thread>

#include "brain_test_support.hpp"

namespace pentad::test {
namespace {

using Ms = std::chrono::milliseconds;

constexpr const char* kAbout =
    R"(name="pentad-classic", version="0.1.0", author="Pentad developers", country="-")";
constexpr const char* kStrongAbout =
    R"(name="pentad", version="0.1.0", author="Pentad developers", country="-")";

bool StartsWith(const std::optional<std::string>& line, const std::string& prefix) {
  return line && line->rfind(prefix, 0) == 0;
}

bool HasFive(const BrainView& view, int who) {
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      for (const auto& d : classic::kDirections) {
        int n = 0;
        for (int cx = x, cy = y; OnBoard(cx, cy) && view.cells[cx][cy] == who;
             cx += d.dx, cy += d.dy)
          ++n;
        if (n >= 5) return true;
      }
  return false;
}

struct DepthMessage {
  int depth;
  long long checks;
  long long ms;
};

// "MESSAGE depth D, C time checks, T ms", nothing more and nothing less.
std::optional<DepthMessage> ParseDepthMessage(const std::string& line) {
  DepthMessage m{};
  int end = 0;
  const int n = std::sscanf(line.c_str(), "MESSAGE depth %d, %lld time checks, %lld ms%n", &m.depth,
                            &m.checks, &m.ms, &end);
  if (n != 3 || end != static_cast<int>(line.size())) return std::nullopt;
  return m;
}

class BrainSessionTest : public ::testing::Test {
 protected:
  BrainProcess& Launch(std::vector<std::string> args = {}, const char* program = kClassicBrainExe) {
    args.insert(args.begin(), program);
    brain_ = std::make_unique<BrainProcess>(args);
    EXPECT_TRUE(brain_->Started());
    return *brain_;
  }

  // Ends the session as a manager would and checks what every session owes.
  void Finish() {
    if (!brain_) return;
    brain_->CloseInput();
    EXPECT_EQ(brain_->WaitExit(), 0);
    EXPECT_EQ(brain_->ErrorOutput(), "");
    EXPECT_EQ(brain_->badLineEnds, 0) << "every line must end with CR LF";
    brain_.reset();
  }

  void TearDown() override { Finish(); }

  std::unique_ptr<BrainProcess> brain_;
};

TEST_F(BrainSessionTest, AnswersAboutInAnyLetterCase) {
  BrainProcess& brain = Launch();
  for (const char* command : {"ABOUT", "about\r", "  About  "})
    EXPECT_EQ(brain.Ask(command), kAbout);
}

TEST_F(BrainSessionTest, AcceptsOnlyTheTwentyBoard) {
  BrainProcess& brain = Launch();
  const std::pair<const char*, const char*> cases[] = {
      {"START 20", "OK"},        {"start 20\r", "OK"},         {"RECTSTART 20,20", "OK"},
      {"START 15", "ERROR"},     {"RECTSTART 20,15", "ERROR"}, {"START", "ERROR"},
      {"START twenty", "ERROR"}, {"RECTSTART 20", "ERROR"},    {"RECTSTART 30,30", "ERROR"},
  };
  for (const auto& [command, answer] : cases)
    EXPECT_TRUE(StartsWith(brain.Ask(command), answer)) << command;
}

// The opponent fills the top rows from the corner and never defends: a
// brain that reads its own stones right wins in the centre.
TEST_F(BrainSessionTest, WinsAWholeGameAgainstAnOpponentThatNeverDefends) {
  BrainProcess& brain = Launch({"--seed", "3", "--checks", "3000"});
  ASSERT_EQ(brain.Ask("START 20"), "OK");
  BrainView view;
  auto answer = ParseMove(brain.Ask("BEGIN"));
  ASSERT_EQ(answer, (Move{9, 9}));
  int filler = 0;
  for (int moves = 1; moves <= 40 && !HasFive(view, 1); ++moves) {
    ASSERT_TRUE(answer) << "move " << moves;
    ASSERT_EQ(view.at(*answer), 0) << MoveText(*answer) << " is occupied";
    view.at(*answer) = 1;
    if (HasFive(view, 1)) break;
    while (view.cells[filler % kBoardSize][filler / kBoardSize] != 0) ++filler;
    const Move reply{filler % kBoardSize, filler / kBoardSize};
    view.at(reply) = 2;
    answer = ParseMove(brain.Ask("TURN " + MoveText(reply)));
  }
  EXPECT_TRUE(HasFive(view, 1)) << "no five after 40 moves";
  brain.Send("END");
  EXPECT_EQ(brain.WaitExit(Ms(1000)), 0);
}

struct BoardCase {
  const char* name;
  std::vector<std::pair<Move, int>> stones;  // 1 own, 2 opponent, 3 continuous game
  Move expected;
};

// Two closed fours, one for each side at different squares: the answer shows
// which stones the brain takes for its own.
std::vector<std::pair<Move, int>> TwoFours(int opponentField, bool extraOpponentStone) {
  std::vector<std::pair<Move, int>> stones;
  for (int x = 5; x <= 8; ++x) {
    stones.push_back({{x, 3}, 1});
    stones.push_back({{x, 12}, opponentField});
  }
  stones.push_back({{4, 3}, opponentField});
  stones.push_back({{4, 12}, 1});
  if (extraOpponentStone) stones.push_back({{15, 17}, opponentField});
  return stones;
}

TEST_F(BrainSessionTest, BoardSetsUpThePositionAndAnswers) {
  const BoardCase cases[] = {
      {"brain moved first (plays x)", TwoFours(2, false), {9, 3}},
      {"opponent moved first (brain plays o)", TwoFours(2, true), {9, 3}},
      {"continuous-game stones are the opponent's", TwoFours(3, true), {9, 3}},
      {"blocks the opponent's four",
       {{{4, 12}, 1}, {{10, 5}, 1}, {{5, 12}, 2}, {{6, 12}, 2}, {{7, 12}, 2}, {{8, 12}, 2}},
       {9, 12}},
  };
  BrainProcess& brain = Launch({"--seed", "1", "--checks", "2000"});
  ASSERT_EQ(brain.Ask("START 20"), "OK");
  for (const BoardCase& c : cases) {
    std::string block = "BOARD\n";
    for (const auto& [m, field] : c.stones)
      block += MoveText(m) + "," + std::to_string(field) + "\n";
    EXPECT_EQ(ParseMove(brain.Ask(block + "DONE")), c.expected) << c.name;
    // The position stays set for the game to go on from it.
    EXPECT_TRUE(StartsWith(brain.Ask("TURN " + MoveText(c.stones[0].first)), "ERROR")) << c.name;
    EXPECT_TRUE(StartsWith(brain.Ask("TURN " + MoveText(c.expected)), "ERROR")) << c.name;
  }
}

TEST_F(BrainSessionTest, YxBoardSetsThePositionWithoutAnswering) {
  BrainProcess& brain = Launch({"--seed", "1", "--checks", "2000"});
  BrainView view;
  for (const auto& [m, field] : TwoFours(2, false)) view.at(m) = field;
  brain.Send(view.Block("YXBOARD"));
  EXPECT_EQ(brain.Ask("ABOUT"), kAbout) << "YXBOARD must not answer a move";
  EXPECT_TRUE(StartsWith(brain.Ask("TURN 5,3"), "ERROR"));
  EXPECT_EQ(ParseMove(brain.Ask("TURN 17,17")), (Move{9, 3}));
}

TEST_F(BrainSessionTest, TakebackRemovesStonesOfEitherSide) {
  BrainProcess& brain = Launch({"--seed", "1", "--checks", "500"});
  ASSERT_EQ(brain.Ask("START 20"), "OK");
  ASSERT_EQ(ParseMove(brain.Ask("BEGIN")), (Move{9, 9}));
  const auto reply = ParseMove(brain.Ask("TURN 0,0"));
  ASSERT_TRUE(reply);
  EXPECT_EQ(brain.Ask("TAKEBACK " + MoveText(*reply)), "OK");
  EXPECT_EQ(brain.Ask("takeback 0,0"), "OK");
  EXPECT_TRUE(StartsWith(brain.Ask("TAKEBACK 0,0"), "ERROR"));
  EXPECT_EQ(brain.Ask("TAKEBACK 9,9"), "OK");
  // An empty board again: the centre, by the first-move rule.
  EXPECT_EQ(ParseMove(brain.Ask("BEGIN")), (Move{9, 9}));
}

TEST_F(BrainSessionTest, RestartEmptiesTheBoard) {
  BrainProcess& brain = Launch({"--seed", "1", "--checks", "500"});
  ASSERT_EQ(brain.Ask("START 20"), "OK");
  ASSERT_TRUE(ParseMove(brain.Ask("TURN 0,0")));
  EXPECT_EQ(brain.Ask("RESTART"), "OK");
  EXPECT_TRUE(ParseMove(brain.Ask("TURN 0,0"))) << "0,0 must be free after RESTART";
  EXPECT_EQ(brain.Ask("RESTART"), "OK");
  EXPECT_EQ(ParseMove(brain.Ask("BEGIN")), (Move{9, 9}));
}

struct BadInput {
  std::string input;
  std::vector<std::string> answers;  // expected line prefixes, in order
};

TEST_F(BrainSessionTest, SurvivesBadInputAndKeepsThePosition) {
  const BadInput cases[] = {
      {"TURN 20,5", {"ERROR"}},
      {"TURN -1,1", {"ERROR"}},
      {"TURN 1", {"ERROR"}},
      {"TURN a,b", {"ERROR"}},
      {"TURN 1,1,1", {"ERROR"}},
      {"TURN", {"ERROR"}},
      {"TURN 99999999999999999999,1", {"ERROR"}},
      {"TURN 10,10", {"ERROR"}},
      {"TAKEBACK 25,1", {"ERROR"}},
      {"TAKEBACK 1,1", {"ERROR"}},
      {"BOARD\n1,1,1\n1,1,2\nDONE", {"ERROR"}},
      {"BOARD\n1,1,4\nDONE", {"ERROR"}},
      {"BOARD\n1,1,1\n25,1,1\nDONE", {"ERROR"}},
      {"BOARD\n1,1,1\n1;2;1\nDONE", {"ERROR"}},
      {"BOARD\n1,1,1\nABOUT", {"ERROR", kAbout}},
      {"BOARD\n1,1,1\nBOARD\n2,2,1\nTURN 10,10", {"ERROR", "ERROR", "ERROR"}},
      {"YXBOARD\n1,1,1\n2,2,0\nDONE", {"ERROR"}},
      {"DONE", {"ERROR"}},
      {"INFO timeout_turn soon", {"ERROR"}},
      {"INFO", {"ERROR"}},
      {"START 19", {"ERROR"}},
      {"FOO 1,1", {"UNKNOWN"}},
      {"1,1,1", {"UNKNOWN"}},
      {"\x01\x02\xff", {"UNKNOWN"}},
      {std::string(10000, 'A'), {"ERROR"}},
      {"", {}},
      {"INFO no_such_key 5", {}},
  };
  BrainProcess& brain = Launch({"--seed", "1", "--checks", "500"});
  ASSERT_EQ(brain.Ask("START 20"), "OK");
  ASSERT_TRUE(ParseMove(brain.Ask("BOARD\n10,10,1\n11,11,2\nDONE")));
  for (const BadInput& c : cases) {
    const std::string label = c.input.substr(0, 40);
    brain.Send(c.input);
    for (const std::string& prefix : c.answers)
      EXPECT_TRUE(StartsWith(brain.ReadAnswer(), prefix)) << label;
    // Nothing of the bad input took effect, and the brain still listens.
    EXPECT_TRUE(StartsWith(brain.Ask("TAKEBACK 1,1"), "ERROR")) << label;
    EXPECT_TRUE(StartsWith(brain.Ask("TURN 10,10"), "ERROR")) << label;
    EXPECT_TRUE(StartsWith(brain.Ask("TURN 11,11"), "ERROR")) << label;
  }
  EXPECT_EQ(brain.Ask("ABOUT"), kAbout);
}

TEST_F(BrainSessionTest, EndOfInputDropsAnOpenBoardBlockAndExits) {
  BrainProcess& brain = Launch();
  brain.Send("BOARD\n1,1,1");
  brain.CloseInput();
  EXPECT_TRUE(StartsWith(brain.ReadAnswer(), "ERROR"));
  EXPECT_EQ(brain.ReadAnswer(), std::nullopt);
}

TEST_F(BrainSessionTest, EndExitsWithoutAnswer) {
  BrainProcess& brain = Launch();
  ASSERT_EQ(brain.Ask("START 20"), "OK");
  brain.Send("end");
  EXPECT_EQ(brain.WaitExit(Ms(1000)), 0);
  EXPECT_EQ(brain.ReadAnswer(Ms(100)), std::nullopt);
}

// Without INFO the busy position gets the full 4.5 seconds.
void SendBusyBoard(BrainProcess& brain) {
  brain.Send("START 20");
  ASSERT_EQ(brain.ReadAnswer(), "OK");
  brain.Send(ViewFromRows(kBusyRows, 'o').Block());
}

TEST_F(BrainSessionTest, EndDuringADecisionEndsPromptly) {
  BrainProcess& brain = Launch();
  SendBusyBoard(brain);
  std::this_thread::sleep_for(Ms(100));
  const auto sent = BrainProcess::Clock::now();
  brain.Send("END");
  EXPECT_EQ(brain.WaitExit(Ms(2000)), 0);
  EXPECT_LT(BrainProcess::Clock::now() - sent, Ms(500));
}

// A script piped into the brain ends its input right after its commands:
// they are all carried out, the move included, before the brain exits.
TEST_F(BrainSessionTest, EndOfInputAnswersWhatWasAskedThenExits) {
  BrainProcess& brain = Launch({"--checks", "2000"});
  brain.Send("START 20\nBEGIN\nTURN 10,10");
  brain.CloseInput();
  EXPECT_EQ(brain.ReadAnswer(), "OK");
  EXPECT_TRUE(ParseMove(brain.ReadAnswer()));
  EXPECT_TRUE(ParseMove(brain.ReadAnswer()));
  EXPECT_EQ(brain.WaitExit(Ms(5000)), 0);
}

// The most memory the process has held so far, in KiB.
long PeakMemoryKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Lines sent while the brain thinks wait in memory; a flood of them must
// neither grow it without end nor keep a stop from stopping.
TEST_F(BrainSessionTest, AFloodOfLinesWhileThinkingStaysSmallAndStoppable) {
  BrainProcess& brain = Launch();
  SendBusyBoard(brain);
  std::this_thread::sleep_for(Ms(100));
  const long before = PeakMemoryKiB(brain.Pid());
  std::string flood;
  for (int i = 0; i < 1'000'000; ++i) flood += "ABOUT\n";
  brain.Send(flood);
  const long after = PeakMemoryKiB(brain.Pid());
  EXPECT_LT(after - before, 16 * 1024) << "KiB";
  const auto sent = BrainProcess::Clock::now();
  brain.Send("YXSTOP");
  int moves = 0, errors = 0, abouts = 0;
  while (const auto answer = brain.ReadAnswer(Ms(1000))) {
    if (ParseMove(answer) && moves++ == 0) {
      EXPECT_LT(BrainProcess::Clock::now() - sent, Ms(1000));
    }
    errors += StartsWith(answer, "ERROR");
    abouts += *answer == kAbout;
  }
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(errors, 1) << "one word about the lines ignored";
  EXPECT_GT(abouts, 0);
  EXPECT_EQ(brain.Ask("START 20"), "OK");
}

TEST_F(BrainSessionTest, StopAnswersTheMoveHeldAtOnce) {
  for (const char* stop : {"YXSTOP", "stop"}) {
    BrainProcess& brain = Launch();
    SendBusyBoard(brain);
    const auto sent = BrainProcess::Clock::now();
    std::this_thread::sleep_for(Ms(200));
    brain.Send(stop);
    EXPECT_TRUE(ParseMove(brain.ReadAnswer())) << stop;
    EXPECT_LT(BrainProcess::Clock::now() - sent, Ms(1200)) << stop;
    EXPECT_EQ(brain.Ask("ABOUT"), kAbout);
    Finish();
  }
}

// A stale stop would end the next search at its first time check: the
// depths reported must be those of a brain that never saw one.
TEST_F(BrainSessionTest, StopWithNothingToStopDoesNotCutTheNextMove) {
  std::vector<std::pair<int, long long>> depths[2];
  std::optional<std::string> answers[2];
  for (int stale = 0; stale < 2; ++stale) {
    BrainProcess& brain = Launch({"--seed", "1", "--checks", "20000"});
    if (stale) {
      brain.Send("YXSTOP");
      EXPECT_EQ(brain.Ask("ABOUT"), kAbout);
    }
    SendBusyBoard(brain);
    answers[stale] = brain.ReadAnswer();
    for (const std::string& line : brain.messages)
      if (const auto m = ParseDepthMessage(line)) depths[stale].push_back({m->depth, m->checks});
    Finish();
  }
  EXPECT_TRUE(ParseMove(answers[1]));
  EXPECT_EQ(answers[1], answers[0]);
  EXPECT_FALSE(depths[0].empty());
  EXPECT_EQ(depths[1], depths[0]);
}

TEST_F(BrainSessionTest, ReportsEveryCompletedDepth) {
  BrainProcess& brain = Launch({"--seed", "1", "--checks", "20000"});
  SendBusyBoard(brain);
  ASSERT_TRUE(ParseMove(brain.ReadAnswer()));
  ASSERT_FALSE(brain.messages.empty());
  DepthMessage previous{0, 0, 0};
  for (const std::string& line : brain.messages) {
    const auto m = ParseDepthMessage(line);
    ASSERT_TRUE(m) << line;
    EXPECT_GT(m->depth, previous.depth) << line;
    EXPECT_GE(m->checks, previous.checks) << line;
    EXPECT_LE(m->checks, 20000 + 1) << line;  // the call that found the budget spent
    EXPECT_GE(m->ms, previous.ms) << line;
    previous = *m;
  }
}

// "MESSAGE depth D, eval E | win in N | loss in N, N nodes, N nodes/s, T ms,
// pv x,y x,y ...", whatever the search finds.
const std::regex kStrongDepthMessage(
    R"(MESSAGE depth \d+, (eval -?\d+|win in \d+|loss in \d+), \d+ nodes, \d+ nodes/s, )"
    R"(\d+ ms, pv( \d+,\d+)+)");

TEST_F(BrainSessionTest, StrongBrainPlaysAndReportsEveryDepth) {
  BrainProcess& brain = Launch({"--nodes", "5000"}, kBrainExe);
  EXPECT_EQ(brain.Ask("ABOUT"), kStrongAbout);
  brain.Send("INFO max_memory 83886080");
  ASSERT_EQ(brain.Ask("START 20"), "OK");
  EXPECT_TRUE(ParseMove(brain.Ask("BEGIN")));
  ASSERT_FALSE(brain.messages.empty());
  brain.messages.clear();
  ASSERT_EQ(brain.Ask("RESTART"), "OK");
  // The only move that does not lose at once: block the opponent's four.
  const std::string block = "BOARD\n4,12,1\n10,5,1\n5,12,2\n6,12,2\n7,12,2\n8,12,2\nDONE";
  EXPECT_EQ(ParseMove(brain.Ask(block)), (Move{9, 12}));
  ASSERT_FALSE(brain.messages.empty());
  for (const std::string& line : brain.messages)
    EXPECT_TRUE(std::regex_match(line, kStrongDepthMessage)) << line;
}

struct TimeCase {
  std::vector<std::string> infos;
  int64_t limitMs;
};

// The busy position as a BOARD block, timed from its DONE to the move
// (which must be one); a move that is no move counts as never.
int64_t MsToAnswerTheBusyBoard(BrainProcess& brain) {
  std::string block = ViewFromRows(kBusyRows, 'o').Block();
  block.resize(block.size() - 5);  // all but "DONE"
  brain.Send(block);
  const auto sent = BrainProcess::Clock::now();
  brain.Send("DONE");
  if (!ParseMove(brain.ReadAnswer())) return std::numeric_limits<int64_t>::max();
  return std::chrono::duration_cast<Ms>(BrainProcess::Clock::now() - sent).count();
}

TEST_F(BrainSessionTest, AnswersWithinTheManagersTimeLimits) {
  const TimeCase cases[] = {
      {{"INFO timeout_turn 1000"}, 1000},
      {{"INFO timeout_turn 1000", "INFO timeout_match 0", "INFO time_left 2147483647"}, 1000},
      {{"INFO timeout_turn 0"}, 250},
      {{"INFO timeout_match 100000", "INFO time_left 4000"}, 4000 / 20},
      {{"INFO timeout_match 100000", "INFO time_left -20"}, 250},
  };
  for (const TimeCase& c : cases) {
    BrainProcess& brain = Launch();
    for (const std::string& info : c.infos) brain.Send(info);
    brain.Send("START 20");
    ASSERT_EQ(brain.ReadAnswer(), "OK");
    EXPECT_LT(MsToAnswerTheBusyBoard(brain), c.limitMs + kSlowBuildAllowanceMs) << c.infos.back();
    Finish();
  }
}

// The strong engine's tables are made before the first command, so that the
// first move of a short time control keeps to it as every later one does.
TEST_F(BrainSessionTest, StrongBrainsFirstMoveKeepsToAShortTimeControl) {
  BrainProcess& brain = Launch({}, kBrainExe);
  brain.Send("INFO timeout_turn 100");
  brain.Send("START 20");
  ASSERT_EQ(brain.ReadAnswer(), "OK");
  EXPECT_LT(MsToAnswerTheBusyBoard(brain), 100 + kSlowBuildAllowanceMs);
}

// Rules other than freestyle, alone or in a continuous game, are refused
// at the next command that would play, not played wrongly.
TEST_F(BrainSessionTest, RefusesToPlayRulesOtherThanFreestyle) {
  struct RuleCase {
    const char* info;
    const char* command;
    const char* answer;  // a prefix
  };
  const RuleCase cases[] = {
      {"INFO rule 0", "START 20", "OK"},
      {"INFO rule 1", "BEGIN", "ERROR rule 1 (exactly five) is not played"},
      {"info RULE 4", "START 20", "ERROR rule 4 (renju)"},
      {"INFO rule 8", "TURN 1,1", "ERROR rule 8 (caro)"},
      {"INFO rule 8", "ABOUT", "name="},
      {"INFO rule 2", "RESTART", "OK"},
      {"INFO rule 2", "BEGIN", "9,9"},
  };
  BrainProcess& brain = Launch({"--seed", "1", "--checks", "500"});
  for (const RuleCase& c : cases) {
    brain.Send(c.info);
    EXPECT_TRUE(StartsWith(brain.Ask(c.command), c.answer)) << c.info << ", " << c.command;
  }
  EXPECT_TRUE(brain.messages.empty());
}

struct CommandLineCase {
  std::string command;
  int status;
  std::string output;  // a part of standard output
};

TEST(BrainCommandLine, ReportsOnStandardOutputOnly) {
  const std::string brain = kClassicBrainExe, strong = kBrainExe,
                    pentad = std::string(PENTAD_EXE) + " brain";
  const CommandLineCase cases[] = {
      {brain + " --seed x", 2, "ERROR"},
      {brain + " --seed 4294967296", 2, "ERROR"},
      {brain + " --bogus", 2, "ERROR"},
      {brain + " --book-dir /no/such/dir", 2, "ERROR"},
      {brain + " --engine deep", 2, "ERROR"},
      {brain + " --engine strong", 0, kStrongAbout},
      {brain + " --nodes 100", 2, "add --engine strong"},
      {brain + " --help", 0, "--book-dir"},
      {strong, 0, kStrongAbout},
      {strong + " --version", 0, "pbrain-pentad 0.1.0"},
      {strong + " --engine classic", 0, kAbout},
      {strong + " --seed 1", 2, "--seed: applies to the classic engine only: add --engine classic"},
      {strong + " --checks 10", 2, "add --engine classic"},
      {strong + " --book-dir .", 2, "add --engine classic"},
      {pentad, 0, kStrongAbout},
      {pentad + " --checks -1", 2, "ERROR"},
      {pentad + " --seed", 2, "ERROR"},
      {pentad + " --help", 0, "--seed"},
      {pentad + " --engine classic --seed 1 --checks 10", 0, kAbout},
  };
  TempDir dir;
  for (const CommandLineCase& c : cases) {
    const auto result =
        RunCommand("echo ABOUT | " + c.command + " 2>" + Quote(dir.path() / "stderr"));
    EXPECT_EQ(result.status, c.status) << c.command;
    EXPECT_NE(result.output.find(c.output), std::string::npos) << c.command << "\n"
                                                               << result.output;
    EXPECT_EQ(dir.Read("stderr"), "") << c.command;
  }
}

}  // namespace
}  // namespace pentad::test
