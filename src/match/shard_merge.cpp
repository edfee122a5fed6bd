#include "match/shard_merge.hpp"

#include <algorithm>
#include <climits>
#include <set>
#include <stdexcept>

namespace pentad::match {
namespace {

using Json = nlohmann::ordered_json;

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
  // Results written before brains had a time to start of their own have none.
  if (match.contains("start_time_ms") && !match.at("start_time_ms").is_null())
    info.time.startTime = Milliseconds(WholeIn(match, "start_time_ms", 1, kMaxMoveTimeMs));
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
      first.time.startTime != other.time.startTime || first.time.maxMemory != other.time.maxMemory)
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
