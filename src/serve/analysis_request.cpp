#include "serve/analysis_request.hpp"

#include "serve/request_json.hpp"

namespace pentad::serve {

namespace {

using Json = nlohmann::json;

// Only the strong engine searches deeper and deeper until stopped; a
// request for another must not silently get it.
void RefuseOtherEngines(const Json& body) {
  const auto field = body.find("engine");
  if (field == body.end() || field->is_null() || *field == "strong") return;
  throw BadRequest{"analysis runs on the strong engine only: leave out \"engine\""};
}

AnalysisRequest CheckedRequest(const Json& body) {
  RefuseOtherEngines(body);
  AnalysisRequest request;
  request.position = CheckedPosition(body);
  request.multiPv =
      static_cast<int>(OptionalInteger(body, "multiPv", 1, kMaxAnalysisLines).value_or(1));
  return request;
}

}  // namespace

ParsedAnalysisRequest ParseAnalysisRequest(std::string_view body) {
  ParsedAnalysisRequest parsed;
  const auto error =
      ReadJsonBody(body, [&](const Json& json) { parsed.request = CheckedRequest(json); });
  if (error) parsed.error = *error;
  return parsed;
}

}  // namespace pentad::serve
