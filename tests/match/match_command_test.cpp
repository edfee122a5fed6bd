// `pentad match` end to end, with the fake engines of tests/fakes.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "match/match_run_support.hpp"

namespace pentad::match::test {
namespace {

using nlohmann::json;
using std::chrono::steady_clock;

// The collection without comments: the moves as played.
std::string WithoutComments(const std::string& sgf) {
  return std::regex_replace(sgf, std::regex(R"(C\[[^\]]*\])"), "");
}

json SummaryOf(const Finished& finished) {
  EXPECT_EQ(finished.status, 0) << finished.err;
  return json::parse(finished.out);
}

struct FaultCase {
  const char* mode;
  bool pipe;
  const char* loss;
  const char* reason;
};

class MatchFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(MatchFaults, TheFaultyEngineLosesAndSaysWhy) {
  const FaultCase& c = GetParam();
  MatchSandbox sandbox;
  const json summary =
      SummaryOf(sandbox.Run({FileFake("first"), c.pipe ? PipeFake(c.mode) : FileFake(c.mode),
                             "--games", "1", "--move-time", "300", "--json"}));
  ASSERT_EQ(summary["games"].size(), 1u);
  const json& game = summary["games"][0];
  EXPECT_EQ(game["winner"], "a");
  EXPECT_EQ(game["loss"], c.loss);
  EXPECT_NE(game["reason"].get<std::string>().find(c.reason), std::string::npos) << game["reason"];
  EXPECT_EQ(summary["losses_by_rule"]["b"][c.loss], 1);
  EXPECT_EQ(summary["losses_by_rule"]["a"], (json{{"time", 0}, {"illegal", 0}, {"crash", 0}}));
  sandbox.ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    BothKinds, MatchFaults,
    testing::Values(
        FaultCase{"offboard", false, "illegal", "move 20,3 is off the board"},
        FaultCase{"offboard", true, "illegal", "move 20,3 is off the board"},
        FaultCase{"onstone", false, "illegal", "move 0,0 is onto a stone"},
        FaultCase{"onstone", true, "illegal", "move 0,0 is onto a stone"},
        FaultCase{"garbage", false, "illegal", "unparsable move \"hello there\""},
        FaultCase{"garbage", true, "illegal", "unparsable move \"hello there\""},
        FaultCase{"missing", false, "illegal", "left no move in TAH.DAT"},
        FaultCase{"missing", true, "crash", "ended without answering (exited with status 0)"},
        FaultCase{"hang", false, "time", "still running after 300 ms"},
        FaultCase{"hang", true, "time", "no move within 300 ms"},
        FaultCase{"crash", false, "crash", "crashed (signal 11, SIGSEGV)"},
        FaultCase{"crash", true, "crash", "crashed (signal 11, SIGSEGV)"},
        FaultCase{"exit3", false, "crash", "exited with status 3"},
        FaultCase{"exit3", true, "crash", "exited with status 3"},
        FaultCase{"silent-start", true, "time", "no answer to START within 300 ms"},
        FaultCase{"side-dir", false, "illegal", "TAH.DAT is a directory, not a regular"},
        FaultCase{"side-fifo", false, "illegal", "TAH.DAT is a FIFO, not a regular file"},
        FaultCase{"message-fifo", false, "illegal", "MSG.DAT is a FIFO, not a regular"},
        FaultCase{"message-zero", false, "illegal", "MSG.DAT is a symbolic link, not a"},
        FaultCase{"message-huge", false, "illegal", "MSG.DAT is larger than 1 MiB"}),
    [](const testing::TestParamInfo<FaultCase>& info) {
      std::string name = std::string(info.param.pipe ? "Pipe_" : "File_") + info.param.mode;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

// A brain that sets up for longer than a move takes plays once it is given
// a time to start of its own.
TEST(MatchCommand, ABrainSlowToStartPlaysWithATimeToStart) {
  MatchSandbox sandbox;
  const auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {
        FileFake("first"), PipeFake("slow-start"), "--games", "1", "--move-time", "300", "--json"};
    args.insert(args.end(), extra.begin(), extra.end());
    return SummaryOf(sandbox.Run(args))["games"][0];
  };
  EXPECT_EQ(run({})["loss"], "time");
  EXPECT_EQ(run({"--start-time", "3000"})["reason"].get<std::string>().find("START"),
            std::string::npos);
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, ColoursAlternateAndGamesGoToTheCollection) {
  MatchSandbox sandbox;
  const auto sgfPath = sandbox.Root() / "games.sgf";
  const json summary =
      SummaryOf(sandbox.Run({FileFake("first"), PipeFake("first"), "--games", "4", "-j", "2",
                             "--empty-board", "--sgf", sgfPath.string(), "--json"}));
  // The first player wins with a vertical five on the 81st move, whoever it is.
  EXPECT_EQ(summary["wins"], 2);
  EXPECT_EQ(summary["losses"], 2);
  EXPECT_EQ(summary["score_fraction"], 0.5);
  for (int i = 0; i < 4; ++i) {
    const json& game = summary["games"][i];
    EXPECT_EQ(game["number"], i + 1);
    EXPECT_EQ(game["x"], i % 2 == 0 ? "a" : "b");
    EXPECT_EQ(game["winner"], game["x"]);
    EXPECT_EQ(game["moves"], 81);
    EXPECT_EQ(game["loss"], "five");
  }
  const std::string sgf = ReadText(sgfPath);
  EXPECT_EQ(CountOf(sgf, "(;FF[4]GM[4]SZ[20]"), 4u);
  EXPECT_EQ(CountOf(sgf, "PB[fake-file-engine]PW[pbrain-fake]"), 2u);
  EXPECT_EQ(CountOf(sgf, "PB[pbrain-fake]PW[fake-file-engine]"), 2u);
  EXPECT_EQ(CountOf(sgf, "RE[B+]"), 4u);
  EXPECT_EQ(CountOf(WithoutComments(sgf), "\n;B[aa];W[ba];B[ca]"), 4u);
  EXPECT_EQ(CountOf(WithoutComments(sgf), ";B[ae])"), 4u);
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, FullBoardIsADraw) {
  MatchSandbox sandbox;
  const json summary =
      SummaryOf(sandbox.Run({PipeFake("pattern"), FileFake("pattern"), "--games", "1", "--json"}));
  EXPECT_EQ(summary["draws"], 1);
  EXPECT_EQ(summary["games"][0]["moves"], 400);
  EXPECT_EQ(summary["games"][0]["reason"], "full board");
  EXPECT_EQ(summary["elo"]["difference"], 0.0);
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, OpeningsArePlayedInOrderFromBothSides) {
  MatchSandbox sandbox;
  const auto openings = sandbox.Root() / "openings.txt";
  std::ofstream(openings) << "0,0, 1,0\n-1,-1, 0,1, 1,1\n";
  const auto log = sandbox.Root() / "brain.log";
  sandbox.SetEnv("FAKE_LOG", log.string());
  const auto sgfPath = sandbox.Root() / "games.sgf";
  const json summary = SummaryOf(
      sandbox.Run({FileFake("first"), PipeFake("first"), "--games", "5", "-j", "1", "--openings",
                   openings.string(), "--sgf", sgfPath.string(), "--json"}));
  const int expectedOpening[] = {1, 1, 2, 2, 1};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(summary["games"][i]["opening"], expectedOpening[i]) << i;
    EXPECT_EQ(summary["games"][i]["x"], i % 2 == 0 ? "a" : "b") << i;
  }
  const std::string sgf = ReadText(sgfPath);
  EXPECT_EQ(CountOf(sgf, "C[Opening 1: the first 2 moves"), 3u);
  EXPECT_EQ(CountOf(sgf, "\n;B[kk];W[lk];"), 3u);
  EXPECT_EQ(CountOf(sgf, "C[Opening 2: the first 3 moves"), 2u);
  EXPECT_EQ(CountOf(sgf, "\n;B[jj];W[kl];B[ll];"), 2u);
  // Brain B is "o" after the three stones of game 3: it gets the position.
  EXPECT_NE(ReadText(log).find("BOARD\n9,9,2\n10,11,1\n11,11,2\nDONE\n"), std::string::npos);
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, FileEnginesGetTheFilesClassicManagersWrite) {
  MatchSandbox sandbox;
  sandbox.SetEnv("FAKE_FILES_DIR", sandbox.FilesDir().string());
  const auto data = sandbox.Root() / "data";
  std::filesystem::create_directories(data / "book");
  std::ofstream(data / "LEARN.ini") << "learned\n";
  SummaryOf(sandbox.Run({FileFake("first"), PipeFake("first"), "--games", "1", "--empty-board",
                         "--move-time", "2500", "--game-time", "60000", "--max-memory", "1000000",
                         "--engine-dir-a", data.string(), "--json"}));
  const auto file = [&](const std::string& name) { return ReadText(sandbox.FilesDir() / name); };
  const std::string empty = file("0-PLOCHA.DAT");
  ASSERT_EQ(empty.size(), 20u * 22u);
  EXPECT_EQ(CountOf(empty, "--------------------\r\n"), 20u);
  EXPECT_EQ(file("2-PLOCHA.DAT").substr(0, 22), "xo------------------\r\n");
  EXPECT_EQ(file("0-TAH.DAT"), "x\r\n");
  EXPECT_EQ(file("0-TIMEOUTS.DAT"), "2\r\n60000\r\n");
  EXPECT_EQ(file("0-MSG.DAT"), "");
  EXPECT_EQ(file("0-LEARN.ini"), "learned\n");
  const std::string info = file("0-INFO.DAT");
  for (const char* line :
       {"timeout_turn 2500\r\n", "timeout_match 60000\r\n", "time_left 60000\r\n",
        "max_memory 1000000\r\n", "game_type 1\r\n", "rule 0\r\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line;
  EXPECT_EQ(file("2-TIMEOUTS.DAT").substr(0, 3), "2\r\n");
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, BrainsHearTheProtocol) {
  MatchSandbox sandbox;
  const auto log = sandbox.Root() / "brain.log";
  sandbox.SetEnv("FAKE_LOG", log.string());
  SummaryOf(sandbox.Run({PipeFake("first"), FileFake("first"), "--games", "2", "-j", "1",
                         "--empty-board", "--move-time", "700", "--game-time", "60000", "--json"}));
  const std::string text = ReadText(log);
  EXPECT_EQ(text.find("START 20\nINFO timeout_turn 700\nINFO timeout_match 60000\n"
                      "INFO max_memory 0\nINFO game_type 1\nINFO rule 0\nABOUT\n"
                      "INFO time_left 60000\nBEGIN\nINFO time_left "),
            0u)
      << text;
  EXPECT_NE(text.find("\nTURN 1,0\n"), std::string::npos);
  // Game 2, the brain second: the first move comes as TURN.
  EXPECT_NE(text.find("ABOUT\nINFO time_left 60000\nTURN 0,0\n"), std::string::npos) << text;
  EXPECT_EQ(CountOf(text, "START 20\n"), 2u);
  EXPECT_EQ(CountOf(text, "\nEND\n"), 2u);
  EXPECT_EQ(CountOf(text, "INFO time_left"), CountOf(text, "BEGIN\n") + CountOf(text, "TURN "));
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, EngineChatterIsRecordedNotPlayed) {
  MatchSandbox sandbox;
  const auto sgfPath = sandbox.Root() / "games.sgf";
  const json summary =
      SummaryOf(sandbox.Run({PipeFake("chatty"), FileFake("chatty"), "--games", "1",
                             "--empty-board", "--sgf", sgfPath.string(), "--json"}));
  EXPECT_EQ(summary["games"][0]["loss"], "five");
  // The answer's time first, then what the engine said.
  const std::string sgf = ReadText(sgfPath);
  const std::regex brain(
      R"(;B\[aa\]C\[time \d+ ms\nDEBUG depth 1\nUNKNOWN nothing\nERROR nothing\nMESSAGE done\])");
  EXPECT_TRUE(std::regex_search(sgf, brain)) << sgf;
  const std::regex file(R"(;W\[ba\]C\[time \d+ ms\nthinking hard\nsecond line\])");
  EXPECT_TRUE(std::regex_search(sgf, file)) << sgf;
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, EngineBytesThatAreNotUtf8AreReplacedInTheRecords) {
  const std::string replaced = "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD";  // U+FFFD
  for (const bool pipe : {false, true}) {
    SCOPED_TRACE(pipe ? "pipe" : "file");
    MatchSandbox sandbox;
    const auto sgfPath = sandbox.Root() / "games.sgf";
    const json summary = SummaryOf(
        sandbox.Run({FileFake("first"), pipe ? PipeFake("not-utf8") : FileFake("not-utf8"),
                     "--games", "1", "--sgf", sgfPath.string(), "--json"}));
    EXPECT_EQ(summary["games"][0]["reason"], "unparsable move \"" + replaced + "\"");
    const std::string sgf = ReadText(sgfPath);
    EXPECT_NO_THROW(json(sgf).dump()) << "the game collection is not UTF-8";
    EXPECT_EQ(CountOf(sgf, replaced), 2u) << sgf;  // the reason and the engine's note
    sandbox.ExpectNothingLeft();
  }
}

// Alive and no zombie: whoever adopts an engine orphaned by the runner's
// death reaps it in its own time.
bool Running(const std::string& pid) {
  const std::string stat = ReadText("/proc/" + pid + "/stat");
  const size_t nameEnd = stat.rfind(") ");
  return nameEnd != std::string::npos && stat.compare(nameEnd + 2, 1, "Z") != 0 &&
         stat.compare(nameEnd + 2, 1, "X") != 0;
}

TEST(MatchCommand, EnginesDieWithAKilledRunner) {
  for (const bool pipe : {false, true}) {
    SCOPED_TRACE(pipe ? "pipe" : "file");
    MatchSandbox sandbox;
    const auto log = sandbox.Root() / "brain.log";
    sandbox.SetEnv("FAKE_LOG", log.string());
    // A plays "x" and never answers; B, a file engine, is not started yet.
    const pid_t runner = sandbox.Start({pipe ? PipeFake("hang-alone") : FileFake("hang-alone"),
                                        FileFake("first"), "--games", "1", "--move-time", "20000"});
    // A brain that is still reading would end by itself with its input.
    const auto hanging = [&] {
      return sandbox.PidCount() == 1 && (!pipe || ReadText(log).find("BEGIN") != std::string::npos);
    };
    const auto started = steady_clock::now() + std::chrono::seconds(10);
    while (!hanging() && steady_clock::now() < started)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(sandbox.PidCount(), 1u);
    const std::string engine =
        std::filesystem::directory_iterator(sandbox.Root() / "pids")->path().filename();
    kill(runner, SIGKILL);
    EXPECT_EQ(sandbox.Wait(runner).status, 128 + SIGKILL);
    const auto deadline = steady_clock::now() + std::chrono::seconds(2);
    while (Running(engine) && steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (Running(engine)) {
      ADD_FAILURE() << "engine " << engine << " outlived its runner";
      kill(std::stoi(engine), SIGKILL);
    }
  }
}

TEST(MatchCommand, BrainsWithoutAboutOrEndDoNotStallTheRunner) {
  MatchSandbox sandbox;
  const auto start = steady_clock::now();
  const json summary = SummaryOf(sandbox.Run({PipeFake("late-about"), PipeFake("ignore-end"),
                                              "--games", "1", "--move-time", "300", "--json"}));
  const auto elapsed = steady_clock::now() - start;
  EXPECT_EQ(summary["games"][0]["loss"], "five");
  EXPECT_EQ(summary["games"][0]["winner"], "a");
  // One wait for ABOUT, one second for the brain that ignores END.
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, KindOptionOverridesTheName) {
  MatchSandbox sandbox;
  const auto renamed = sandbox.Root() / "brain";
  std::filesystem::create_symlink(FAKE_PIPE_ENGINE, renamed);
  const json summary =
      SummaryOf(sandbox.Run({FileFake("first"), renamed.string() + " first", "--kind-b", "pipe",
                             "--name-b", "renamed", "--games", "1", "--json"}));
  EXPECT_EQ(summary["b"]["kind"], "pipe");
  EXPECT_EQ(summary["b"]["name"], "renamed");
  EXPECT_EQ(summary["games"][0]["loss"], "five");
}

TEST(MatchCommand, SprtStopsOnceABoundIsCrossed) {
  MatchSandbox sandbox;
  const json summary = SummaryOf(sandbox.Run({FileFake("first"), FileFake("garbage"), "--games",
                                              "50", "-j", "1", "--sprt", "0,300", "--json"}));
  // Six pairs won twice: the pairs' LLR crosses +2.94 (five give 2.65).
  EXPECT_EQ(summary["games_played"], 12);
  EXPECT_TRUE(summary["stopped_by_sprt"]);
  EXPECT_EQ(summary["sprt"]["result"], "H1 accepted");
  EXPECT_NEAR(summary["sprt"]["llr"].get<double>(), 3.177, 0.001);
  EXPECT_EQ(summary["pairs"]["counts"], json({0, 0, 0, 0, 6}));
  // Every game won: no Elo difference, the interval's finite end instead.
  EXPECT_EQ(summary["elo"]["difference"], nullptr);
  EXPECT_EQ(summary["elo"]["bound"], (json{{"side", "above"}, {"elo", 197.9}}));
}

TEST(MatchCommand, SummaryInWords) {
  MatchSandbox sandbox;
  const Finished finished =
      sandbox.Run({FileFake("first"), FileFake("garbage"), "--games", "3", "--sprt", "-10,10"});
  EXPECT_EQ(finished.status, 0) << finished.err;
  for (const char* line : {"Games: 3 of 3", "W-D-L for A: 3-0-0", "Score for A: 3.0 / 3 (100.0%)",
                           "Pairs for A, 0-0.5-1-1.5-2 points: 0-0-0-0-1 (1 game unpaired)",
                           "Elo difference, pairs:    > -233.8 (every game won; 95% lower bound)",
                           "Elo difference, per game: > -42.9 (every game won; 95% lower bound)",
                           "B fake-file-engine     0        3      0", "Move time, ms",
                           "A fake-file-engine", "SPRT elo0 -10.0, elo1 10.0, pairs: LLR",
                           "(bounds -2.94, 2.94), continue", "SPRT per game: LLR"})
    EXPECT_NE(finished.out.find(line), std::string::npos) << line << "\n" << finished.out;
  EXPECT_EQ(finished.err, "");  // no progress line when stderr is no terminal
}

// Writes `finished`'s standard output to `path` and returns it as JSON.
json Saved(const Finished& finished, const std::filesystem::path& path) {
  std::ofstream(path) << finished.out;
  return SummaryOf(finished);
}

TEST(MatchCommand, ShardsMergeIntoTheWholeMatchFromBuiltInOpenings) {
  MatchSandbox sandbox;
  // Deterministic brains of unequal strength: no clock, fixed seeds.
  const std::vector<std::string> match = {
      std::string(PBRAIN_CLASSIC_EXE) + " --checks 30 --seed 1",
      std::string(PBRAIN_CLASSIC_EXE) + " --checks 300 --seed 2",
      "--games",
      "11",
      "-j",
      "2",
      "--sprt",
      "0,10",
      "--json"};
  const auto run = [&](std::vector<std::string> extra) {
    extra.insert(extra.begin(), match.begin(), match.end());
    return sandbox.Run(extra);
  };
  const auto sgfPath = sandbox.Root() / "whole.sgf";
  const json whole = SummaryOf(run({"--sgf", sgfPath.string()}));
  const auto shard0 = sandbox.Root() / "shard0.json";
  const auto shard1 = sandbox.Root() / "shard1.json";
  const json first = Saved(run({"--shard", "0/2"}), shard0);
  Saved(run({"--shard", "1/2"}), shard1);
  const json merged = SummaryOf(sandbox.Run({"merge", shard1.string(), shard0.string(), "--json"}));

  // Pairs stay together: pairs 0, 2, 4 (games 1-2, 5-6, 9-10) in shard 0,
  // with the numbers, colours and openings of the whole match.
  ASSERT_EQ(first["games"].size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const json& game = first["games"][i];
    const int number = game["number"];
    EXPECT_EQ(number, int(i / 2 * 4 + i % 2 + 1));
    EXPECT_EQ(game["x"], whole["games"][number - 1]["x"]);
    EXPECT_EQ(game["opening"], whole["games"][number - 1]["opening"]);
  }
  for (const char* key : {"games_played", "wins", "draws", "losses", "elo", "pairs", "sprt"})
    EXPECT_EQ(merged[key], whole[key]) << key;
  EXPECT_EQ(merged["pairs"]["unpaired_games"], 1);  // game 11
  EXPECT_EQ(merged["games_planned"], 11);
  EXPECT_EQ(merged["shards"], (json{{"count", 2}, {"merged", {0, 1}}}));
  EXPECT_GT(merged["move_times"]["a"]["moves"], 0);
  EXPECT_EQ(merged["move_times"]["a"]["moves"], whole["move_times"]["a"]["moves"]);

  // Without --openings, no two pairs play alike (a pair's two games may,
  // when both brains choose the same moves).
  const std::string sgf = ReadText(sgfPath);
  const std::string moves = WithoutComments(sgf);
  std::set<std::string> distinct;
  for (size_t at = moves.find("\n;"); at != std::string::npos; at = moves.find("\n;", at + 1)) {
    distinct.insert(moves.substr(at, moves.find(")\n", at) - at));
    at = moves.find(")\n", at);
  }
  EXPECT_GE(distinct.size(), 6u);
  EXPECT_EQ(CountOf(sgf, "C[Opening "), 11u);
}

TEST(MatchCommand, MergeRefusesResultsOfOtherMatches) {
  MatchSandbox sandbox;
  const auto result = [&](const std::string& name, std::vector<std::string> args) {
    const auto path = sandbox.Root() / name;
    args.insert(args.end(), {"--games", "2", "--json"});
    Saved(sandbox.Run(args), path);
    return path.string();
  };
  const std::string a =
      result("a.json", {PipeFake("first"), PipeFake("pattern"), "--shard", "0/2"});
  const std::string b =
      result("b.json", {PipeFake("first"), PipeFake("pattern"), "--shard", "1/2"});
  const std::string other =
      result("other.json", {PipeFake("first"), PipeFake("first"), "--shard", "1/2"});
  const std::string three =
      result("three.json", {PipeFake("first"), PipeFake("pattern"), "--shard", "1/3"});
  std::ofstream(sandbox.Root() / "text.json") << "W-D-L";
  // Shard 0 edited: counted as it stands, it gave "Games: 3 of 2", negative
  // move times and a negative total of games.
  const auto edited = [&](const std::string& name, const std::function<void(json&)>& edit) {
    json result = json::parse(ReadText(a));
    edit(result);
    std::ofstream(sandbox.Root() / name) << result.dump();
    return (sandbox.Root() / name).string();
  };
  const std::string twice =
      edited("twice.json", [](json& r) { r["games"].push_back(r["games"][0]); });
  const std::string negative =
      edited("negative.json", [](json& r) { r["games"][1]["move_times"]["o"]["max_ms"] = -5; });
  const std::string huge = edited("huge.json", [](json& r) { r["games_planned"] = 2147483647; });
  struct Case {
    std::vector<std::string> files;
    std::string message;
  };
  const Case cases[] = {
      {{a, a}, a + ": shard 0/2 given twice"},
      {{a, other}, other + ": not a shard of the match of " + a + ": engine B differs"},
      {{a, three}, three + ": not a shard of the match of " + a + ": the number of shards differs"},
      {{a, (sandbox.Root() / "text.json").string()}, "text.json is not JSON"},
      {{a, "/no/result.json"}, "cannot read /no/result.json"},
      {{twice, b}, twice + ": game 1 is listed twice"},
      {{negative, b}, negative + ": max_ms -5 is not a whole number from 0 to"},
      {{huge, b}, huge + ": games_planned 2147483647 is not a whole number from 0 to 1000000"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"merge"};
    args.insert(args.end(), c.files.begin(), c.files.end());
    const Finished finished = sandbox.Run(args);
    EXPECT_EQ(finished.status, 2);
    EXPECT_NE(finished.err.find(c.message), std::string::npos) << finished.err;
  }
  EXPECT_EQ(sandbox.Run({"merge", a, b}).status, 0);
}

struct InterruptCase {
  bool pipe;
  int signal;
};

class MatchInterrupt : public testing::TestWithParam<InterruptCase> {};

TEST_P(MatchInterrupt, KillsEnginesAndKeepsFinishedGames) {
  MatchSandbox sandbox;
  const auto sgfPath = sandbox.Root() / "games.sgf";
  // Game 1 ends normally; in game 2 engine B plays "x" and hangs.
  const std::string b = GetParam().pipe ? PipeFake("hang-as-x") : FileFake("hang-as-x");
  const pid_t runner = sandbox.Start({FileFake("first"), b, "--games", "3", "-j", "1",
                                      "--move-time", "20000", "--sgf", sgfPath.string()});
  const auto deadline = steady_clock::now() + std::chrono::seconds(10);
  const auto hanging = [&] {
    return ReadText(sgfPath).find(")") != std::string::npos && sandbox.PidCount() >= 2;
  };
  while (!hanging() && steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the hang begin
  const auto interrupted = steady_clock::now();
  kill(runner, GetParam().signal);
  const Finished finished = sandbox.Wait(runner, std::chrono::seconds(10));
  EXPECT_LT(steady_clock::now() - interrupted, std::chrono::seconds(3));
  EXPECT_EQ(finished.status, 128 + GetParam().signal) << finished.err;
  EXPECT_NE(finished.out.find("Games: 1 of 3 (interrupted)"), std::string::npos) << finished.out;
  EXPECT_NE(finished.out.find("W-D-L for A: 1-0-0"), std::string::npos) << finished.out;
  EXPECT_EQ(CountOf(ReadText(sgfPath), "(;FF[4]"), 1u);
  sandbox.ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(BothKinds, MatchInterrupt,
                         testing::Values(InterruptCase{false, SIGINT}, InterruptCase{true, SIGINT},
                                         InterruptCase{false, SIGTERM},
                                         InterruptCase{true, SIGTERM}),
                         [](const testing::TestParamInfo<InterruptCase>& info) {
                           return std::string(info.param.pipe ? "Pipe" : "File") +
                                  (info.param.signal == SIGINT ? "_SIGINT" : "_SIGTERM");
                         });

TEST(MatchCommand, BadOptionsAreRefused) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  MatchSandbox sandbox;
  const auto openings = sandbox.Root() / "bad-openings.txt";
  std::ofstream(openings) << "0,0\n0,0, 0,0\n";
  const auto huge = sandbox.Root() / "huge-openings.txt";
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, (1 << 20) + 1);
  const std::string folder = sandbox.Root().string();
  const Case cases[] = {
      {{"/no/such/engine", FileFake("first")}, "engine A: no executable file \"/no/such/engine\""},
      {{FileFake("first"), "no-such-engine-anywhere"}, "engine B: no executable file"},
      {{FileFake("first"), FileFake("first"), "--sprt", "10,0"}, "--sprt wants ELO0,ELO1"},
      {{FileFake("first"), FileFake("first"), "--sprt", "x"}, "--sprt wants ELO0,ELO1"},
      {{FileFake("first"), FileFake("first"), "--sprt", "nan,5"}, "--sprt wants ELO0,ELO1"},
      {{FileFake("first"), FileFake("first"), "--sprt", "0,inf"}, "--sprt wants ELO0,ELO1"},
      {{FileFake("first"), FileFake("first"), "--sprt", "-1e9,1e9"}, "--sprt wants ELO0,ELO1"},
      {{FileFake("first"), FileFake("first"), "--openings", openings.string()},
       "line 2: move 2 is onto an earlier one"},
      {{FileFake("first"), FileFake("first"), "--openings", "/no/openings"},
       "cannot read /no/openings"},
      {{FileFake("first"), FileFake("first"), "--openings", folder},
       "--openings: cannot read " + folder + ": it is a directory, not a regular file"},
      {{FileFake("first"), FileFake("first"), "--openings", "/dev/zero"},
       "cannot read /dev/zero: it is a device, not a regular file"},
      {{FileFake("first"), FileFake("first"), "--openings", huge.string()},
       "it is larger than 1 MiB"},
      {{"merge", folder}, "merge: cannot read " + folder + ": it is a directory"},
      {{FileFake("first"), FileFake("first"), "--engine-dir-b", "/no/dir"},
       "--engine-dir-b: no directory"},
      {{FileFake("first"), FileFake("first"), "--kind-a", "socket"}, "--kind-a"},
      {{FileFake("first"), FileFake("first"), "--games", "0"}, "--games"},
      {{FileFake("first"), FileFake("first"), "--shard", "2/2"}, "--shard wants K/N"},
      {{FileFake("first")}, "B is required"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Finished finished = sandbox.Run(c.args);
    EXPECT_EQ(finished.status, 2);
    EXPECT_NE(finished.err.find(c.message), std::string::npos) << finished.err;
    EXPECT_EQ(finished.out, "");
  }
  sandbox.ExpectNothingLeft();
}

TEST(MatchCommand, HelpNamesEveryOption) {
  MatchSandbox sandbox;
  const Finished finished = sandbox.Run({"--help"});
  EXPECT_EQ(finished.status, 0);
  for (const char* option :
       {"--games", "--openings", "--move-time", "--game-time", "--max-memory", "--kind-a",
        "--kind-b", "--engine-dir-a", "--engine-dir-b", "--name-a", "--name-b", "--jobs", "--sgf",
        "--json", "--sprt", "--shard", "--empty-board", "merge"})
    EXPECT_NE(finished.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace pentad::match::test
