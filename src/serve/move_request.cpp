#include "serve/move_request.hpp"

#include <limits>

namespace pentad::serve {

namespace {

using Json = nlohmann::json;

engine::EngineKind CheckedEngine(const Json& body) {
  const auto field = body.find("engine");
  if (field == body.end() || field->is_null()) return engine::kDefaultEngine;
  if (field->is_string())
    if (const auto kind = engine::EngineNamed(field->get_ref<const std::string&>())) return *kind;
  std::string names;
  for (const std::string& name : engine::EngineNames())
    names += (names.empty() ? "\"" : " or \"") + name + "\"";
  throw BadRequest{"\"engine\" must be " + names};
}

// An option of the other engine would be silently ignored: refused instead.
void RefuseOptionsOfOtherEngine(const Json& body, engine::EngineKind kind) {
  for (const char* name : {"seed", "checks", "nodes"}) {
    const auto field = body.find(name);
    if (field == body.end() || field->is_null()) continue;
    const auto owner = engine::OwnerOfOption(name);
    if (owner && *owner != kind)
      throw BadRequest{std::string("\"") + name + "\" applies to the " +
                       engine::EngineName(*owner) + " engine only: add \"engine\": \"" +
                       engine::EngineName(*owner) + "\""};
  }
}

MoveRequest CheckedRequest(const Json& body) {
  MoveRequest request;
  request.position = CheckedPosition(body);
  engine::EngineOptions& options = request.options;
  options.kind = CheckedEngine(body);
  RefuseOptionsOfOtherEngine(body, options.kind);
  options.moveTimeMs = OptionalInteger(body, "moveTimeMs", 1, kMaxMoveTimeMs);
  options.nodes = OptionalInteger(body, "nodes", 1, kMaxNodes);
  if (const auto seed = OptionalInteger(body, "seed", 0, std::numeric_limits<uint32_t>::max()))
    options.seed = static_cast<uint32_t>(*seed);
  options.checks = OptionalInteger(body, "checks", 0, kMaxChecks);
  return request;
}

}  // namespace

ParsedMoveRequest ParseMoveRequest(std::string_view body) {
  ParsedMoveRequest parsed;
  const auto error =
      ReadJsonBody(body, [&](const Json& json) { parsed.request = CheckedRequest(json); });
  if (error) parsed.error = *error;
  return parsed;
}

}  // namespace pentad::serve
