#include "match/summary.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>

namespace pentad::match {
namespace {

using Json = nlohmann::ordered_json;

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string SignedText(double elo) {
  const std::string text = Fixed(elo, 1);
  if (text == "-0.0" || text == "0.0") return "0.0";
  return text[0] == '-' ? text : "+" + text;
}

Json Rounded(double value) {
  if (!std::isfinite(value)) return nullptr;
  return std::round(value * 10) / 10 + 0.0;  // no "-0.0"
}

// JSON has no infinity: an infinite figure is null, and "bound" gives the
// finite end that stands in for the difference.
Json EloJson(const EloEstimate& estimate, bool any) {
  if (!any)
    return {{"difference", nullptr}, {"low", nullptr}, {"high", nullptr}, {"bound", nullptr}};
  Json bound = nullptr;
  if (const auto b = BoundOf(estimate))
    bound = {{"side", b->above ? "above" : "below"}, {"elo", Rounded(b->elo)}};
  return {{"difference", Rounded(estimate.difference)},
          {"low", Rounded(estimate.low)},
          {"high", Rounded(estimate.high)},
          {"bound", bound}};
}

Json EngineJson(const EngineSetup& setup) {
  Json json;
  json["name"] = setup.name;
  json["command"] = setup.argv;
  json["kind"] = KindName(setup.kind);
  return json;
}

Json LossesJson(const RuleLosses& losses) {
  return {{"time", losses.time}, {"illegal", losses.illegal}, {"crash", losses.crash}};
}

Json TimesJson(const MoveTimes& times) {
  return {{"moves", times.moves},
          {"mean_ms", std::round(times.MeanMs() * 10) / 10},
          {"max_ms", times.longest.count()},
          {"over_limit", times.overLimit},
          {"total_ms", times.total.count()}};
}

Json SprtJson(const SprtStatus& status) {
  return {{"llr", std::round(status.llr * 1e4) / 1e4},
          {"lower", status.lower},
          {"upper", status.upper},
          {"result", DecisionName(status.decision)}};
}

void CountLoss(const GameResult& game, MatchSummary& summary) {
  if (!game.winner) return;
  const bool aLost = (*game.winner == Side::kO) == game.aPlaysX;
  RuleLosses& losses = aLost ? summary.lossesA : summary.lossesB;
  if (game.loss == LossKind::kTime) ++losses.time;
  if (game.loss == LossKind::kIllegal) ++losses.illegal;
  if (game.loss == LossKind::kCrash) ++losses.crash;
}

std::string EloLine(const std::string& label, const EloEstimate& estimate) {
  std::string line = label + EloText(estimate);
  if (const auto bound = BoundOf(estimate))
    return line + (bound->above ? " (every game won; 95% lower bound)\n"
                                : " (every game lost; 95% upper bound)\n");
  return line + " (95% interval " + SignedText(estimate.low) + " to " + SignedText(estimate.high) +
         ")\n";
}

// The digest of a set of openings: FNV-1a over their moves.
std::string DigestOf(const std::vector<Opening>& openings) {
  uint64_t hash = 14695981039346656037ull;
  const auto mix = [&](int value) {
    hash ^= static_cast<uint8_t>(value);
    hash *= 1099511628211ull;
  };
  for (const Opening& opening : openings) {
    for (const Point p : opening) {
      mix(p.x);
      mix(p.y);
    }
    mix(255);
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// --- reading shard results back ------------------------------------------

// A value that no run of `pentad match` writes: the result was edited or
// damaged, and counting it would give figures of no match.
class BadValue : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A move's time fits 32 bits of ms, so that the sums over a million games
// of 400 moves stay within 64 bits.
constexpr int64_t kMaxAnswerMs = int64_t{1} << 32;
constexpr int64_t kMaxMovesPerGame = 400;

// get<int> would wrap a large number and get<int64_t> read a fraction.
// The parser keeps every number without a sign as unsigned, 0 included.
bool WholeWithin(const Json& value, int64_t low, int64_t high) {
  if (value.is_number_unsigned()) {
    const uint64_t number = value.get<uint64_t>();
    return high >= 0 && number <= static_cast<uint64_t>(high) &&
           (low <= 0 || number >= static_cast<uint64_t>(low));
  }
  return value.is_number_integer() && value.get<int64_t>() >= low && value.get<int64_t>() <= high;
}

int64_t WholeIn(const Json& json, const char* key, int64_t low, int64_t high) {
  const Json& value = json.at(key);
  if (!WholeWithin(value, low, high))
    throw BadValue(std::string(key) + " " + value.dump() + " is not a whole number from " +
                   std::to_string(low) + " to " + std::to_string(high));
  return value.get<int64_t>();
}

int IntIn(const Json& json, const char* key, int64_t low, int64_t high) {
  return static_cast<int>(WholeIn(json, key, low, std::min<int64_t>(high, INT_MAX)));
}

// How many of the match's games the shard plays: what its result must
// give as planned, whatever it played.
int PlannedOf(const MatchInfo& info, const Json& result) {
  const Shard& shard = info.shard;
  const int fullPairs = info.games / 2;
  const int pairs = fullPairs > shard.index ? (fullPairs - shard.index - 1) / shard.count + 1 : 0;
  const int count = 2 * pairs + (info.games % 2 == 1 && shard.Plays(info.games - 1) ? 1 : 0);
  const int64_t planned = WholeIn(result, "games_planned", 0, kMaxGames);
  if (planned != count)
    throw BadValue("games_planned " + std::to_string(planned) + " is not the " +
                   std::to_string(count) + " games of shard " + std::to_string(info.shard.index) +
                   "/" + std::to_string(info.shard.count));
  return count;
}

EngineSetup EngineFrom(const Json& json) {
  EngineSetup setup;
  setup.name = json.at("name").get<std::string>();
  setup.argv = json.at("command").get<std::vector<std::string>>();
  setup.kind = json.at("kind").get<std::string>() == "pipe" ? PlayerKind::kPipe : PlayerKind::kFile;
  return setup;
}

// The longest answer is at most the total, which is at most every answer
// as long as the longest.
MoveTimes TimesFrom(const Json& json) {
  MoveTimes times;
  times.moves = IntIn(json, "moves", 0, kMaxMovesPerGame);
  times.longest = Milliseconds(WholeIn(json, "max_ms", 0, kMaxAnswerMs));
  times.total = Milliseconds(
      WholeIn(json, "total_ms", times.longest.count(), times.moves * times.longest.count()));
  times.overLimit = IntIn(json, "over_limit", 0, times.moves);
  return times;
}

LossKind LossFrom(const std::string& name) {
  for (LossKind kind :
       {LossKind::kFive, LossKind::kTime, LossKind::kIllegal, LossKind::kCrash, LossKind::kNone})
    if (name == LossKindName(kind)) return kind;
  throw std::invalid_argument("unknown loss \"" + name + "\"");
}

GameResult GameFrom(const Json& json, const MatchInfo& info) {
  GameResult game;
  game.number = IntIn(json, "number", 1, info.games);
  if (!info.shard.Plays(game.number - 1))
    throw BadValue("game " + std::to_string(game.number) + " is not one of shard " +
                   std::to_string(info.shard.index) + "'s");
  game.aPlaysX = json.at("x").get<std::string>() == "a";
  const Json& winner = json.at("winner");
  if (!winner.is_null()) {
    const bool aWon = winner.get<std::string>() == "a";
    game.winner = aWon == game.aPlaysX ? Side::kX : Side::kO;
  }
  game.loss = LossFrom(json.at("loss").get<std::string>());
  try {
    game.times[0] = TimesFrom(json.at("move_times").at("x"));
    game.times[1] = TimesFrom(json.at("move_times").at("o"));
  } catch (const BadValue& e) {
    throw BadValue(std::string(e.what()) + " in game " + std::to_string(game.number));
  }
  return game;
}

MatchInfo InfoFrom(const Json& json) {
  MatchInfo info;
  info.a = EngineFrom(json.at("a"));
  info.b = EngineFrom(json.at("b"));
  const Json& match = json.at("match");
  info.games = IntIn(match, "games", 1, kMaxGames);
  info.time.moveTime = Milliseconds(WholeIn(match, "move_time_ms", 1, kMaxMoveTimeMs));
  if (!match.at("game_time_ms").is_null())
    info.time.gameTime = Milliseconds(WholeIn(match, "game_time_ms", 1, kMaxGameTimeMs));
  info.time.maxMemory = WholeIn(match, "max_memory", 0, INT64_MAX);
  const Json& openings = match.at("openings");
  info.openingsSource = openings.at("source").get<std::string>();
  info.openingsCount = IntIn(openings, "count", 0, INT_MAX);
  info.openingsDigest = openings.at("digest").get<std::string>();
  if (json.contains("sprt")) {
    const Json& sprt = json.at("sprt");
    info.sprt = SprtHypotheses{sprt.at("elo0").get<double>(), sprt.at("elo1").get<double>(),
                               sprt.at("alpha").get<double>(), sprt.at("beta").get<double>()};
    if (!SensibleSprt(*info.sprt)) throw BadValue("the SPRT's bounds make no test");
  }
  const Json& shard = json.at("shard");
  info.shard.count = IntIn(shard, "count", 1, INT_MAX);
  info.shard.index = IntIn(shard, "index", 0, info.shard.count - 1);
  return info;
}

// What differs between two runs' matches, or empty.
std::string Difference(const MatchInfo& first, const MatchInfo& other) {
  // Hosts may keep the engines in different folders: the file name counts.
  const auto sameEngine = [](const EngineSetup& x, const EngineSetup& y) {
    if (x.name != y.name || x.kind != y.kind || x.argv.size() != y.argv.size()) return false;
    for (size_t i = 0; i < x.argv.size(); ++i) {
      const bool same = i == 0 ? std::filesystem::path(x.argv[i]).filename() ==
                                     std::filesystem::path(y.argv[i]).filename()
                               : x.argv[i] == y.argv[i];
      if (!same) return false;
    }
    return true;
  };
  if (!sameEngine(first.a, other.a)) return "engine A";
  if (!sameEngine(first.b, other.b)) return "engine B";
  if (first.games != other.games) return "the number of games";
  if (first.time.moveTime != other.time.moveTime || first.time.gameTime != other.time.gameTime ||
      first.time.maxMemory != other.time.maxMemory)
    return "the time control or memory limit";
  if (first.openingsCount != other.openingsCount || first.openingsDigest != other.openingsDigest)
    return "the openings";
  const auto sameSprt = [](const std::optional<SprtHypotheses>& x,
                           const std::optional<SprtHypotheses>& y) {
    if (!x || !y) return !x && !y;
    return x->elo0 == y->elo0 && x->elo1 == y->elo1 && x->alpha == y->alpha && x->beta == y->beta;
  };
  if (!sameSprt(first.sprt, other.sprt)) return "the SPRT";
  if (first.shard.count != other.shard.count) return "the number of shards";
  return "";
}

}  // namespace

MatchInfo InfoOf(const MatchSettings& settings) {
  MatchInfo info;
  info.a = settings.a;
  info.b = settings.b;
  info.games = settings.games;
  info.time = settings.time;
  info.openingsSource = settings.openings.empty() ? "" : settings.openingsSource;
  info.openingsCount = static_cast<int>(settings.openings.size());
  info.openingsDigest = DigestOf(settings.openings);
  info.sprt = settings.sprt;
  info.shard = settings.shard;
  return info;
}

double GameResult::ScoreOfA() const {
  if (!winner) return 0.5;
  return (*winner == Side::kX) == aPlaysX ? 1.0 : 0.0;
}

GameResult ResultOf(const GameRecord& record) {
  return {record.number, record.aPlaysX, record.Winner(), record.loss, record.times};
}

std::string EloText(double elo) {
  if (std::isinf(elo)) return elo > 0 ? "+inf" : "-inf";
  return SignedText(elo);
}

std::string EloText(const EloEstimate& estimate) {
  if (const auto bound = BoundOf(estimate))
    return (bound->above ? "> " : "< ") + SignedText(bound->elo);
  return SignedText(estimate.difference);
}

MatchSummary Summarize(const MatchInfo& info, const std::vector<GameResult>& games,
                       const RunFacts& facts) {
  MatchSummary summary;
  summary.planned = facts.planned;
  summary.played = static_cast<int>(games.size());
  summary.interrupted = facts.interrupted;
  summary.stoppedBySprt = facts.stoppedBySprt;
  summary.elapsed = facts.elapsed;
  PairCounter pairs;
  for (const GameResult& game : games) {
    const double score = game.ScoreOfA();
    ++(score == 1.0   ? summary.tally.wins
       : score == 0.0 ? summary.tally.losses
                      : summary.tally.draws);
    pairs.Add(game.number, score);
    CountLoss(game, summary);
    summary.timesA.Add(game.times[game.aPlaysX ? 0 : 1]);
    summary.timesB.Add(game.times[game.aPlaysX ? 1 : 0]);
  }
  summary.pairs = pairs.Pairs();
  summary.unpaired = summary.played - 2 * summary.pairs.Pairs();
  summary.elo = EstimateElo(summary.tally);
  summary.pairElo = EstimateElo(summary.pairs);
  if (info.sprt) {
    summary.sprt = EvaluateSprt(summary.pairs, *info.sprt);
    summary.sprtPerGame = EvaluateSprt(summary.tally, *info.sprt);
  }
  return summary;
}

MatchSummary Summarize(const MatchSettings& settings, const MatchOutcome& outcome) {
  std::vector<GameResult> games;
  for (const GameRecord& record : outcome.games) games.push_back(ResultOf(record));
  const RunFacts facts{static_cast<int>(GamesOfShard(settings).size()), outcome.interrupted,
                       outcome.stoppedBySprt, outcome.elapsed};
  return Summarize(InfoOf(settings), games, facts);
}

std::string SummaryText(const MatchInfo& info, const MatchSummary& summary) {
  const Tally& t = summary.tally;
  std::string text;
  text += "Games: " + std::to_string(summary.played) + " of " + std::to_string(summary.planned);
  if (summary.interrupted) text += " (interrupted)";
  if (summary.stoppedBySprt) text += " (stopped by the SPRT)";
  text += ", " + Fixed(summary.elapsed.count() / 1000.0, 1) + " s\n";
  if (!info.mergedShards.empty()) {
    text += "Shards:";
    for (size_t i = 0; i < info.mergedShards.size(); ++i)
      text += (i == 0 ? " " : ", ") + std::to_string(info.mergedShards[i]);
    text += " of " + std::to_string(info.shard.count) + " (" + std::to_string(info.games) +
            " games in the match)\n";
  } else if (!info.shard.Whole()) {
    text += "Shard: " + std::to_string(info.shard.index) + "/" + std::to_string(info.shard.count) +
            " (" + std::to_string(info.games) + " games in the match)\n";
  }
  text += "A: " + info.a.name + " (" + KindName(info.a.kind) + ")\n";
  text += "B: " + info.b.name + " (" + KindName(info.b.kind) + ")\n";
  text += "W-D-L for A: " + std::to_string(t.wins) + "-" + std::to_string(t.draws) + "-" +
          std::to_string(t.losses) + "\n";
  text += "Score for A: " + Fixed(t.Points(), 1) + " / " + std::to_string(t.Games()) + " (" +
          Fixed(100 * t.Fraction(), 1) + "%)\n";
  const auto& c = summary.pairs.counts;
  text += "Pairs for A, 0-0.5-1-1.5-2 points: " + std::to_string(c[0]) + "-" +
          std::to_string(c[1]) + "-" + std::to_string(c[2]) + "-" + std::to_string(c[3]) + "-" +
          std::to_string(c[4]);
  if (summary.unpaired > 0)
    text += " (" + std::to_string(summary.unpaired) + (summary.unpaired == 1 ? " game" : " games") +
            " unpaired)";
  text += "\n";
  if (summary.pairs.Pairs() > 0) text += EloLine("Elo difference, pairs:    ", summary.pairElo);
  if (t.Games() > 0) text += EloLine("Elo difference, per game: ", summary.elo);
  const std::string labelA = "  A " + info.a.name;
  const std::string labelB = "  B " + info.b.name;
  const size_t width = std::max<size_t>({16, labelA.size(), labelB.size()}) + 2;
  const auto lossLine = [&](const std::string& label, const RuleLosses& losses) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%4d %8d %6d\n", losses.time, losses.illegal,
                  losses.crash);
    return Padded(label, width) + numbers;
  };
  text += Padded("Losses by rule", width) + "time  illegal  crash\n";
  text += lossLine(labelA, summary.lossesA);
  text += lossLine(labelB, summary.lossesB);
  const auto timeLine = [&](const std::string& label, const MoveTimes& times) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%9.1f %8lld %11d\n", times.MeanMs(),
                  static_cast<long long>(times.longest.count()), times.overLimit);
    return Padded(label, width) + numbers;
  };
  text += Padded("Move time, ms", width) + "     mean      max  over limit\n";
  text += timeLine(labelA, summary.timesA);
  text += timeLine(labelB, summary.timesB);
  if (summary.sprt) {
    const SprtStatus& s = *summary.sprt;
    text += "SPRT elo0 " + Fixed(info.sprt->elo0, 1) + ", elo1 " + Fixed(info.sprt->elo1, 1) +
            ", pairs: LLR " + Fixed(s.llr, 2) + " (bounds " + Fixed(s.lower, 2) + ", " +
            Fixed(s.upper, 2) + "), " + DecisionName(s.decision) + "\n";
    text += "SPRT per game: LLR " + Fixed(summary.sprtPerGame->llr, 2) + "\n";
  }
  return text;
}

Json GameJson(const GameRecord& game) {
  Json json;
  json["number"] = game.number;
  json["x"] = game.aPlaysX ? "a" : "b";
  json["opening"] = game.openingIndex >= 0 ? Json(game.openingIndex + 1) : Json(nullptr);
  json["moves"] = game.moves.size();
  const auto winner = game.Winner();
  if (winner)
    json["winner"] = (*winner == Side::kX) == game.aPlaysX ? "a" : "b";
  else
    json["winner"] = nullptr;
  json["loss"] = LossKindName(game.loss);
  json["reason"] = game.reason;
  json["time_ms"] = {{"x", game.timeUsed[0].count()}, {"o", game.timeUsed[1].count()}};
  json["move_times"] = {{"x", TimesJson(game.times[0])}, {"o", TimesJson(game.times[1])}};
  return json;
}

Json SummaryJson(const MatchInfo& info, const MatchSummary& summary, Json games) {
  const Tally& t = summary.tally;
  Json json;
  json["a"] = EngineJson(info.a);
  json["b"] = EngineJson(info.b);
  json["match"] = {
      {"games", info.games},
      {"move_time_ms", info.time.moveTime.count()},
      {"game_time_ms", info.time.gameTime ? Json(info.time.gameTime->count()) : Json(nullptr)},
      {"max_memory", info.time.maxMemory},
      {"openings",
       {{"source", info.openingsSource},
        {"count", info.openingsCount},
        {"digest", info.openingsDigest}}}};
  if (info.mergedShards.empty())
    json["shard"] = {{"index", info.shard.index}, {"count", info.shard.count}};
  else
    json["shards"] = {{"count", info.shard.count}, {"merged", info.mergedShards}};
  json["games_planned"] = summary.planned;
  json["games_played"] = summary.played;
  json["interrupted"] = summary.interrupted;
  json["stopped_by_sprt"] = summary.stoppedBySprt;
  json["elapsed_ms"] = summary.elapsed.count();
  json["wins"] = t.wins;
  json["draws"] = t.draws;
  json["losses"] = t.losses;
  json["score"] = t.Points();
  json["score_fraction"] = t.Fraction();
  json["elo"] = EloJson(summary.elo, t.Games() > 0);
  const int pairCount = summary.pairs.Pairs();
  json["pairs"] = {
      {"counts", summary.pairs.counts},
      {"pairs", pairCount},
      {"unpaired_games", summary.unpaired},
      {"score", summary.pairs.Points()},
      {"score_fraction", pairCount == 0 ? 0.5 : summary.pairs.Points() / (2 * pairCount)},
      {"elo", EloJson(summary.pairElo, pairCount > 0)}};
  json["losses_by_rule"] = {{"a", LossesJson(summary.lossesA)}, {"b", LossesJson(summary.lossesB)}};
  json["move_times"] = {{"a", TimesJson(summary.timesA)}, {"b", TimesJson(summary.timesB)}};
  if (summary.sprt) {
    json["sprt"] = {{"elo0", info.sprt->elo0},
                    {"elo1", info.sprt->elo1},
                    {"alpha", info.sprt->alpha},
                    {"beta", info.sprt->beta}};
    json["sprt"].update(SprtJson(*summary.sprt));
    json["sprt"]["per_game"] = SprtJson(*summary.sprtPerGame);
  }
  json["games"] = std::move(games);
  return json;
}

std::string JsonText(const Json& json) {
  return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

std::optional<MergedMatch> MergeShards(const std::vector<ShardResult>& results,
                                       std::string* error) {
  MergedMatch merged;
  std::vector<Json> games;
  std::set<int> seenShards;
  std::set<int> seenGames;
  for (size_t i = 0; i < results.size(); ++i) {
    const std::string& which = results[i].name;
    try {
      const Json& result = results[i].json;
      const MatchInfo info = InfoFrom(result);
      const Shard shard = info.shard;
      if (i == 0) {
        merged.info = info;
      } else if (const std::string difference = Difference(merged.info, info);
                 !difference.empty()) {
        *error = which + ": not a shard of the match of " + results[0].name + ": " + difference +
                 " differs";
        return std::nullopt;
      }
      if (!seenShards.insert(shard.index).second) {
        *error = which + ": shard " + std::to_string(shard.index) + "/" +
                 std::to_string(shard.count) + " given twice";
        return std::nullopt;
      }
      for (const Json& game : result.at("games")) {
        GameResult parsed = GameFrom(game, info);
        if (!seenGames.insert(parsed.number).second)
          throw BadValue("game " + std::to_string(parsed.number) + " is listed twice");
        merged.games.push_back(parsed);
        games.push_back(game);
      }
      merged.facts.planned += PlannedOf(info, result);
      merged.facts.interrupted |= result.at("interrupted").get<bool>();
      merged.facts.elapsed =
          std::max(merged.facts.elapsed,
                   std::chrono::milliseconds(WholeIn(result, "elapsed_ms", 0, INT64_MAX)));
    } catch (const BadValue& e) {
      *error = which + ": " + e.what();
      return std::nullopt;
    } catch (const std::exception& e) {
      *error = which + ": not a match result of `pentad match --json`: " + e.what();
      return std::nullopt;
    }
  }
  if (results.empty()) {
    *error = "no results to merge";
    return std::nullopt;
  }
  merged.info.mergedShards.assign(seenShards.begin(), seenShards.end());
  std::vector<size_t> order(games.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t x, size_t y) { return merged.games[x].number < merged.games[y].number; });
  std::vector<GameResult> sorted;
  merged.gamesJson = Json::array();
  for (size_t i : order) {
    sorted.push_back(merged.games[i]);
    merged.gamesJson.push_back(games[i]);
  }
  merged.games = std::move(sorted);
  return merged;
}

}  // namespace pentad::match
