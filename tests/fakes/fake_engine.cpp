// Fake engines for the match runner's tests. One source, two builds: with
// FAKE_PIPE=0 a file-exchange engine (one process per move, the files in
// its working directory), with FAKE_PIPE=1 a pipe brain.
//
//   fake-file-engine MODE      pbrain-fake MODE
//
// MODE: first (the first empty square, row by row), pattern (the first
// empty square of its own colour in a full-board pattern without fives),
// offboard, onstone, garbage, missing, hang, hang-as-x, hang-alone (no
// child), crash, exit3, chatty, not-utf8 (a note and an answer that are not
// UTF-8); the file kind also: side-dir and side-fifo (leaves its move file
// as a directory or a FIFO), message-fifo, message-zero (a link to
// /dev/zero) and message-huge (1 MiB and a byte, sparse) as its message
// file; the pipe kind also: silent-start, slow-start (answers START after
// 600 ms), late-about, ignore-end.
// FAKE_PID_DIR: every process leaves an empty file named by its pid there.
// FAKE_FILES_DIR: the file kind copies the files it is given there as
// "<stones>-<name>". FAKE_LOG: the pipe kind appends every line it reads.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

// A file engine is started for every move; in the sanitizer build a leak
// check at each exit made a 400-move game take half a minute. The fakes are
// test doubles: the runner they talk to keeps its own leak check.
extern "C" int __lsan_is_turned_off() {
  return 1;
}

namespace {

constexpr int kSize = 20;
enum Stone { kEmpty = 0, kX = 1, kO = 2 };
using Board = std::vector<std::vector<int>>;  // [y][x]

std::string gMode;
// A Latin-1 letter, a stray continuation byte, a truncated sequence.
constexpr const char* kNotUtf8 = "caf\xe9 \xbf\xe2\x82";

Board EmptyBoard() {
  return Board(kSize, std::vector<int>(kSize, kEmpty));
}

int StoneCount(const Board& board) {
  int count = 0;
  for (const auto& row : board)
    for (int cell : row) count += cell != kEmpty;
  return count;
}

void LeavePidFile() {
  if (const char* dir = std::getenv("FAKE_PID_DIR"))
    std::ofstream(std::filesystem::path(dir) / std::to_string(getpid()));
}

[[noreturn]] void SleepForever() {
  for (;;) pause();
}

// A child of its own, so that tests see whether the whole group dies.
[[noreturn]] void Hang() {
  if (fork() == 0) LeavePidFile();
  SleepForever();
}

[[noreturn]] void Crash() {
  signal(SIGSEGV, SIG_DFL);
  raise(SIGSEGV);
  std::abort();
}

int PatternColour(int x, int y) {
  return (x / 2 + y) % 2 == 0 ? kX : kO;
}

std::string At(int x, int y) {
  return std::to_string(x) + "," + std::to_string(y);
}

// The answer of every mode that answers; empty when the mode does not.
std::string ChooseMove(const Board& board, int side) {
  if (gMode == "offboard") return "20,3";
  if (gMode == "garbage") return "hello there";
  if (gMode == "not-utf8") return kNotUtf8;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      if (gMode == "onstone" && board[y][x] != kEmpty) return At(x, y);
      if (gMode == "pattern" && PatternColour(x, y) != side) continue;
      if (board[y][x] == kEmpty && gMode != "onstone") return At(x, y);
    }
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if (board[y][x] == kEmpty) return At(x, y);
  return "0,0";
}

// What every mode does before answering; returns normally only to answer.
void ActBeforeAnswering(int side) {
  if (gMode == "hang" || (gMode == "hang-as-x" && side == kX)) Hang();
  if (gMode == "hang-alone") SleepForever();
  if (gMode == "crash") Crash();
  if (gMode == "exit3") std::exit(3);
  if (gMode == "missing") std::exit(0);
}

#if FAKE_PIPE

Board gBoard = EmptyBoard();  // kX = own stone, kO = the opponent's here
bool gAboutOwed = false;

void Say(const std::string& line) {
  std::cout << line << "\r\n" << std::flush;
}

void LogLine(const std::string& line) {
  if (const char* log = std::getenv("FAKE_LOG")) std::ofstream(log, std::ios::app) << line << "\n";
}

void Answer() {
  const int stones = StoneCount(gBoard);
  const int side = stones % 2 == 0 ? kX : kO;
  Board board = EmptyBoard();
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if (gBoard[y][x] != kEmpty) board[y][x] = gBoard[y][x] == kX ? side : (kX + kO - side);
  ActBeforeAnswering(side);
  if (gMode == "chatty") {
    Say("MESSAGE thinking hard");
    Say("DEBUG depth 1");
    Say("UNKNOWN nothing");
    Say("ERROR nothing");
    Say("MESSAGE done");
  }
  if (gMode == "not-utf8") Say(std::string("MESSAGE ") + kNotUtf8);
  if (gAboutOwed) {
    Say("name=\"fake\", version=\"1\"");
    gAboutOwed = false;
  }
  const std::string move = ChooseMove(board, side);
  int x = 0, y = 0;
  char comma = 0;
  std::istringstream parse(move);
  if (parse >> x >> comma >> y && x >= 0 && x < kSize && y >= 0 && y < kSize) gBoard[y][x] = kX;
  Say(move);
}

bool ReadPoint(const std::string& text, int& x, int& y, int* f = nullptr) {
  std::istringstream in(text);
  char comma = 0;
  if (!(in >> x >> comma >> y)) return false;
  if (f != nullptr && !(in >> comma >> *f)) return false;
  return x >= 0 && x < kSize && y >= 0 && y < kSize;
}

[[noreturn]] void Quit() {
  if (gMode == "ignore-end") SleepForever();
  std::exit(0);
}

int RunBrain() {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    LogLine(line);
    if (gMode == "silent-start") continue;
    const std::string command = line.substr(0, line.find(' '));
    const std::string rest = line.size() > command.size() ? line.substr(command.size() + 1) : "";
    int x = 0, y = 0, f = 0;
    if (command == "START") {
      if (gMode == "slow-start") usleep(600'000);
      Say(rest == "20" ? "OK" : "ERROR only 20");
    } else if (command == "INFO") {
    } else if (command == "ABOUT") {
      if (gMode == "late-about")
        gAboutOwed = true;
      else
        Say("name=\"fake\", version=\"1\"");
    } else if (command == "BEGIN") {
      Answer();
    } else if (command == "TURN" && ReadPoint(rest, x, y)) {
      gBoard[y][x] = kO;
      Answer();
    } else if (command == "BOARD") {
      gBoard = EmptyBoard();
      while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        LogLine(line);
        if (line == "DONE") break;
        if (ReadPoint(line, x, y, &f)) gBoard[y][x] = f == 1 ? kX : kO;
      }
      Answer();
    } else if (command == "RESTART") {
      gBoard = EmptyBoard();
      Say("OK");
    } else if (command == "END") {
      Quit();
    } else {
      Say("UNKNOWN " + command);
    }
  }
  Quit();
}

#else

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void CopyForTheTest(int stones) {
  const char* log = std::getenv("FAKE_FILES_DIR");
  if (log == nullptr) return;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    std::filesystem::copy_file(entry.path(),
                               std::filesystem::path(log) / (std::to_string(stones) + "-" + name),
                               std::filesystem::copy_options::overwrite_existing);
  }
}

// What a hostile engine may leave instead of its answer files; true when
// that replaces the move.
bool LeaveHostileFiles() {
  namespace fs = std::filesystem;
  if (gMode == "side-dir" || gMode == "side-fifo") {
    fs::remove("TAH.DAT");
    if (gMode == "side-dir") fs::create_directory("TAH.DAT");
    if (gMode == "side-fifo") mkfifo("TAH.DAT", 0600);
    return true;
  }
  if (gMode == "message-fifo" || gMode == "message-zero") fs::remove("MSG.DAT");
  if (gMode == "message-fifo") mkfifo("MSG.DAT", 0600);
  if (gMode == "message-zero") fs::create_symlink("/dev/zero", "MSG.DAT");
  if (gMode == "message-huge") fs::resize_file("MSG.DAT", (1 << 20) + 1);
  return false;
}

int RunTurn() {
  Board board = EmptyBoard();
  const std::string position = ReadFile("PLOCHA.DAT");
  std::istringstream lines(position);
  std::string line;
  for (int y = 0; y < kSize && std::getline(lines, line); ++y)
    for (int x = 0; x < kSize && x < static_cast<int>(line.size()); ++x)
      board[y][x] = line[x] == 'x' ? kX : line[x] == 'o' ? kO : kEmpty;
  const std::string sideText = ReadFile("TAH.DAT");
  const int stones = StoneCount(board);
  CopyForTheTest(stones);
  const int side = sideText.empty() ? (stones % 2 == 0 ? kX : kO) : sideText[0] == 'o' ? kO : kX;
  ActBeforeAnswering(side);
  if (gMode == "chatty")
    std::ofstream("MSG.DAT", std::ios::binary) << "thinking hard\r\nsecond line\r\n";
  if (gMode == "not-utf8") std::ofstream("MSG.DAT", std::ios::binary) << kNotUtf8 << "\r\n";
  if (LeaveHostileFiles()) return 0;
  std::ofstream("TAH.DAT", std::ios::binary | std::ios::trunc) << ChooseMove(board, side) << "\r\n";
  return 0;
}

#endif

}  // namespace

int main(int argc, char** argv) {
  gMode = argc > 1 ? argv[1] : "first";
  LeavePidFile();
#if FAKE_PIPE
  return RunBrain();
#else
  return RunTurn();
#endif
}
