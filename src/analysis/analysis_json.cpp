#include "analysis/analysis_json.hpp"

#include "classic/threats/find_threat.hpp"

namespace pentad::analysis {

using Json = nlohmann::ordered_json;

namespace {

Json CandidateJson(const classic::CandidateRecord& c) {
  return Json::array({c.x, c.y, c.value, c.ownScore, c.oppScore, c.excluded, c.ownDouble,
                      c.oppDouble, c.ownThreat, c.oppThreat});
}

// [x, y] of a grid cell; [-1, -1] for no cell, as the turn writes.
Json CellJson(int cell) {
  if (cell == strong::kNoCell) return Json::array({-1, -1});
  return Json::array({strong::CellX(cell), strong::CellY(cell)});
}

}  // namespace

Json StrongJson(const Position& position, const strong::SearchLimits& limits,
                const strong::SearchOutcome& outcome) {
  Json out;
  out["engine"] = "strong";
  out["stones"] = position.StoneCount();
  out["side"] = position.sideRead;
  out["moveTimeMs"] =
      limits.maxNodes
          ? Json(nullptr)
          : Json(std::chrono::duration_cast<std::chrono::milliseconds>(limits.hardTime).count());
  out["nodeLimit"] = limits.maxNodes ? Json(*limits.maxNodes) : Json(nullptr);
  out["move"] = CellJson(outcome.move);
  out["eval"] = outcome.score;
  const auto plies = strong::PliesToResult(outcome.score);
  Json result = nullptr;
  if (plies) result[*plies > 0 ? "win" : "loss"] = *plies > 0 ? *plies : -*plies;
  out["result"] = std::move(result);
  out["depth"] = outcome.depth;
  out["nodes"] = outcome.nodes;
  Json pv = Json::array();
  for (const int cell : outcome.pv)
    if (cell != strong::kNoCell) pv.push_back(CellJson(cell));
  out["pv"] = std::move(pv);
  out["elapsedMs"] = outcome.elapsedMs;
  return out;
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

Json ThreatsJson(const classic::Board& board) {
  const classic::ThreatBoard threatBoard(board);
  Json threats = Json::array();
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      if (board.at(x, y).occupant != kEmpty) continue;
      for (uint8_t player : {kPlayerX, kPlayerO}) {
        classic::ThreatRecord record;
        record.x = x;
        record.y = y;
        if (!classic::FindThreat(threatBoard, record, player)) continue;
        Json keys = Json::array();
        for (int k = 0; k < record.keyCount; ++k)
          keys.push_back(Json::array({record.keySquares[k].x, record.keySquares[k].y}));
        threats.push_back(Json::array({x, y, player, record.level, record.win, std::move(keys)}));
      }
    }
  return threats;
}

}  // namespace pentad::analysis
