#include "classic/book/opening_book.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "classic/book/symmetries.hpp"

namespace pentad::classic::book {
namespace {

// Record fields are signed bytes; arithmetic on them wraps as bytes do.
int8_t Byte(int value) {
  return static_cast<int8_t>(value);
}

constexpr int kWindowMargin = 7;
constexpr int kLastLine = 19;
// Counts whose low byte is 0 or above this read no stones.
constexpr int kMostStonesPerList = 128;

uint32_t LittleEndian32(const uint8_t bytes[4]) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutLittleEndian32(uint32_t value, uint8_t bytes[4]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void Append32(uint32_t value, std::vector<uint8_t>& out) {
  uint8_t bytes[4];
  PutLittleEndian32(value, bytes);
  out.insert(out.end(), bytes, bytes + 4);
}

void CopyStones(const PlayerMoves& from, PlayerMoves& to) {
  for (int i = 0; i < from.Count(); ++i) {
    const WindowSquare* stone = from.At(i);
    to.Add(std::make_unique<WindowSquare>(stone->x, stone->y));
  }
}

void ShiftStones(PlayerMoves& list, int dx, int dy) {
  for (int i = 0; i < list.Count(); ++i) {
    WindowSquare* stone = list.At(i);
    stone->x = Byte(stone->x - dx);
    stone->y = Byte(stone->y - dy);
  }
}

// Returns the first difference of the common length of two stone lists.
int32_t CompareStoneLists(const PlayerMoves& a, const PlayerMoves& b) {
  const int common = std::min(a.Count(), b.Count());
  for (int i = 0; i < common; ++i) {
    int32_t d = b.At(i)->x - a.At(i)->x;
    if (d == 0) d = b.At(i)->y - a.At(i)->y;
    if (d != 0) return d;
  }
  return 0;
}

void ReadStones(PlayerMoves& list, uint32_t countField, ByteStream& stream) {
  const int count = static_cast<int>(countField & 0xFF);
  if (count == 0 || count > kMostStonesPerList) return;
  for (int i = 0; i < count; ++i) {
    // A pair cut off by the end of the file keeps zeros where bytes are missing.
    uint8_t pair[2] = {0, 0};
    stream.Read(pair, sizeof pair);
    list.Add(
        std::make_unique<WindowSquare>(static_cast<int8_t>(pair[0]), static_cast<int8_t>(pair[1])));
  }
}

uint32_t ReadCountField(ByteStream& stream) {
  uint8_t bytes[4] = {0, 0, 0, 0};
  stream.Read(bytes, sizeof bytes);
  return LittleEndian32(bytes);
}

void WriteStones(const PlayerMoves& list, std::vector<uint8_t>& out) {
  Append32(static_cast<uint32_t>(list.Count()), out);
  for (int i = 0; i < list.Count(); ++i) {
    out.push_back(static_cast<uint8_t>(list.At(i)->x));
    out.push_back(static_cast<uint8_t>(list.At(i)->y));
  }
}

// How often a long load asks whether to stop.
constexpr int32_t kRecordsBetweenStopChecks = 256;

}  // namespace

int32_t CompareSquares(const WindowSquare* a, const WindowSquare* b) {
  const int32_t d = b->x - a->x;
  return d != 0 ? d : b->y - a->y;
}

PlayerMoves::PlayerMoves() {
  SetCompare(CompareSquares);
}

void OpeningRecord::AddOwnMove(int x, int y) {
  ownMoves.Add(std::make_unique<WindowSquare>(Byte(x), Byte(y)));
}
void OpeningRecord::AddOppMove(int x, int y) {
  oppMoves.Add(std::make_unique<WindowSquare>(Byte(x), Byte(y)));
}

void OpeningRecord::Normalize() {
  int minX = kLastLine, minY = kLastLine, maxX = 0, maxY = 0;
  for (PlayerMoves* list : {&ownMoves, &oppMoves}) {
    for (int i = 0; i < list->Count(); ++i) {
      const WindowSquare* stone = list->At(i);
      minX = std::min<int>(minX, stone->x);
      minY = std::min<int>(minY, stone->y);
      maxX = std::max<int>(maxX, stone->x);
      maxY = std::max<int>(maxY, stone->y);
    }
    list->Resort();
  }
  originX = Byte(std::max(minX - kWindowMargin, 0));
  originY = Byte(std::max(minY - kWindowMargin, 0));
  extentX = Byte(std::min(maxX + kWindowMargin, kLastLine) - originX);
  extentY = Byte(std::min(maxY + kWindowMargin, kLastLine) - originY);
  ShiftStones(ownMoves, originX, originY);
  ShiftStones(oppMoves, originX, originY);
  stoneCount = Byte(ownMoves.Count() + oppMoves.Count());
  answerX = Byte(answerX - originX);
  answerY = Byte(answerY - originY);
}

void OpeningRecord::WindowOffset(int& ox, int& oy) const {
  int minX = 127, minY = 127;
  for (const PlayerMoves* list : {&ownMoves, &oppMoves}) {
    for (int i = 0; i < list->Count(); ++i) {
      minX = std::min<int>(minX, list->At(i)->x);
      minY = std::min<int>(minY, list->At(i)->y);
    }
  }
  ox = std::max(minX - kWindowMargin, 0);
  oy = std::max(minY - kWindowMargin, 0);
}

std::unique_ptr<OpeningRecord> OpeningRecord::Clone() const {
  auto copy = std::make_unique<OpeningRecord>();
  copy->originX = originX;
  copy->originY = originY;
  copy->extentX = extentX;
  copy->extentY = extentY;
  copy->stoneCount = stoneCount;
  uint8_t block[kAnswerBlockSize];
  StoreAnswerBlock(block);
  copy->LoadAnswerBlock(block);
  CopyStones(ownMoves, copy->ownMoves);
  CopyStones(oppMoves, copy->oppMoves);
  return copy;
}

void OpeningRecord::ApplySymmetry(int k) {
  ApplyEntry(k, false);
}
void OpeningRecord::UndoSymmetry(int k) {
  ApplyEntry(k, true);
}

void OpeningRecord::ApplyEntry(int k, bool inverse) {
  const SymmetryEntry& entry = inverse ? InverseSymmetry(k) : ForwardSymmetry(k);
  symmetry = static_cast<uint8_t>(k);
  // Every stone and the answer see the record's own extents: the exchange a
  // turn makes happens on copies.
  const auto transform = [&](int8_t& x, int8_t& y) {
    int8_t windowX = extentX, windowY = extentY;
    entry.Apply(x, y, windowX, windowY);
  };
  for (PlayerMoves* list : {&ownMoves, &oppMoves}) {
    for (int i = 0; i < list->Count(); ++i) transform(list->At(i)->x, list->At(i)->y);
    list->Resort();
  }
  transform(answerX, answerY);
  Normalize();
}

void OpeningRecord::StoreAnswerBlock(uint8_t block[kAnswerBlockSize]) const {
  block[0] = static_cast<uint8_t>(answerX);
  block[1] = static_cast<uint8_t>(answerY);
  PutLittleEndian32(wins, block + 2);
  PutLittleEndian32(losses, block + 6);
}

void OpeningRecord::LoadAnswerBlock(const uint8_t block[kAnswerBlockSize]) {
  answerX = static_cast<int8_t>(block[0]);
  answerY = static_cast<int8_t>(block[1]);
  wins = LittleEndian32(block + 2);
  losses = LittleEndian32(block + 6);
}

int32_t ComparePositions(const OpeningRecord* a, const OpeningRecord* b) {
  const int32_t d = b->stoneCount - a->stoneCount;
  if (d != 0) return d;
  const int32_t own = CompareStoneLists(a->ownMoves, b->ownMoves);
  if (own != 0) return own;
  return CompareStoneLists(a->oppMoves, b->oppMoves);
}

int32_t CompareOpenings(const OpeningRecord* a, const OpeningRecord* b) {
  int32_t d = ComparePositions(a, b);
  if (d == 0) d = b->answerX - a->answerX;
  if (d == 0) d = b->answerY - a->answerY;
  return d;
}

OpeningBook::OpeningBook() {
  SetCompare(CompareOpenings);
}

bool OpeningBook::LoadFromFile(const BookLoadLimits& limits, bool* complete) {
  if (complete != nullptr) *complete = false;
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) return false;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  ByteStream stream(in, limits.maxBytes);
  const bool whole = LoadRecords(stream, nullptr, limits.stop);
  if (in.bad()) return false;
  if (complete != nullptr)
    *complete = whole && (stream.Position() < limits.maxBytes || in.peek() == EOF);
  return true;
}

bool OpeningBook::LoadFromBytes(std::span<const uint8_t> data, BookFileLayout* layout) {
  ByteStream stream(data);
  LoadRecords(stream, layout, nullptr);
  return true;
}

bool OpeningBook::LoadRecords(ByteStream& stream, BookFileLayout* layout,
                              const std::function<bool()>& stop) {
  uint8_t countBytes[4] = {0, 0, 0, 0};
  const bool headerComplete = stream.Read(countBytes, sizeof countBytes) == sizeof countBytes;
  const auto declared = static_cast<int32_t>(LittleEndian32(countBytes));
  if (layout != nullptr) {
    layout->declaredCount = declared;
    layout->headerComplete = headerComplete;
  }
  // A count beyond what the file holds stops at the end of the data, so a
  // damaged header can cost neither memory nor time.
  bool stopped = false;
  for (int32_t i = 0; i < declared && !stream.AtEnd(); ++i) {
    if (stop && i % kRecordsBetweenStopChecks == 0 && i > 0 && stop()) {
      stopped = true;
      break;
    }
    auto record = std::make_unique<OpeningRecord>();
    RecordLayout recordLayout;
    ReadOpening(*record, stream, layout != nullptr ? &recordLayout : nullptr);
    Add(std::move(record));
    if (layout != nullptr) layout->records.push_back(recordLayout);
  }
  if (layout != nullptr) layout->trailingBytes = stream.Remaining();
  Resort();
  return !stopped;
}

void OpeningBook::ReadOpening(OpeningRecord& record, ByteStream& stream, RecordLayout* layout) {
  const size_t start = stream.Position();
  uint8_t head[3] = {static_cast<uint8_t>(record.extentX), static_cast<uint8_t>(record.extentY),
                     static_cast<uint8_t>(record.stoneCount)};
  bool complete = stream.Read(head, sizeof head) == sizeof head;
  record.extentX = static_cast<int8_t>(head[0]);
  record.extentY = static_cast<int8_t>(head[1]);
  record.stoneCount = static_cast<int8_t>(head[2]);
  uint8_t block[kAnswerBlockSize];
  record.StoreAnswerBlock(block);
  complete = stream.Read(block, sizeof block) == sizeof block && complete;
  record.LoadAnswerBlock(block);
  const uint32_t ownCount = ReadCountField(stream);
  ReadStones(record.ownMoves, ownCount, stream);
  const uint32_t oppCount = ReadCountField(stream);
  ReadStones(record.oppMoves, oppCount, stream);
  const size_t expected =
      21 + 2 * static_cast<size_t>(record.ownMoves.Count() + record.oppMoves.Count());
  if (layout != nullptr) {
    layout->record = &record;
    layout->offset = start;
    layout->size = stream.Position() - start;
    layout->ownCountField = ownCount;
    layout->oppCountField = oppCount;
    layout->complete = complete && layout->size == expected;
  }
}

bool CollectAnswers(const OpeningRecord& query, const RecordTaker& take,
                    std::vector<std::unique_ptr<FoundAnswer>>& results) {
  bool found = false;
  // A matched record leaves the lookup, so passes repeat until one finds
  // nothing and every matching record is reported exactly once.
  for (bool passFound = true; passFound;) {
    passFound = false;
    for (int k = 1; k <= kSymmetryCount; ++k) {
      const std::unique_ptr<OpeningRecord> image = query.Clone();
      int ox = 0, oy = 0;
      query.WindowOffset(ox, oy);
      image->Normalize();
      image->ApplySymmetry(k);
      image->ownMoves.Resort();
      image->oppMoves.Resort();
      const std::unique_ptr<OpeningRecord> record = take(*image);
      if (!record) continue;
      found = passFound = true;
      record->UndoSymmetry(k);
      auto answer = std::make_unique<FoundAnswer>();
      answer->answerX = Byte(record->answerX + ox);
      answer->answerY = Byte(record->answerY + oy);
      answer->wins = record->wins;
      answer->losses = record->losses;
      results.push_back(std::move(answer));
    }
  }
  return found;
}

bool OpeningBook::FindAnswers(std::vector<std::unique_ptr<FoundAnswer>>& results,
                              const OpeningRecord& query) {
  SetSorted(false);
  SetCompare(ComparePositions);
  return CollectAnswers(
      query,
      [this](const OpeningRecord& image) -> std::unique_ptr<OpeningRecord> {
        int index = -1;
        if (!Find(&image, index)) return nullptr;
        return Take(index);
      },
      results);
}

void WriteOpening(const OpeningRecord& record, std::vector<uint8_t>& out) {
  out.push_back(static_cast<uint8_t>(record.extentX));
  out.push_back(static_cast<uint8_t>(record.extentY));
  out.push_back(static_cast<uint8_t>(record.stoneCount));
  uint8_t block[kAnswerBlockSize];
  record.StoreAnswerBlock(block);
  out.insert(out.end(), block, block + kAnswerBlockSize);
  WriteStones(record.ownMoves, out);
  WriteStones(record.oppMoves, out);
}

std::vector<uint8_t> BookBytes(const OpeningBook& book) {
  std::vector<uint8_t> out;
  Append32(static_cast<uint32_t>(book.Count()), out);
  for (int i = 0; i < book.Count(); ++i) WriteOpening(*book.At(i), out);
  return out;
}

}  // namespace pentad::classic::book
