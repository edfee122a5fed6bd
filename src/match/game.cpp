#include "match/game.hpp"

#include <algorithm>

namespace pentad::match {
namespace {

class Referee {
 public:
  Referee(const GameSetup& setup, const Cancellation& cancel, const PlayerFactory& makePlayer)
      : setup_(setup), cancel_(cancel) {
    record_.number = setup.number;
    record_.aPlaysX = setup.aPlaysX;
    record_.openingIndex = setup.openingIndex;
    record_.openingLength = setup.opening.size();
    record_.names = {setup.x->name, setup.o->name};
    players_ = {makePlayer(*setup.x), makePlayer(*setup.o)};
  }

  GameRecord Play() {
    PlaceOpening();
    if (board_.Full()) {
      record_.outcome = Outcome::kDraw;
      record_.reason = "full board";
    } else if (StartPlayers()) {
      while (!over_ && !cancelled_) PlayOneMove();
    }
    for (auto& player : players_) player->Finish(cancelled_);
    if (cancelled_) record_.outcome = Outcome::kCancelled;
    return std::move(record_);
  }

 private:
  void PlaceOpening() {
    for (const Point p : setup_.opening) {
      board_.Place(p, SideOfMove(record_.moves.size()));
      record_.moves.push_back(p);
      record_.notes.emplace_back();
      record_.moveTimes.emplace_back();
    }
  }

  bool StartPlayers() {
    for (Side side : {Side::kX, Side::kO}) {
      MoveReply reply = players_[IndexOf(side)]->Start(setup_.time, cancel_);
      record_.startNotes[IndexOf(side)] = std::move(reply.notes);
      if (reply.cancelled) {
        cancelled_ = true;
        return false;
      }
      if (reply.fault != LossKind::kNone) {
        Lose(side, reply.fault, reply.reason);
        return false;
      }
    }
    return true;
  }

  void PlayOneMove() {
    const Side side = SideOfMove(record_.moves.size());
    Milliseconds& used = record_.timeUsed[IndexOf(side)];
    std::optional<Milliseconds> left;
    Milliseconds limit = setup_.time.moveTime;
    if (setup_.time.gameTime) {
      left = std::max(Milliseconds(0), *setup_.time.gameTime - used);
      limit = std::min(limit, *left);
    }
    MoveReply reply =
        players_[IndexOf(side)]->Play({board_, record_.moves, side, limit, left}, cancel_);
    used += reply.elapsed;
    // A reply cut short by the referee's own stop is no answer to time.
    if (!reply.cancelled) record_.times[IndexOf(side)].Add(reply.elapsed, limit);
    if (reply.cancelled) {
      cancelled_ = true;
      return;
    }
    if (reply.fault != LossKind::kNone) {
      record_.finalNotes = std::move(reply.notes);
      Lose(side, reply.fault, reply.reason);
      return;
    }
    const Point p = *reply.point;
    if (!OnBoard(p) || !board_.Empty(p)) {
      record_.finalNotes = std::move(reply.notes);
      Lose(side, LossKind::kIllegal,
           "move " + PointText(p) + (OnBoard(p) ? " is onto a stone" : " is off the board"));
      return;
    }
    board_.Place(p, side);
    record_.moves.push_back(p);
    record_.notes.push_back(std::move(reply.notes));
    record_.moveTimes.push_back(reply.elapsed);
    if (board_.MakesFive(p)) {
      Lose(Other(side), LossKind::kFive, "five in a row");
    } else if (board_.Full()) {
      record_.outcome = Outcome::kDraw;
      record_.reason = "full board";
      over_ = true;
    }
  }

  void Lose(Side loser, LossKind loss, const std::string& reason) {
    record_.outcome = loser == Side::kX ? Outcome::kOWins : Outcome::kXWins;
    record_.loss = loss;
    record_.reason = reason;
    over_ = true;
  }

  const GameSetup& setup_;
  const Cancellation& cancel_;
  GameRecord record_;
  GameBoard board_;
  std::array<std::unique_ptr<Player>, 2> players_;
  bool over_ = false;
  bool cancelled_ = false;
};

}  // namespace

void MoveTimes::Add(Milliseconds elapsed, Milliseconds limit) {
  ++moves;
  total += elapsed;
  longest = std::max(longest, elapsed);
  if (elapsed > limit) ++overLimit;
}

void MoveTimes::Add(const MoveTimes& other) {
  moves += other.moves;
  total += other.total;
  longest = std::max(longest, other.longest);
  overLimit += other.overLimit;
}

double MoveTimes::MeanMs() const {
  return moves == 0 ? 0.0 : static_cast<double>(total.count()) / moves;
}

std::optional<Side> GameRecord::Winner() const {
  if (outcome == Outcome::kXWins) return Side::kX;
  if (outcome == Outcome::kOWins) return Side::kO;
  return std::nullopt;
}

std::optional<Side> GameRecord::Loser() const {
  if (auto winner = Winner()) return Other(*winner);
  return std::nullopt;
}

double GameRecord::ScoreOfA() const {
  const auto winner = Winner();
  if (!winner) return 0.5;
  return (*winner == Side::kX) == aPlaysX ? 1.0 : 0.0;
}

GameRecord PlayGame(const GameSetup& setup, const Cancellation& cancel,
                    const PlayerFactory& makePlayer) {
  return Referee(setup, cancel, makePlayer).Play();
}

const char* LossKindName(LossKind loss) {
  switch (loss) {
    case LossKind::kFive:
      return "five";
    case LossKind::kTime:
      return "time";
    case LossKind::kIllegal:
      return "illegal";
    case LossKind::kCrash:
      return "crash";
    case LossKind::kNone:
      break;
  }
  return "none";
}

}  // namespace pentad::match
