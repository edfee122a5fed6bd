#include "match/runner.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace pentad::match {
namespace {

void Count(const GameRecord& game, Tally& tally) {
  const double score = game.ScoreOfA();
  if (score == 1.0) ++tally.wins;
  if (score == 0.5) ++tally.draws;
  if (score == 0.0) ++tally.losses;
}

class Scheduler {
 public:
  Scheduler(const MatchSettings& settings, const Cancellation& cancel, const MatchHooks& hooks)
      : settings_(settings), cancel_(cancel), hooks_(hooks), indices_(GamesOfShard(settings)) {}

  MatchOutcome Run() {
    const auto start = std::chrono::steady_clock::now();
    const int workers = std::max(1, std::min(settings_.jobs, static_cast<int>(indices_.size())));
    running_ = workers;
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i) threads.emplace_back([this] { Work(); });
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        Report(start);
        if (running_ == 0) break;
        changed_.wait_for(lock, std::chrono::seconds(1));
      }
    }
    for (auto& thread : threads) thread.join();
    outcome_.interrupted = cancel_.Cancelled();
    outcome_.signal = cancel_.Signal();
    outcome_.elapsed = Since(start);
    std::sort(outcome_.games.begin(), outcome_.games.end(),
              [](const GameRecord& a, const GameRecord& b) { return a.number < b.number; });
    return std::move(outcome_);
  }

 private:
  static std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }

  void Report(std::chrono::steady_clock::time_point start) const {
    if (!hooks_.onProgress) return;
    hooks_.onProgress({static_cast<int>(outcome_.games.size()), static_cast<int>(indices_.size()),
                       tally_, pairs_.Pairs(), Since(start)});
  }

  std::optional<int> NextGame() {
    std::lock_guard lock(mutex_);
    if (stopScheduling_ || cancel_.Cancelled() || next_ >= indices_.size()) return std::nullopt;
    return indices_[next_++];
  }

  void Work() {
    while (const auto index = NextGame()) {
      std::optional<GameRecord> record = PlayCaught(*index);
      if (!record || record->outcome == Outcome::kCancelled) break;
      Collect(std::move(*record));
    }
    std::lock_guard lock(mutex_);
    --running_;
    changed_.notify_all();
  }

  // An exception out of a game is a fault of the runner, not of an engine:
  // the game is dropped and no new one starts. Caught here, it unwinds the
  // game, which kills its engines and removes their folders; out of the
  // thread it would end the process with both left behind.
  std::optional<GameRecord> PlayCaught(int index) {
    try {
      return PlayGame(SetupOf(settings_, index), cancel_, hooks_.makePlayer);
    } catch (const std::exception& e) {
      StopOnFailure("game " + std::to_string(index + 1) + ": " + e.what());
      return std::nullopt;
    }
  }

  void StopOnFailure(std::string failure) {
    std::lock_guard lock(mutex_);
    if (outcome_.failure.empty()) outcome_.failure = std::move(failure);
    stopScheduling_ = true;
    changed_.notify_all();
  }

  void Collect(GameRecord record) {
    std::lock_guard lock(mutex_);
    Count(record, tally_);
    pairs_.Add(record.number, record.ScoreOfA());
    if (hooks_.onGame) hooks_.onGame(record);
    outcome_.games.push_back(std::move(record));
    if (settings_.sprt && settings_.shard.Whole() &&
        EvaluateSprt(pairs_.Pairs(), *settings_.sprt).decision != SprtDecision::kContinue) {
      stopScheduling_ = true;
      outcome_.stoppedBySprt = true;
    }
    changed_.notify_all();
  }

  const MatchSettings& settings_;
  const Cancellation& cancel_;
  const MatchHooks& hooks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const std::vector<int> indices_;
  size_t next_ = 0;
  int running_ = 0;
  bool stopScheduling_ = false;
  Tally tally_;
  PairCounter pairs_;
  MatchOutcome outcome_;
};

}  // namespace

GameSetup SetupOf(const MatchSettings& settings, int index) {
  const GameSchedule schedule = ScheduleOf(index, static_cast<int>(settings.openings.size()));
  GameSetup setup;
  setup.number = index + 1;
  setup.aPlaysX = schedule.aPlaysX;
  setup.x = schedule.aPlaysX ? &settings.a : &settings.b;
  setup.o = schedule.aPlaysX ? &settings.b : &settings.a;
  setup.openingIndex = schedule.openingIndex;
  if (schedule.openingIndex >= 0) setup.opening = settings.openings[schedule.openingIndex];
  setup.time = settings.time;
  return setup;
}

std::vector<int> GamesOfShard(const MatchSettings& settings) {
  std::vector<int> indices;
  for (int i = 0; i < settings.games; ++i)
    if (settings.shard.Plays(i)) indices.push_back(i);
  return indices;
}

MatchOutcome RunMatch(const MatchSettings& settings, const Cancellation& cancel,
                      const MatchHooks& hooks) {
  return Scheduler(settings, cancel, hooks).Run();
}

void PairCounter::Add(int gameNumber, double scoreOfA) {
  const int pair = (gameNumber - 1) / 2;
  const auto [it, first] = waiting_.emplace(pair, scoreOfA);
  if (first) return;
  pairs_.Add(it->second + scoreOfA);
  waiting_.erase(it);
}

Tally TallyOf(const std::vector<GameRecord>& games) {
  Tally tally;
  for (const GameRecord& game : games) Count(game, tally);
  return tally;
}

}  // namespace pentad::match
