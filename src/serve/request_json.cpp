#include "serve/request_json.hpp"

#include "text/utf8.hpp"

namespace pentad::serve {

namespace {

using Json = nlohmann::json;

std::string LineName(size_t y) {
  return "board line " + std::to_string(y);
}

std::string CheckedBoardText(const Json& board) {
  if (!board.is_array() || board.size() != kBoardSize)
    throw BadRequest{"\"board\" must be an array of 20 strings of 20 characters"};
  std::string text;
  for (size_t y = 0; y < board.size(); ++y) {
    if (!board[y].is_string()) throw BadRequest{LineName(y) + " is not a string"};
    const std::string& line = board[y].get_ref<const std::string&>();
    if (line.size() != kBoardSize)
      throw BadRequest{LineName(y) + " has " + std::to_string(line.size()) +
                       " characters instead of 20"};
    for (size_t x = 0; x < line.size(); ++x) {
      const char c = line[x];
      if (c != '-' && c != 'x' && c != 'o')
        throw BadRequest{LineName(y) + " holds an invalid character at column " +
                         std::to_string(x) + "; only \"-\", \"x\" and \"o\" are allowed"};
    }
    text += line;
    text += '\n';
  }
  return text;
}

uint8_t CheckedSide(const Json& body) {
  const auto side = body.find("side");
  if (side == body.end()) throw BadRequest{"\"side\" is missing: give \"x\" or \"o\""};
  if (*side == "x") return kPlayerX;
  if (*side == "o") return kPlayerO;
  throw BadRequest{"\"side\" must be \"x\" or \"o\""};
}

// The library prefixes its messages with "[json.exception.parse_error.N] ",
// which tells a user of the page nothing. They quote the bytes read, which
// may end inside a character; '?' stands in for every byte outside ASCII so
// that the message is always valid UTF-8.
std::string LibraryMessage(const Json::exception& e) {
  std::string message = e.what();
  if (message.starts_with("[")) {
    const size_t end = message.find("] ");
    if (end != std::string::npos) message.erase(0, end + 2);
  }
  for (char& c : message)
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  return message;
}

}  // namespace

std::optional<std::string> ReadJsonBody(std::string_view body,
                                        const std::function<void(const Json&)>& read) {
  if (body.size() > kMaxRequestBytes) return "the request body is over 64 KiB";
  if (const auto offset = text::FirstInvalidUtf8(body))
    return "the request body is not valid UTF-8 at byte " + std::to_string(*offset);
  try {
    const Json parsed = Json::parse(body);
    if (!parsed.is_object()) throw BadRequest{"the request must be a JSON object"};
    read(parsed);
  } catch (const Json::parse_error& e) {
    return "malformed JSON: " + LibraryMessage(e);
  } catch (const Json::out_of_range& e) {
    return "a number is too large for any field: " + LibraryMessage(e);
  } catch (const BadRequest& e) {
    return e.message;
  }
  return std::nullopt;
}

Position CheckedPosition(const Json& body) {
  const auto board = body.find("board");
  if (board == body.end()) throw BadRequest{"\"board\" is missing"};
  Position position;
  ParsePositionText(CheckedBoardText(*board), position);
  if (position.StoneCount() == kBoardSize * kBoardSize)
    throw BadRequest{"the board is full: there is no move to make"};
  position.sideRead = CheckedSide(body);
  return position;
}

std::optional<int64_t> OptionalInteger(const Json& body, const char* name, int64_t low,
                                       int64_t high) {
  const auto field = body.find(name);
  if (field == body.end() || field->is_null()) return std::nullopt;
  const std::string range = std::to_string(low) + ".." + std::to_string(high);
  if (!field->is_number_integer())
    throw BadRequest{std::string("\"") + name + "\" must be an integer in " + range};
  // The library reads every non-negative number as unsigned.
  const bool fitsSigned =
      field->is_number_unsigned()
          ? field->get<uint64_t>() <= static_cast<uint64_t>(high) &&
                (low <= 0 || field->get<uint64_t>() >= static_cast<uint64_t>(low))
          : field->get<int64_t>() >= low && field->get<int64_t>() <= high;
  if (!fitsSigned) throw BadRequest{std::string("\"") + name + "\" must be an integer in " + range};
  return field->get<int64_t>();
}

}  // namespace pentad::serve
