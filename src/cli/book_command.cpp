// `pentad book`: shows, checks and writes the opening books "Veklo.ob1"
// (even stone counts) and "Veklo.ob2" (odd).
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "classic/book/book_inspection.hpp"
#include "classic/book/book_learning.hpp"
#include "classic/book/recorded_game.hpp"
#include "cli/book_store.hpp"
#include "cli/commands.hpp"
#include "common/regular_file.hpp"

namespace pentad::cli {

namespace {

namespace fs = std::filesystem;
using classic::book::BookReport;
using classic::book::OpeningBook;
using classic::book::OpeningRecord;

constexpr int kExitProblems = 1;
constexpr int kExitError = 2;
// Game records to learn from: a match of many thousands of games fits.
constexpr ReadBounds kGameFileBounds{
    .maxBytes = size_t{256} << 20, .maxTime = std::chrono::seconds(30), .followLink = true};

struct BookOptions {
  CLI::App* show = nullptr;
  CLI::App* check = nullptr;
  CLI::App* learn = nullptr;
  std::string showFile;
  std::string checkFile;
  std::vector<std::string> games;
  std::string dir = ".";
};

struct InspectedBook {
  OpeningBook book;
  BookReport report;
};

std::unique_ptr<InspectedBook> Inspect(const std::string& file) {
  std::vector<uint8_t> bytes;
  if (const std::string problem = classic::book::ReadBookFile(file, bytes); !problem.empty()) {
    std::cerr << "pentad book: cannot read " << file << ": it " << problem << "\n";
    return nullptr;
  }
  auto inspected = std::make_unique<InspectedBook>();
  const int number = classic::book::BookNumberOfFileName(fs::path(file).filename().string());
  inspected->report = classic::book::InspectBook(bytes, number, inspected->book);
  return inspected;
}

std::string Square(int x, int y) {
  return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

std::string RecordText(const OpeningRecord& record) {
  const std::string answer = record.answerX == -1 && record.answerY == -1
                                 ? "none"
                                 : Square(record.answerX, record.answerY);
  return "stones " + std::to_string(record.stoneCount) + ", extents " +
         std::to_string(record.extentX) + " x " + std::to_string(record.extentY) +
         "\n    own:    " + classic::book::StonesText(record.ownMoves) +
         "\n    other:  " + classic::book::StonesText(record.oppMoves) + "\n    answer " + answer +
         ", wins " + std::to_string(record.wins) + ", losses " + std::to_string(record.losses);
}

void PrintFileProblems(const BookReport& report, std::ostream& out) {
  for (const std::string& problem : report.fileProblems) out << "  file: " << problem << "\n";
}

// In book order: the order the engine keeps after loading.
int RunShow(const std::string& file) {
  const auto inspected = Inspect(file);
  if (!inspected) return kExitError;
  const OpeningBook& openings = inspected->book;
  std::map<const OpeningRecord*, int> fileIndex;
  for (size_t i = 0; i < inspected->report.layout.records.size(); ++i)
    fileIndex[inspected->report.layout.records[i].record] = static_cast<int>(i + 1);
  std::cout << file << ": " << openings.Count() << " record" << (openings.Count() == 1 ? "" : "s")
            << " (window coordinates, in book order)\n";
  PrintFileProblems(inspected->report, std::cout);
  for (int i = 0; i < openings.Count(); ++i) {
    const OpeningRecord* record = openings.At(i);
    std::cout << i + 1 << ". [file record " << fileIndex[record] << "] " << RecordText(*record)
              << "\n";
  }
  return 0;
}

// A journal left in the directory is a learn run that was cut off after it
// had decided to change the books: its change is completed before anything
// reads them. Returns false, with a message, when that fails.
bool CompleteInterruptedLearn(const fs::path& dir, const std::string& command) {
  std::string error;
  bool finished = false;
  if (!FinishBookCommit(dir, finished, error)) {
    std::cerr << command << ": " << error << "\n";
    return false;
  }
  if (finished)
    std::cerr << command << ": completed the interrupted learn run in " << dir.string() << "\n";
  return true;
}

int RunCheck(const std::string& file) {
  const fs::path dir =
      fs::path(file).parent_path().empty() ? fs::path(".") : fs::path(file).parent_path();
  std::error_code code;
  // Only a journal needs the lock: checking alone must work in a directory
  // the user cannot write.
  if (fs::exists(dir / kBookJournalName, code)) {
    std::string error;
    const auto lock = BookDirectoryLock::Acquire(dir, std::cerr, error);
    if (!lock) {
      std::cerr << "pentad book check: " << error << "\n";
      return kExitError;
    }
    if (!CompleteInterruptedLearn(dir, "pentad book check")) return kExitError;
  }
  const auto inspected = Inspect(file);
  if (!inspected) return kExitError;
  const BookReport& report = inspected->report;
  std::cout << file << ": " << report.records.size() << " records\n";
  PrintFileProblems(report, std::cout);
  for (const auto& record : report.records)
    for (const std::string& problem : record.problems)
      std::cout << "  record " << record.fileIndex << ": " << problem << "\n";
  if (report.Clean()) {
    std::cout << "every record can be found as written\n";
    return 0;
  }
  std::cout << report.RecordsWithProblems() << " of " << report.records.size()
            << " records break the book rules"
            << (report.fileProblems.empty() ? "" : "; the file itself is damaged") << "\n";
  return kExitProblems;
}

struct GameFile {
  std::string name;
  std::vector<classic::book::RecordedGame> games;
};

// Reads every game first: one bad file stops the run before a book changes.
bool ReadGames(const std::vector<std::string>& files, std::vector<GameFile>& read, int& skipped) {
  bool ok = true;
  for (const std::string& name : files) {
    const FileContents contents = ReadRegularFile(name, kGameFileBounds);
    if (!contents.Read()) {
      std::cerr << "pentad book learn: cannot read " << name << ": it " << contents.error << "\n";
      ok = false;
      continue;
    }
    const classic::book::SgfReading reading = classic::book::ReadSgfGames(contents.bytes);
    if (!reading.error.empty()) {
      std::cerr << "pentad book learn: " << name << ": " << reading.error << "\n";
      ok = false;
      continue;
    }
    GameFile& file = read.emplace_back();
    file.name = name;
    for (size_t i = 0; i < reading.games.size(); ++i) {
      const std::string where = name + ", game " + std::to_string(i + 1);
      const classic::book::GameReading& game = reading.games[i];
      if (!game.error.empty()) {
        std::cerr << "pentad book learn: " << where << ": " << game.error << "\n";
        ok = false;
      } else if (game.game.result == classic::book::GameResult::kUnknown) {
        std::cerr << "pentad book learn: " << where << ": no result (RE[B+...], RE[W+...], "
                  << "RE[0] or RE[Draw]); skipped\n";
        ++skipped;
      } else {
        file.games.push_back(game.game);
      }
    }
  }
  return ok;
}

int RunLearn(const BookOptions& options) {
  std::error_code code;
  if (!fs::is_directory(options.dir, code)) {
    std::cerr << "pentad book learn: " << options.dir << " is not a directory\n";
    return kExitError;
  }
  std::vector<GameFile> files;
  int skipped = 0;
  if (!ReadGames(options.games, files, skipped)) {
    std::cerr << "pentad book learn: nothing written\n";
    return kExitError;
  }
  std::string lockError;
  const auto lock = BookDirectoryLock::Acquire(options.dir, std::cerr, lockError);
  if (!lock) {
    std::cerr << "pentad book learn: " << lockError << "; nothing written\n";
    return kExitError;
  }
  if (!CompleteInterruptedLearn(options.dir, "pentad book learn")) return kExitError;
  classic::book::LearnedBook books[2] = {classic::book::LearnedBook(options.dir, 1),
                                         classic::book::LearnedBook(options.dir, 2)};
  for (auto& learned : books) {
    std::string error;
    if (!learned.Load(error)) {
      std::cerr << "pentad book learn: " << error << "; nothing written\n";
      return kExitError;
    }
  }
  classic::book::LearnCounts counts[2];
  int games = 0;
  for (const GameFile& file : files) {
    for (const classic::book::RecordedGame& game : file.games) {
      ++games;
      for (const auto& learned : classic::book::PositionsOf(game)) {
        const int index = learned.position->stoneCount % 2;
        books[index].Learn(*learned.position, learned.answer.x, learned.answer.y, learned.moverWon,
                           counts[index]);
      }
    }
  }
  std::vector<StagedBook> staged;
  for (auto& learned : books)
    if (learned.Changed()) staged.push_back({learned.Path(), learned.Bytes()});
  std::string error;
  if (!staged.empty() && !CommitBooks(options.dir, staged, error)) {
    std::cerr << "pentad book learn: " << error << "\n";
    return kExitError;
  }
  for (int i = 0; i < 2; ++i) {
    if (!books[i].Changed()) continue;
    std::cout << books[i].Path().string() << ": " << books[i].Book().Count() << " records, "
              << counts[i].recordsAdded << " added, " << counts[i].recordsUpdated << " updated\n";
  }
  std::cout << games << " game" << (games == 1 ? "" : "s") << " learned";
  if (skipped > 0) std::cout << ", " << skipped << " skipped";
  std::cout << "\n";
  return 0;
}

}  // namespace

CommandRunner AddBookCommand(CLI::App& app) {
  auto options = std::make_shared<BookOptions>();
  CLI::App* cmd = app.add_subcommand(
      "book", "Show, check and learn the opening books \"Veklo.ob1\" and \"Veklo.ob2\"");
  cmd->require_subcommand(1);
  options->show = cmd->add_subcommand("show", "Print every record of a book file, in book order");
  options->show->add_option("file", options->showFile, "Book file")->required();
  options->check = cmd->add_subcommand(
      "check", "List the records the engine cannot find as written; exit status 1 if any");
  options->check->add_option("file", options->checkFile, "Book file")->required();
  options->learn = cmd->add_subcommand(
      "learn", "Add finished games (SGF, FF[4] GM[4] SZ[20]) to the books in DIR");
  options->learn->add_option("games", options->games, "SGF files")->required();
  options->learn->add_option("--dir", options->dir, "Directory of the book files")
      ->capture_default_str();
  return [options] {
    if (options->show->parsed()) return RunShow(options->showFile);
    if (options->check->parsed()) return RunCheck(options->checkFile);
    return RunLearn(*options);
  };
}

}  // namespace pentad::cli
