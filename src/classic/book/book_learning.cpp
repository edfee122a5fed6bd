#include "classic/book/book_learning.hpp"

#include <cstdint>
#include <fstream>
#include <limits>
#include <system_error>

#include "classic/book/book_inspection.hpp"
#include "classic/book/symmetries.hpp"
#include "common/file_lookup.hpp"

namespace pentad::classic::book {
namespace {

constexpr int kFirstLearnedCount = 1;
constexpr int kLastLearnedCount = 9;

std::string BookName(int bookNumber) {
  return "Veklo.ob" + std::to_string(bookNumber);
}

std::filesystem::path BookPathIn(const std::filesystem::path& dir, int bookNumber) {
  const std::string name = BookName(bookNumber);
  if (auto found = FindFileIgnoringCase(dir, name)) return *found;
  return dir / name;
}

std::string DamageOf(const BookFileLayout& layout, size_t size) {
  if (size == 0) return "";
  if (!layout.headerComplete) return "it is shorter than its 4-byte record count";
  if (layout.declaredCount > static_cast<int64_t>(layout.records.size()))
    return "its header announces " + std::to_string(layout.declaredCount) +
           " records but it holds " + std::to_string(layout.records.size());
  for (size_t i = 0; i < layout.records.size(); ++i)
    if (!layout.records[i].complete) return "it ends inside record " + std::to_string(i + 1);
  if (layout.trailingBytes > 0)
    return "it has " + std::to_string(layout.trailingBytes) + " bytes after its last record";
  return "";
}

void AddSaturating(uint32_t& counter) {
  if (counter < std::numeric_limits<uint32_t>::max()) ++counter;
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace

std::string StonesKey(const OpeningRecord& record) {
  std::string key(1, static_cast<char>(record.stoneCount));
  for (const PlayerMoves* list : {&record.ownMoves, &record.oppMoves}) {
    key += static_cast<char>(list->Count());
    for (int i = 0; i < list->Count(); ++i) {
      key += static_cast<char>(list->At(i)->x);
      key += static_cast<char>(list->At(i)->y);
    }
  }
  return key;
}

LearnedBook::LearnedBook(const std::filesystem::path& dir, int bookNumber)
    : path_(BookPathIn(dir, bookNumber)) {}

bool LearnedBook::Load(std::string& error) {
  std::error_code code;
  if (!std::filesystem::exists(path_, code)) return true;
  std::vector<uint8_t> bytes;
  if (const std::string problem = ReadBookFile(path_, bytes); !problem.empty()) {
    error = "cannot read " + path_.string() + ": it " + problem;
    return false;
  }
  BookFileLayout layout;
  book_.LoadFromBytes(bytes, &layout);
  if (const std::string damage = DamageOf(layout, bytes.size()); !damage.empty()) {
    error = path_.string() + " is damaged: " + damage + " (see `pentad book check`)";
    return false;
  }
  for (int i = 0; i < book_.Count(); ++i) Index(book_.At(i));
  return true;
}

void LearnedBook::Index(OpeningRecord* record) {
  byStones_[StonesKey(*record)].push_back(record);
}

// The record the engine would find for `position` under some symmetry and
// carry back to the answer square.
OpeningRecord* LearnedBook::FindSameOpening(const OpeningRecord& position, int answerX,
                                            int answerY) const {
  int ox = 0, oy = 0;
  position.WindowOffset(ox, oy);
  for (int k = 1; k <= kSymmetryCount; ++k) {
    const auto image = position.Clone();
    image->Normalize();
    image->ApplySymmetry(k);
    const auto it = byStones_.find(StonesKey(*image));
    if (it == byStones_.end()) continue;
    for (OpeningRecord* record : it->second) {
      const auto back = record->Clone();
      back->UndoSymmetry(k);
      if (static_cast<int8_t>(back->answerX + ox) == answerX &&
          static_cast<int8_t>(back->answerY + oy) == answerY)
        return record;
    }
  }
  return nullptr;
}

void LearnedBook::Learn(const OpeningRecord& position, int answerX, int answerY, bool moverWon,
                        LearnCounts& counts) {
  OpeningRecord* record = FindSameOpening(position, answerX, answerY);
  if (record == nullptr) {
    // Stored exactly as Normalize leaves the game's position: the inverse
    // symmetries rely on those extents to carry the answer back.
    auto added = position.Clone();
    added->answerX = static_cast<int8_t>(answerX);
    added->answerY = static_cast<int8_t>(answerY);
    added->wins = added->losses = 0;
    added->Normalize();
    record = added.get();
    book_.Add(std::move(added));
    Index(record);
    ++counts.recordsAdded;
  } else {
    ++counts.recordsUpdated;
  }
  AddSaturating(moverWon ? record->wins : record->losses);
  changed_ = true;
}

std::vector<uint8_t> LearnedBook::Bytes() {
  book_.Resort();
  return BookBytes(book_);
}

bool LearnedBook::Write(std::string& error) {
  const std::vector<uint8_t> bytes = Bytes();
  std::filesystem::path temporary = path_;
  temporary += ".tmp";
  std::error_code code;
  if (!WriteBytes(temporary, bytes)) {
    std::filesystem::remove(temporary, code);
    error = "cannot write " + temporary.string();
    return false;
  }
  std::filesystem::rename(temporary, path_, code);
  if (code) {
    std::filesystem::remove(temporary, code);
    error = "cannot replace " + path_.string();
    return false;
  }
  changed_ = false;
  return true;
}

std::vector<LearnedPosition> PositionsOf(const RecordedGame& game) {
  std::vector<LearnedPosition> positions;
  if (game.result != GameResult::kBlackWins && game.result != GameResult::kWhiteWins)
    return positions;
  const bool blackWon = game.result == GameResult::kBlackWins;
  const int played = static_cast<int>(game.moves.size());
  for (int n = kFirstLearnedCount; n <= kLastLearnedCount && n < played; ++n) {
    if (n == 2) continue;
    const bool moverIsBlack = n % 2 == 0;
    auto position = std::make_unique<OpeningRecord>();
    for (int i = 0; i < n; ++i) {
      const bool black = i % 2 == 0;
      if (black == moverIsBlack) {
        position->AddOwnMove(game.moves[i].x, game.moves[i].y);
      } else {
        position->AddOppMove(game.moves[i].x, game.moves[i].y);
      }
    }
    position->stoneCount = static_cast<int8_t>(n);
    positions.push_back({std::move(position), game.moves[n], moverIsBlack == blackWon});
  }
  return positions;
}

}  // namespace pentad::classic::book
