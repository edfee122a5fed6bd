// libFuzzer target: arbitrary bytes as a book file. Loading, checking,
// writing back and looking positions up must never crash, hang or read
// outside the data.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "classic/book/book_inspection.hpp"
#include "classic/book/opening_book.hpp"

namespace {

using pentad::classic::book::OpeningBook;
using pentad::classic::book::OpeningRecord;

// A board position made from a record's stones, pushed onto the board.
std::unique_ptr<OpeningRecord> QueryFrom(const OpeningRecord& record) {
  auto query = std::make_unique<OpeningRecord>();
  const auto onBoard = [](int v) { return v < 0 ? 0 : v > 19 ? 19 : v; };
  for (int i = 0; i < record.ownMoves.Count(); ++i)
    query->AddOwnMove(onBoard(record.ownMoves.At(i)->x), onBoard(record.ownMoves.At(i)->y));
  for (int i = 0; i < record.oppMoves.Count(); ++i)
    query->AddOppMove(onBoard(record.oppMoves.At(i)->x), onBoard(record.oppMoves.At(i)->y));
  query->stoneCount = static_cast<int8_t>(query->ownMoves.Count() + query->oppMoves.Count());
  return query;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  OpeningBook book;
  const pentad::classic::book::BookReport report =
      pentad::classic::book::InspectBook(bytes, 1, book);
  if (report.records.size() != static_cast<size_t>(book.Count())) __builtin_trap();

  // What the writer makes of the records reads back as the same records.
  OpeningBook reread;
  reread.LoadFromBytes(pentad::classic::book::BookBytes(book));
  if (reread.Count() != book.Count()) __builtin_trap();

  for (int i = 0; i < book.Count() && i < 4; ++i) {
    const auto query = QueryFrom(*book.At(i));
    std::vector<std::unique_ptr<pentad::classic::book::FoundAnswer>> results;
    reread.FindAnswers(results, *query);
  }
  return 0;
}
