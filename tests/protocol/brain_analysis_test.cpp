// The brain as an analysis GUI and a swap2 manager drive it: the real
// pbrain-pentad over pipes, the strong engine on node budgets.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "brain_test_support.hpp"

namespace pentad::test {
namespace {

using Ms = std::chrono::milliseconds;

class BrainAnalysisTest : public ::testing::Test {
 protected:
  BrainProcess& Launch(std::vector<std::string> args, const char* program = kBrainExe) {
    args.insert(args.begin(), program);
    brain_ = std::make_unique<BrainProcess>(args);
    EXPECT_TRUE(brain_->Started());
    return *brain_;
  }

  void TearDown() override {
    if (!brain_) return;
    brain_->CloseInput();
    EXPECT_EQ(brain_->WaitExit(), 0);
    EXPECT_EQ(brain_->ErrorOutput(), "");
    EXPECT_EQ(brain_->badLineEnds, 0) << "every line must end with CR LF";
  }

  std::unique_ptr<BrainProcess> brain_;
};

// Every INFO line an analysis reports, key and value, as the docs give it.
const std::regex kInfoLine(
    R"(INFO (PV \d+|NUMPV \d+|DEPTH \d+|SELDEPTH \d+|NODES \d+|TOTALNODES \d+|TOTALTIME \d+|)"
    R"(SPEED \d+|EVAL (-?\d+|[+-]M\d+)|WINRATE [01]\.\d{4}|BESTLINE \d+,\d+( \d+,\d+)*|PV DONE))");

struct PvBlock {
  std::map<std::string, std::string> values;  // by key: "PV", "NUMPV", "EVAL", ...
};

// The blocks from "INFO PV i" to "INFO PV DONE", in the order sent.
std::vector<PvBlock> PvBlocks(const std::vector<std::string>& messages) {
  std::vector<PvBlock> blocks;
  for (const std::string& line : messages) {
    if (line.rfind("INFO ", 0) != 0) continue;
    EXPECT_TRUE(std::regex_match(line, kInfoLine)) << line;
    const std::string rest = line.substr(5);
    const size_t space = rest.find(' ');
    const std::string key = rest.substr(0, space), value = rest.substr(space + 1);
    if (key == "PV" && value == "DONE") continue;
    if (key == "PV") blocks.emplace_back();
    if (!blocks.empty()) blocks.back().values[key] = value;
  }
  return blocks;
}

// The last "MESSAGE REALTIME BEST x,y", or nothing.
std::optional<std::string> LastRealtimeBest(const std::vector<std::string>& messages) {
  std::optional<std::string> best;
  for (const std::string& line : messages)
    if (line.rfind("MESSAGE REALTIME BEST ", 0) == 0) best = line.substr(22);
  return best;
}

// A quiet opening: the side to move has many moves worth a line.
constexpr const char* kOpening = "yxboard\n9,9,2\n10,10,1\n10,9,2\ndone";

TEST_F(BrainAnalysisTest, LowerCaseSessionGivesThreeLinesThenAMove) {
  BrainProcess& brain = Launch({"--nodes", "20000"});
  brain.Send(kOpening);
  brain.Send("info show_detail 3");
  const auto answer = brain.Ask("yxnbest 3");
  const auto move = ParseMove(answer);
  ASSERT_TRUE(move) << answer.value_or("no answer");
  const std::vector<PvBlock> blocks = PvBlocks(brain.messages);
  ASSERT_GE(blocks.size(), 3u);
  std::set<std::string> firstMoves;
  for (size_t i = blocks.size() - 3; i < blocks.size(); ++i) {
    const PvBlock& block = blocks[i];
    EXPECT_EQ(block.values.at("PV"), std::to_string(i - (blocks.size() - 3) + 1));
    EXPECT_EQ(block.values.at("NUMPV"), "3");
    EXPECT_EQ(block.values.at("DEPTH"), blocks.back().values.at("DEPTH"));
    firstMoves.insert(block.values.at("BESTLINE").substr(0, block.values.at("BESTLINE").find(' ')));
  }
  EXPECT_EQ(firstMoves.size(), 3u) << "three distinct lines";
  EXPECT_EQ(LastRealtimeBest(brain.messages), answer) << "the last best move told is the answer";

  brain.Send("yxhashclear");
  brain.Send("yxshowinfo");
  EXPECT_TRUE(std::regex_match(brain.ReadLine().value_or(""),
                               std::regex(R"(MESSAGE INFO MAX_THREAD_NUM [1-9]\d*)")));
  EXPECT_EQ(brain.ReadLine(), "MESSAGE INFO MAX_HASH_SIZE 2097152");
  brain.Send("yxboard\n9,9,2\n10,10,1\n10,9,2\ndone");
  EXPECT_TRUE(std::regex_match(brain.Ask("yxnbest 3").value_or(""), std::regex(R"(\d+,\d+)")));
}

// The own four at y 3, closed at 4,3, wins only at 9,3.
constexpr const char* kOwnFour =
    "YXBOARD\n5,3,1\n6,3,1\n7,3,1\n8,3,1\n4,3,2\n15,15,2\n15,17,2\n"
    "16,16,2\nDONE";

TEST_F(BrainAnalysisTest, BlockedSquaresAreNotPlayedUntilUndone) {
  struct Step {
    const char* command;
    bool playsTheWin;
  };
  const Step steps[] = {
      {"YXBLOCK\n9,3\n0,0\nDONE", false},
      {"yxblockundo", false},  // takes back 0,0 only
      {"YXBLOCKUNDO", true},
      {"YXBLOCK\n9,3\nDONE", false},
      {"yxblockreset", true},
  };
  BrainProcess& brain = Launch({"--nodes", "20000"});
  for (const Step& step : steps) {
    brain.Send(kOwnFour);
    brain.Send(step.command);
    const auto move = ParseMove(brain.Ask("YXNBEST 1"));
    ASSERT_TRUE(move) << step.command;
    EXPECT_EQ(*move == (Move{9, 3}), step.playsTheWin) << step.command << ": " << MoveText(*move);
  }
  EXPECT_TRUE(brain.Ask("YXBLOCKUNDO").value_or("").starts_with("ERROR"));
}

// With a turn time of 0 an analysis thinks, telling its best move as it
// changes, until it is stopped.
TEST_F(BrainAnalysisTest, AnalysisUntilStoppedTellsTheBestMoveAsItChanges) {
  BrainProcess& brain = Launch({});
  brain.Send("INFO timeout_turn 0\nINFO show_detail 1");
  brain.Send(ViewFromRows(kBusyRows, 'o').Block("YXBOARD"));
  brain.Send("YXNBEST 2");
  EXPECT_EQ(brain.ReadAnswer(Ms(1500)), std::nullopt) << "no answer before the stop";
  const auto sent = BrainProcess::Clock::now();
  brain.Send("YXSTOP");
  const auto answer = brain.ReadAnswer();
  EXPECT_TRUE(ParseMove(answer));
  EXPECT_LT(BrainProcess::Clock::now() - sent, Ms(1000));
  ASSERT_FALSE(brain.messages.empty());
  EXPECT_EQ(brain.messages.front(), "MESSAGE REALTIME REFRESH");
  EXPECT_EQ(LastRealtimeBest(brain.messages), answer);
  EXPECT_TRUE(PvBlocks(brain.messages).empty()) << "show_detail 1 tells no lines";
}

struct Swap2Case {
  std::string stones;  // "x,y" lines, black first
  std::string answer;  // "SWAP", or how many stones: "1 stone", "2 stones", "3 stones"
};

std::vector<Move> MovesIn(const std::string& text) {
  std::vector<Move> moves;
  std::istringstream words(text);
  for (std::string word; words >> word;) moves.push_back(ParseMove(word).value_or(Move{-1, -1}));
  return moves;
}

// What kind of answer it is, or "illegal ..." for stones off the board,
// on a stone, or given twice.
std::string KindOfAnswer(const std::string& answer, std::vector<Move> taken) {
  if (answer == "SWAP") return answer;
  const std::vector<Move> stones = MovesIn(answer);
  for (const Move stone : stones) {
    if (stone.x < 0 || std::ranges::find(taken, stone) != taken.end()) return "illegal " + answer;
    taken.push_back(stone);
  }
  return std::to_string(stones.size()) + (stones.size() == 1 ? " stone" : " stones");
}

TEST_F(BrainAnalysisTest, Swap2AnswersEveryStepLegally) {
  const Swap2Case cases[] = {
      {"", {"3 stones"}},
      // Black's two central stones against white's in the corner.
      {"9,9\n0,0\n10,10", {"SWAP"}},
      // White's central stone against black's in the corners.
      {"0,0\n9,9\n19,19", {"1 stone"}},
      // Close to even: the brain adds two stones.
      {"10,10\n11,11\n8,8", {"2 stones"}},
      {"9,9\n0,0\n10,10\n19,0\n11,11", {"SWAP"}},
      {"0,0\n9,9\n19,19\n10,10\n0,19", {"1 stone"}},
  };
  // The classic brain judges with a strong engine of its own.
  for (const char* program : {kBrainExe, kClassicBrainExe}) {
    BrainProcess& brain = Launch({}, program);
    for (const Swap2Case& c : cases) {
      const auto answer =
          brain.Ask("swap2board\n" + c.stones + (c.stones.empty() ? "" : "\n") + "done");
      ASSERT_TRUE(answer) << program << " " << c.stones;
      EXPECT_EQ(KindOfAnswer(*answer, MovesIn(c.stones)), c.answer) << program << " " << c.stones;
    }
    TearDown();
    brain_.reset();
  }
}

}  // namespace
}  // namespace pentad::test
