#include "analysis/analysis_json.hpp"

namespace pentad::analysis {

using Json = nlohmann::ordered_json;

namespace {

Json PointJson(Point p) {
  return Json::array({p.x, p.y});
}

Json PointsJson(const std::vector<Point>& points) {
  Json out = Json::array();
  for (const Point p : points) out.push_back(PointJson(p));
  return out;
}

// {"win": n} or {"loss": n} plies to a proven end; null for a heuristic score.
Json ProvenJson(int score) {
  const auto plies = engine::ProvenPlies(score);
  if (!plies) return nullptr;
  Json proven;
  proven[*plies > 0 ? "win" : "loss"] = *plies > 0 ? *plies : -*plies;
  return proven;
}

Json CandidateJson(const classic::CandidateRecord& c) {
  return Json::array({c.x, c.y, c.value, c.ownScore, c.oppScore, c.excluded, c.ownDouble,
                      c.oppDouble, c.ownThreat, c.oppThreat});
}

Json DecisionJson(const Position& position, const classic::Decision& decision) {
  Json out;
  out["stones"] = position.StoneCount();
  out["side"] = position.sideRead;
  out["seed"] = decision.seed;
  out["checks"] = decision.checks ? Json(*decision.checks) : Json(nullptr);
  out["move"] = Json::array({decision.x, decision.y});
  out["depth"] = decision.depth;
  out["timeChecks"] = decision.timeChecks;
  out["elapsedMs"] = decision.elapsedMs;
  Json candidates = Json::array();
  for (const classic::CandidateRecord& c : decision.trace.candidates)
    candidates.push_back(CandidateJson(c));
  out["candidates"] = std::move(candidates);
  Json book = Json::array();
  for (const classic::BookAnswer& a : decision.trace.book)
    book.push_back(Json::array({a.x, a.y, a.wins, a.losses}));
  out["book"] = std::move(book);
  out["stage"] = decision.trace.stage;
  Json line = Json::array();
  for (const auto& move : decision.trace.line) line.push_back(Json::array({move[0], move[1]}));
  out["line"] = std::move(line);
  return out;
}

Json CellsJson(const classic::Board& evaluated) {
  Json cells = Json::array();
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const classic::Cell& c = evaluated.at(x, y);
      cells.push_back(Json::array({x, y, c.occupant, c.value, c.ownScore, c.oppScore, c.ownDouble,
                                   c.oppDouble, c.ownThreat, c.oppThreat}));
    }
  return cells;
}

Json ThreatsJson(const std::vector<engine::ClassicThreat>& threats) {
  Json out = Json::array();
  for (const engine::ClassicThreat& t : threats) {
    Json keys = Json::array();
    for (const Point key : t.keySquares) keys.push_back(PointJson(key));
    out.push_back(Json::array({t.at.x, t.at.y, t.player, t.level, t.win ? 1 : 0, std::move(keys)}));
  }
  return out;
}

Json ClassicJson(const engine::Request& request, const engine::ClassicDetails& details) {
  Json out = DecisionJson(request.position, details.decision);
  if (details.evaluated) out["cells"] = CellsJson(*details.evaluated);
  if (request.wantThreats) out["threats"] = ThreatsJson(details.threats);
  return out;
}

Json SearchJson(const engine::Request& request, const engine::Result& result) {
  const engine::Limits& limits = request.limits;
  const bool clock = limits.moveTime || !limits.nodes;
  Json out;
  out["engine"] = engine::EngineName(result.engine);
  out["stones"] = request.position.StoneCount();
  out["side"] = request.position.sideRead;
  out["moveTimeMs"] = clock ? Json(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       limits.moveTime.value_or(engine::kDefaultMoveTime))
                                       .count())
                            : Json(nullptr);
  out["nodeLimit"] = limits.nodes ? Json(*limits.nodes) : Json(nullptr);
  out["move"] = PointJson(result.move);
  const int score = result.score.value_or(0);
  out["eval"] = score;
  out["result"] = ProvenJson(score);
  out["winRate"] = engine::WinRate(score);
  out["depth"] = result.depth;
  out["nodes"] = result.nodes;
  out["pv"] = PointsJson(result.pv);
  out["elapsedMs"] = result.elapsedMs;
  return out;
}

}  // namespace

Json PvLineJson(const engine::PvLine& line) {
  Json out;
  out["move"] = PointJson(line.move);
  out["eval"] = line.score;
  out["result"] = ProvenJson(line.score);
  out["winRate"] = engine::WinRate(line.score);
  out["pv"] = PointsJson(line.pv);
  return out;
}

Json ResultJson(const engine::Request& request, const engine::Result& result) {
  if (result.classic) return ClassicJson(request, *result.classic);
  return SearchJson(request, result);
}

}  // namespace pentad::analysis
