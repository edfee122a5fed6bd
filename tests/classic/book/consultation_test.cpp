// The book consultation: which book is read, how answers change cell
// values, the noise, the pruning and the refreshed candidate list.
#include "classic/book/consultation.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "book_test_support.hpp"
#include "classic/decision/decision.hpp"

namespace pentad::classic {
namespace {

namespace fs = std::filesystem;
using book::testing::RecordOf;
using book::testing::StoneList;
using book::testing::TempDir;

constexpr uint32_t kSeed = 77;
constexpr int32_t kPlainValue = 500;
constexpr uint8_t kEngine = kPlayerO;

// Candidate p (1..20) sits at (p - 1, 0) with value 2000 - 50 p; every other
// empty cell is worth kPlainValue, far from the candidates and not pruned.
int32_t CandidateValue(int p) {
  return 2000 - 50 * p;
}

// The decision state as the book step sees it, and the book the driver
// finds for it in `dir`.
struct BookContext {
  DecisionState state;
  BookSource source;
  Board& board = state.board;
  CandidateList& candidates = state.candidates;
};

std::unique_ptr<BookContext> ContextWith(const StoneList& engineStones,
                                         const StoneList& opponentStones, const fs::path& dir) {
  Position position;
  position.sideRead = kEngine;
  const auto place = [&](const StoneList& stones, uint8_t side) {
    for (auto [x, y] : stones) position.stones.Place({x, y}, side);
  };
  place(engineStones, kEngine);
  place(opponentStones, kOpponent[kEngine]);
  auto context = std::make_unique<BookContext>();
  context->state = EngineFor(position, kSeed);
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      context->board.at(x, y).value =
          context->board.at(x, y).occupant == kEmpty ? kPlainValue : kOccupiedValue;
  for (int p = 1; p <= kCandidateWidth; ++p) {
    context->board.at(p - 1, 0).value = CandidateValue(p);
    context->candidates.at(p) = MakeCandidate(context->board, p - 1, 0);
  }
  context->source = BookFor(dir, context->state.stoneCount, nullptr);
  return context;
}

bool Consult(BookContext& context, std::vector<BookAnswer>& answers) {
  DecisionState& state = context.state;
  BookOutcome outcome = ConsultBook(state.board, state.candidates, state.stoneCount,
                                    state.engineSide, context.source, state.random, state.time);
  answers = std::move(outcome.answers);
  return outcome.sureWin;
}

void WriteBook(const fs::path& file, std::vector<std::unique_ptr<book::OpeningRecord>> records) {
  book::testing::WriteFile(file, book::testing::BookFileBytes(std::move(records)));
}

std::string BookName(int stones) {
  return stones % 2 == 1 ? "Veklo.ob2" : "Veklo.ob1";
}

// Positions by stone count; the engine's stones are "own".
struct PositionStones {
  StoneList engine;
  StoneList opponent;
};
PositionStones StonesFor(int stones) {
  // No position here is symmetric in itself, so every answer comes back on
  // the square it was stored for.
  const StoneList opponent = {{9, 9}, {11, 10}, {8, 11}, {12, 8}, {9, 13}};
  const StoneList engine = {{10, 9}, {9, 11}, {11, 12}, {7, 8}};
  PositionStones setup;
  setup.opponent.assign(opponent.begin(), opponent.begin() + (stones + 1) / 2);
  setup.engine.assign(engine.begin(), engine.begin() + stones / 2);
  return setup;
}

// The answer square (12, 12) is no candidate, so only the answer changes it.
struct Outcome {
  bool sure;
  int32_t value;
};
Outcome ConsultOnce(int stones, uint32_t wins, uint32_t losses) {
  TempDir dir;
  const PositionStones setup = StonesFor(stones);
  std::vector<std::unique_ptr<book::OpeningRecord>> records;
  records.push_back(RecordOf(setup.engine, setup.opponent, 12, 12, wins, losses));
  WriteBook(dir.path() / BookName(stones), std::move(records));
  auto context = ContextWith(setup.engine, setup.opponent, dir.path());
  std::vector<BookAnswer> answers;
  const bool sure = Consult(*context, answers);
  EXPECT_EQ(answers.size(), 1u);
  return {sure, context->board.at(12, 12).value};
}

TEST(BookConsultation, AnswersRaiseLowerOrForbidTheirSquare) {
  struct Case {
    int stones;
    uint32_t wins, losses;
    bool sure;
    int64_t value;
  };
  constexpr uint32_t kMost = std::numeric_limits<uint32_t>::max();
  const Case cases[] = {
      {1, 12, 0, false, kPlainValue + 3201},  // 12 is not above T = 12
      {1, 13, 0, true, kPlainValue + 200000},
      {1, 12, 2, false, kPlainValue + 500},  // 12 div 3 is not above 5: mixed
      {1, 18, 2, true, kPlainValue + 200000},
      {3, 3, 2, false, kPlainValue + 50},
      {3, 2, 3, false, kPlainValue - 50},
      {3, 1, 0, false, kPlainValue + 801},
      {9, 0, 5, false, kPlainValue - 1001},
      {9, 0, 8, false, kPlainValue - 1601},
      {9, 0, 9, false, -100000},
      {9, 8, 0, false, kPlainValue + 2401},  // T = 8
      {9, 9, 0, true, kPlainValue + 200000},
      {5, 0, 0, false, kPlainValue},
      {5, 5, kMost, false, std::numeric_limits<int32_t>::min()},  // L + 1 must not wrap to 0
      {5, kMost, kMost, false, kPlainValue},
      {5, kMost, 0, true, kPlainValue + 200000},
      {5, 0, kMost, false, -100000},
  };
  for (const Case& c : cases) {
    const Outcome outcome = ConsultOnce(c.stones, c.wins, c.losses);
    EXPECT_EQ(outcome.sure, c.sure) << c.stones << " stones, W " << c.wins << " L " << c.losses;
    EXPECT_EQ(outcome.value, c.value) << c.stones << " stones, W " << c.wins << " L " << c.losses;
  }
}

TEST(BookConsultation, TheStoneCountPicksTheBook) {
  for (int stones : {4, 5}) {
    for (bool rightBook : {true, false}) {
      TempDir dir;
      const PositionStones setup = StonesFor(stones);
      std::vector<std::unique_ptr<book::OpeningRecord>> records;
      records.push_back(RecordOf(setup.engine, setup.opponent, 12, 12, 1, 0));
      const std::string name = rightBook ? BookName(stones) : BookName(stones + 1);
      WriteBook(dir.path() / name, std::move(records));
      auto context = ContextWith(setup.engine, setup.opponent, dir.path());
      std::vector<BookAnswer> answers;
      Consult(*context, answers);
      EXPECT_EQ(answers.size(), rightBook ? 1u : 0u) << stones << " stones, file " << name;
    }
  }
}

TEST(BookConsultation, TheBookFileNameMayBeInAnyLetterCase) {
  TempDir dir;
  const PositionStones setup = StonesFor(3);
  std::vector<std::unique_ptr<book::OpeningRecord>> records;
  records.push_back(RecordOf(setup.engine, setup.opponent, 12, 12, 1, 0));
  WriteBook(dir.path() / "vEKLO.OB2", std::move(records));
  auto context = ContextWith(setup.engine, setup.opponent, dir.path());
  std::vector<BookAnswer> answers;
  Consult(*context, answers);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].x, 12);
  EXPECT_EQ(answers[0].y, 12);
}

// With an answer found, every candidate's cell becomes value div 10 plus a
// draw below R; a pruned cell (-1) keeps just the draw.
TEST(BookConsultation, NoiseFollowsTheCandidateOrderAndTheLearnFile) {
  struct Case {
    int stones;
    bool learnFile;
    uint32_t range;
  };
  const Case cases[] = {{1, false, 10}, {9, false, 10}, {1, true, 46},
                        {3, true, 43},  {6, true, 40},  {9, true, 34}};
  for (const Case& c : cases) {
    TempDir dir;
    if (c.learnFile) book::testing::WriteFile(dir.path() / "LEARN.ini", {});
    const PositionStones setup = StonesFor(c.stones);
    std::vector<std::unique_ptr<book::OpeningRecord>> records;
    records.push_back(RecordOf(setup.engine, setup.opponent, 12, 12, 1, 1));
    WriteBook(dir.path() / BookName(c.stones), std::move(records));
    auto context = ContextWith(setup.engine, setup.opponent, dir.path());
    context->board.at(19, 0).value = 150;  // below a tenth of candidate 1: pruned
    context->candidates.at(20).value = 150;
    std::vector<BookAnswer> answers;
    EXPECT_FALSE(Consult(*context, answers));
    Random draws(kSeed);
    for (int p = 1; p <= kCandidateWidth; ++p) {
      const int32_t before = p == 20 ? -1 : CandidateValue(p);
      const auto expected = before / 10 + static_cast<int32_t>(draws.Below(c.range));
      EXPECT_EQ(context->board.at(p - 1, 0).value, expected)
          << c.stones << " stones, learn file " << c.learnFile << ", candidate " << p;
    }
  }
}

TEST(BookConsultation, WithoutAnAnswerOnlyThePruningHappens) {
  TempDir dir;
  const PositionStones setup = StonesFor(3);
  auto context = ContextWith(setup.engine, setup.opponent, dir.path());
  context->board.at(15, 15).value = 194;
  context->board.at(15, 16).value = 195;
  context->board.at(15, 17).value = 100;
  context->board.at(15, 17).ownThreat = kThreatFour;
  std::vector<BookAnswer> answers;
  EXPECT_FALSE(Consult(*context, answers));
  EXPECT_TRUE(answers.empty());
  EXPECT_EQ(context->board.at(15, 15).value, -1) << "194 * 10 < 1950";
  EXPECT_EQ(context->board.at(15, 16).value, 195);
  EXPECT_EQ(context->board.at(15, 17).value, 100) << "a four of its own keeps a cell";
  for (int p = 1; p <= kCandidateWidth; ++p)
    EXPECT_EQ(context->board.at(p - 1, 0).value, CandidateValue(p)) << "no noise";
}

TEST(BookConsultation, AFiveOrAnOpenFourPrunesEveryCellThatDoesNotMeetIt) {
  for (uint8_t bestThreat : {kThreatFive, kThreatFreeFour}) {
    TempDir dir;
    const PositionStones setup = StonesFor(5);
    auto context = ContextWith(setup.engine, setup.opponent, dir.path());
    context->board.at(0, 0).oppThreat = bestThreat;
    context->candidates.at(1).oppThreat = bestThreat;
    context->board.at(3, 0).oppThreat = kThreatFour;
    context->board.at(15, 15).ownThreat = kThreatFour;
    std::vector<BookAnswer> answers;
    EXPECT_FALSE(Consult(*context, answers));
    const bool five = bestThreat == kThreatFive;
    EXPECT_EQ(context->board.at(0, 0).value, CandidateValue(1));
    EXPECT_EQ(context->board.at(3, 0).value, five ? -1 : CandidateValue(4));
    EXPECT_EQ(context->board.at(15, 15).value, five ? -1 : kPlainValue);
    EXPECT_EQ(context->board.at(7, 0).value, -1) << "other candidates are pruned too";
    EXPECT_EQ(context->board.at(12, 12).value, -1);
    EXPECT_EQ(context->candidates.at(1).x, 0);
    EXPECT_EQ(context->candidates.at(2).value, five ? -1 : CandidateValue(4));
  }
}

TEST(BookConsultation, ASureWinOnACandidateLeadsTheRefreshedList) {
  TempDir dir;
  const PositionStones setup = StonesFor(7);
  std::vector<std::unique_ptr<book::OpeningRecord>> records;
  records.push_back(RecordOf(setup.engine, setup.opponent, 6, 0, 40, 1));  // candidate 7
  records.push_back(RecordOf(setup.engine, setup.opponent, 2, 0, 0, 30));  // candidate 3
  WriteBook(dir.path() / BookName(7), std::move(records));
  auto context = ContextWith(setup.engine, setup.opponent, dir.path());
  std::vector<BookAnswer> answers;
  EXPECT_TRUE(Consult(*context, answers));
  EXPECT_EQ(answers.size(), 2u);
  const CandidateRecord& first = context->candidates.at(1);
  EXPECT_EQ(first.x, 6);
  EXPECT_EQ(first.value, context->board.at(6, 0).value);
  const CandidateRecord& last = context->candidates.at(kCandidateWidth);
  EXPECT_EQ(last.x, 2);
  EXPECT_EQ(last.value, -100000);
  EXPECT_EQ(last.excluded, 1);
  for (int p = 1; p < kCandidateWidth; ++p) {
    EXPECT_GE(context->candidates.at(p).value, context->candidates.at(p + 1).value);
    EXPECT_EQ(context->candidates.at(p).excluded, 0);
  }
}

// Every answer for one square applies in the order found; a forbidding one
// overwrites what came before it.
TEST(BookConsultation, AnswersForOneSquareAccumulateInTheOrderFound) {
  TempDir dir;
  const PositionStones setup = StonesFor(3);
  std::vector<std::unique_ptr<book::OpeningRecord>> records;
  records.push_back(RecordOf(setup.engine, setup.opponent, 12, 12, 3, 2));
  records.push_back(RecordOf(setup.engine, setup.opponent, 12, 12, 0, 20));
  records.push_back(RecordOf(setup.engine, setup.opponent, 12, 12, 4, 1));
  WriteBook(dir.path() / BookName(3), std::move(records));
  auto context = ContextWith(setup.engine, setup.opponent, dir.path());
  std::vector<BookAnswer> answers;
  Consult(*context, answers);
  ASSERT_EQ(answers.size(), 3u);
  int64_t expected = kPlainValue;
  for (const BookAnswer& a : answers) {
    EXPECT_EQ(a.x, 12);
    EXPECT_EQ(a.y, 12);
    expected = a.losses == 20 ? -100000 : expected + (int64_t(a.wins) - int64_t(a.losses)) * 50;
  }
  EXPECT_EQ(context->board.at(12, 12).value, expected);
}

TEST(BookConsultation, AnAnswerOffTheBoardIsReportedAndSkipped) {
  TempDir dir;
  const PositionStones setup = StonesFor(1);
  std::vector<std::unique_ptr<book::OpeningRecord>> records;
  records.push_back(RecordOf(setup.engine, setup.opponent, 9, -3, 0, 100));
  WriteBook(dir.path() / BookName(1), std::move(records));
  auto context = ContextWith(setup.engine, setup.opponent, dir.path());
  std::vector<BookAnswer> answers;
  EXPECT_FALSE(Consult(*context, answers));
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].y, -3);
  for (int x = 0; x < kBoardSize; ++x) {
    for (int y = 1; y < kBoardSize; ++y) {
      if (context->board.at(x, y).occupant != kEmpty) continue;
      EXPECT_EQ(context->board.at(x, y).value, kPlainValue) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace pentad::classic
