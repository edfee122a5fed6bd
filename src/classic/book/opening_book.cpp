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

void FreeStones(PlayerMoves& list) {
  for (int i = 0; i < list.Count(); ++i) delete list.Items(i);
  list.Clear();
}

void CopyStones(const PlayerMoves& from, PlayerMoves& to) {
  for (int i = 0; i < from.Count(); ++i) {
    const WindowSquare* stone = from.Items(i);
    to.Add(new WindowSquare(stone->x, stone->y));
  }
}

void ShiftStones(PlayerMoves& list, int dx, int dy) {
  for (int i = 0; i < list.Count(); ++i) {
    WindowSquare* stone = list.Items(i);
    stone->x = Byte(stone->x - dx);
    stone->y = Byte(stone->y - dy);
  }
}

// Returns the first difference of the common length of two stone lists.
int32_t CompareStoneLists(const PlayerMoves& a, const PlayerMoves& b) {
  const int common = std::min(a.Count(), b.Count());
  for (int i = 0; i < common; ++i) {
    int32_t d = b.Items(i)->x - a.Items(i)->x;
    if (d == 0) d = b.Items(i)->y - a.Items(i)->y;
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
    list.Add(new WindowSquare(static_cast<int8_t>(pair[0]), static_cast<int8_t>(pair[1])));
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
    out.push_back(static_cast<uint8_t>(list.Items(i)->x));
    out.push_back(static_cast<uint8_t>(list.Items(i)->y));
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

OpeningRecord::~OpeningRecord() {
  FreeStones(OwnMoves);
  FreeStones(OppMoves);
}

void OpeningRecord::AddOwnMove(int x, int y) {
  OwnMoves.Add(new WindowSquare(Byte(x), Byte(y)));
}
void OpeningRecord::AddOppMove(int x, int y) {
  OppMoves.Add(new WindowSquare(Byte(x), Byte(y)));
}

void OpeningRecord::Normalize() {
  int minX = kLastLine, minY = kLastLine, maxX = 0, maxY = 0;
  for (PlayerMoves* list : {&OwnMoves, &OppMoves}) {
    for (int i = 0; i < list->Count(); ++i) {
      const WindowSquare* stone = list->Items(i);
      minX = std::min<int>(minX, stone->x);
      minY = std::min<int>(minY, stone->y);
      maxX = std::max<int>(maxX, stone->x);
      maxY = std::max<int>(maxY, stone->y);
    }
    list->Resort();
  }
  OriginX = Byte(std::max(minX - kWindowMargin, 0));
  OriginY = Byte(std::max(minY - kWindowMargin, 0));
  ExtentX = Byte(std::min(maxX + kWindowMargin, kLastLine) - OriginX);
  ExtentY = Byte(std::min(maxY + kWindowMargin, kLastLine) - OriginY);
  ShiftStones(OwnMoves, OriginX, OriginY);
  ShiftStones(OppMoves, OriginX, OriginY);
  StoneCount = Byte(OwnMoves.Count() + OppMoves.Count());
  AnswerX = Byte(AnswerX - OriginX);
  AnswerY = Byte(AnswerY - OriginY);
}

void OpeningRecord::WindowOffset(int& ox, int& oy) const {
  int minX = 127, minY = 127;
  for (const PlayerMoves* list : {&OwnMoves, &OppMoves}) {
    for (int i = 0; i < list->Count(); ++i) {
      minX = std::min<int>(minX, list->Items(i)->x);
      minY = std::min<int>(minY, list->Items(i)->y);
    }
  }
  ox = std::max(minX - kWindowMargin, 0);
  oy = std::max(minY - kWindowMargin, 0);
}

std::unique_ptr<OpeningRecord> OpeningRecord::Clone() const {
  auto copy = std::make_unique<OpeningRecord>();
  copy->OriginX = OriginX;
  copy->OriginY = OriginY;
  copy->ExtentX = ExtentX;
  copy->ExtentY = ExtentY;
  copy->StoneCount = StoneCount;
  uint8_t block[kAnswerBlockSize];
  StoreAnswerBlock(block);
  copy->LoadAnswerBlock(block);
  CopyStones(OwnMoves, copy->OwnMoves);
  CopyStones(OppMoves, copy->OppMoves);
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
  Symmetry = static_cast<uint8_t>(k);
  // Every stone and the answer see the record's own extents: the exchange a
  // turn makes happens on copies.
  const auto transform = [&](int8_t& x, int8_t& y) {
    int8_t extentX = ExtentX, extentY = ExtentY;
    entry.Apply(x, y, extentX, extentY);
  };
  for (PlayerMoves* list : {&OwnMoves, &OppMoves}) {
    for (int i = 0; i < list->Count(); ++i) transform(list->Items(i)->x, list->Items(i)->y);
    list->Resort();
  }
  transform(AnswerX, AnswerY);
  Normalize();
}

void OpeningRecord::StoreAnswerBlock(uint8_t block[kAnswerBlockSize]) const {
  block[0] = static_cast<uint8_t>(AnswerX);
  block[1] = static_cast<uint8_t>(AnswerY);
  PutLittleEndian32(Wins, block + 2);
  PutLittleEndian32(Losses, block + 6);
}

void OpeningRecord::LoadAnswerBlock(const uint8_t block[kAnswerBlockSize]) {
  AnswerX = static_cast<int8_t>(block[0]);
  AnswerY = static_cast<int8_t>(block[1]);
  Wins = LittleEndian32(block + 2);
  Losses = LittleEndian32(block + 6);
}

int32_t ComparePositions(const OpeningRecord* a, const OpeningRecord* b) {
  const int32_t d = b->StoneCount - a->StoneCount;
  if (d != 0) return d;
  const int32_t own = CompareStoneLists(a->OwnMoves, b->OwnMoves);
  if (own != 0) return own;
  return CompareStoneLists(a->OppMoves, b->OppMoves);
}

int32_t CompareOpenings(const OpeningRecord* a, const OpeningRecord* b) {
  int32_t d = ComparePositions(a, b);
  if (d == 0) d = b->AnswerX - a->AnswerX;
  if (d == 0) d = b->AnswerY - a->AnswerY;
  return d;
}

OpeningBook::OpeningBook() {
  SetCompare(CompareOpenings);
}

OpeningBook::~OpeningBook() {
  for (int i = 0; i < Count(); ++i) delete Items(i);
}

void OpeningBook::FreeItem(int index) {
  delete Items(index);
  Delete(index);
}

bool OpeningBook::LoadFromFile(const BookLoadLimits& limits, bool* complete) {
  if (complete != nullptr) *complete = false;
  std::error_code error;
  if (!std::filesystem::is_regular_file(FileName, error)) return false;
  std::ifstream in(FileName, std::ios::binary);
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
    Add(record.release());
    if (layout != nullptr) layout->records.push_back(recordLayout);
  }
  if (layout != nullptr) layout->trailingBytes = stream.Remaining();
  Resort();
  return !stopped;
}

void OpeningBook::ReadOpening(OpeningRecord& record, ByteStream& stream, RecordLayout* layout) {
  const size_t start = stream.Position();
  uint8_t head[3] = {static_cast<uint8_t>(record.ExtentX), static_cast<uint8_t>(record.ExtentY),
                     static_cast<uint8_t>(record.StoneCount)};
  bool complete = stream.Read(head, sizeof head) == sizeof head;
  record.ExtentX = static_cast<int8_t>(head[0]);
  record.ExtentY = static_cast<int8_t>(head[1]);
  record.StoneCount = static_cast<int8_t>(head[2]);
  uint8_t block[kAnswerBlockSize];
  record.StoreAnswerBlock(block);
  complete = stream.Read(block, sizeof block) == sizeof block && complete;
  record.LoadAnswerBlock(block);
  const uint32_t ownCount = ReadCountField(stream);
  ReadStones(record.OwnMoves, ownCount, stream);
  const uint32_t oppCount = ReadCountField(stream);
  ReadStones(record.OppMoves, oppCount, stream);
  const size_t expected =
      21 + 2 * static_cast<size_t>(record.OwnMoves.Count() + record.OppMoves.Count());
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
      image->OwnMoves.Resort();
      image->OppMoves.Resort();
      const std::unique_ptr<OpeningRecord> record = take(*image);
      if (!record) continue;
      found = passFound = true;
      record->UndoSymmetry(k);
      auto answer = std::make_unique<FoundAnswer>();
      answer->AnswerX = Byte(record->AnswerX + ox);
      answer->AnswerY = Byte(record->AnswerY + oy);
      answer->Wins = record->Wins;
      answer->Losses = record->Losses;
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
        auto record = Items(index)->Clone();
        FreeItem(index);
        return record;
      },
      results);
}

void WriteOpening(const OpeningRecord& record, std::vector<uint8_t>& out) {
  out.push_back(static_cast<uint8_t>(record.ExtentX));
  out.push_back(static_cast<uint8_t>(record.ExtentY));
  out.push_back(static_cast<uint8_t>(record.StoneCount));
  uint8_t block[kAnswerBlockSize];
  record.StoreAnswerBlock(block);
  out.insert(out.end(), block, block + kAnswerBlockSize);
  WriteStones(record.OwnMoves, out);
  WriteStones(record.OppMoves, out);
}

std::vector<uint8_t> BookBytes(const OpeningBook& book) {
  std::vector<uint8_t> out;
  Append32(static_cast<uint32_t>(book.Count()), out);
  for (int i = 0; i < book.Count(); ++i) WriteOpening(*book.Items(i), out);
  return out;
}

}  // namespace pentad::classic::book
