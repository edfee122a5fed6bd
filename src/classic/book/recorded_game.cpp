#include "classic/book/recorded_game.hpp"

#include <cctype>
#include <string>

namespace pentad::classic::book {
namespace {

constexpr int kBoardLines = 20;
// Deeper nesting than any real game record has; bounds the recursion.
constexpr int kDeepestVariation = 200;

struct Property {
  std::string ident;
  std::vector<std::string> values;
};

using Node = std::vector<Property>;
using MainLine = std::vector<Node>;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

class SgfParser {
 public:
  explicit SgfParser(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
  }

  bool ParseCollection(std::vector<MainLine>& lines) {
    for (;;) {
      SkipSpace();
      if (AtEnd()) break;
      if (Peek() != '(') return Fail("expected '(' to start a game");
      if (!ParseGameTree(&lines.emplace_back(), 0)) return false;
    }
    if (lines.empty()) return Fail("no game found");
    return true;
  }

  const std::string& Error() const { return error_; }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

  void SkipSpace() {
    while (!AtEnd() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }

  bool Fail(const std::string& message) {
    int line = 1;
    for (size_t i = 0; i < pos_ && i < text_.size(); ++i) line += text_[i] == '\n';
    error_ = "line " + std::to_string(line) + ": " + message;
    return false;
  }

  // Only the first variation continues the main line; the others are read
  // for their syntax and dropped.
  bool ParseGameTree(MainLine* line, int depth) {
    if (depth > kDeepestVariation) return Fail("variations nested too deeply");
    ++pos_;  // '('
    SkipSpace();
    if (Peek() != ';') return Fail("expected ';' to start a node");
    Node dropped;
    while (Peek() == ';') {
      if (!ParseNode(line != nullptr ? &line->emplace_back() : &dropped)) return false;
      dropped.clear();
      SkipSpace();
    }
    bool first = true;
    while (Peek() == '(') {
      if (!ParseGameTree(first ? line : nullptr, depth + 1)) return false;
      first = false;
      SkipSpace();
    }
    if (Peek() != ')') return Fail(AtEnd() ? "the game is not closed with ')'" : "expected ')'");
    ++pos_;
    return true;
  }

  bool ParseNode(Node* node) {
    ++pos_;  // ';'
    SkipSpace();
    while (std::isalpha(static_cast<unsigned char>(Peek()))) {
      if (!ParseProperty(node->emplace_back())) return false;
      SkipSpace();
    }
    return true;
  }

  bool ParseProperty(Property& property) {
    // Old files mix lower-case letters into names ("AddBlack"); only the
    // capitals count.
    while (std::isalpha(static_cast<unsigned char>(Peek()))) {
      if (std::isupper(static_cast<unsigned char>(Peek()))) property.ident += Peek();
      ++pos_;
    }
    if (property.ident.empty()) return Fail("a property name needs capital letters");
    SkipSpace();
    if (Peek() != '[') return Fail("expected '[' after " + property.ident);
    while (Peek() == '[') {
      if (!ParseValue(property.values.emplace_back())) return false;
      SkipSpace();
    }
    return true;
  }

  bool ParseValue(std::string& value) {
    ++pos_;  // '['
    for (;;) {
      if (AtEnd()) return Fail("a value is not closed with ']'");
      char c = text_[pos_++];
      if (c == ']') return true;
      if (c == '\\') {
        if (AtEnd()) return Fail("a value is not closed with ']'");
        c = text_[pos_++];
        if (c == '\n' || c == '\r') continue;  // soft line break
      }
      value += c;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  std::string error_;
};

bool SquareOf(std::string_view value, GameMove& move) {
  if (value.size() != 2) return false;
  move.x = value[0] - 'a';
  move.y = value[1] - 'a';
  return move.x >= 0 && move.x < kBoardLines && move.y >= 0 && move.y < kBoardLines;
}

class GameInterpreter {
 public:
  GameReading Interpret(const MainLine& line) {
    for (const Node& node : line)
      for (const Property& property : node)
        if (!Take(property)) return reading_;
    if (!sizeSeen_) reading_.error = "no board size: SZ[20] is required";
    return reading_;
  }

 private:
  bool Take(const Property& property) {
    const std::string_view value = Trimmed(property.values.front());
    const std::string& id = property.ident;
    if (id == "GM" && value != "4")
      return Fail("not a Gomoku game (GM[" + std::string(value) + "])");
    if (id == "SZ") {
      if (value != "20" && value != "20:20")
        return Fail("board size SZ[" + std::string(value) + "]: only 20 x 20 is supported");
      sizeSeen_ = true;
    }
    if (id == "RE") reading_.game.result = ResultOf(value);
    if (id == "AB" || id == "AW" || id == "AE")
      return Fail("setup stones (" + id + ") are not supported");
    if (id == "B" || id == "W") return TakeMove(id == "B", value);
    return true;
  }

  bool TakeMove(bool black, std::string_view value) {
    auto& moves = reading_.game.moves;
    const std::string number = "move " + std::to_string(moves.size() + 1);
    if (black != (moves.size() % 2 == 0))
      return Fail(number + ": " + (black ? "B" : "W") + " plays out of turn (black moves first)");
    GameMove move;
    if (value.empty()) return Fail(number + " is a pass");
    if (!SquareOf(value, move))
      return Fail(number + ": \"" + std::string(value) + "\" is not a square of the 20 x 20 board");
    if (taken_[move.x][move.y])
      return Fail(number + ": " + std::string(value) + " is already taken");
    taken_[move.x][move.y] = true;
    moves.push_back(move);
    return true;
  }

  bool Fail(std::string message) {
    reading_.error = std::move(message);
    return false;
  }

  GameReading reading_;
  bool sizeSeen_ = false;
  bool taken_[kBoardLines][kBoardLines] = {};
};

}  // namespace

GameResult ResultOf(std::string_view value) {
  value = Trimmed(value);
  if (value == "0" || EqualsIgnoringCase(value, "Draw")) return GameResult::kDraw;
  if (value.size() >= 2 && value[1] == '+') {
    if (value[0] == 'B' || value[0] == 'b') return GameResult::kBlackWins;
    if (value[0] == 'W' || value[0] == 'w') return GameResult::kWhiteWins;
  }
  return GameResult::kUnknown;
}

SgfReading ReadSgfGames(std::string_view text) {
  SgfReading reading;
  SgfParser parser(text);
  std::vector<MainLine> lines;
  if (!parser.ParseCollection(lines)) {
    reading.error = parser.Error();
    return reading;
  }
  for (const MainLine& line : lines) reading.games.push_back(GameInterpreter().Interpret(line));
  return reading;
}

}  // namespace pentad::classic::book
