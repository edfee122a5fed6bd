// libFuzzer target: arbitrary bytes as the manager's input to the pipe
// brain. Every line goes through the line reader, the command queue and the
// brain's command handling. The first byte chooses the engine: the classic
// one decides with a budget of one time check, the strong one (and the
// classic brain's swap2 judge) with a few hundred nodes and small tables,
// so the search stays out of the way.
// Nothing may crash or read out of bounds.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <exception>

#include "protocol/brain.hpp"

namespace {

using namespace pentad::protocol;

// Decisions cost the most: a few per input keep every run short.
constexpr int kMaxMoveRequests = 16;
constexpr int64_t kStrongNodes = 300;
// Tables made with the brain, and sent as a limit before the input, which
// may still change it.
constexpr size_t kSmallTableBytes = 2000000;
constexpr const char* kSmallTables = "INFO max_memory 4000000";

bool AsksForAMove(const std::string& line) {
  const std::string keyword = SplitCommand(line).keyword;
  return keyword == "BEGIN" || keyword == "TURN" || keyword == "DONE" || keyword == "YXNBEST";
}

// The input on the reading end of a pipe, as a manager would send it.
int InputPipe(const uint8_t* data, size_t size) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  ::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(size + 4096));
  while (size > 0) {
    const ssize_t n = ::write(fds[1], data, size);
    if (n <= 0) break;
    data += n;
    size -= static_cast<size_t>(n);
  }
  ::close(fds[1]);
  return fds[0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool strong = size > 0 && (data[0] & 1) != 0;
  const int input = InputPipe(data, size);
  const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (input < 0 || sink < 0) __builtin_trap();
  {
    ProtocolOutput output(sink);
    CommandQueue queue;
    LineReader reader(input);
    while (auto line = reader.Next()) {
      const CommandKind kind = KindOf(line->text);
      if (queue.Push(std::move(*line), kind) == PushResult::kEndNow) __builtin_trap();
      if (kind == CommandKind::kEnd) break;
    }
    queue.Close();

    BrainOptions options;
    options.engine.kind =
        strong ? pentad::engine::EngineKind::kStrong : pentad::engine::EngineKind::kClassic;
    // The classic brain judges SWAP2BOARD with a strong engine: the same
    // few nodes.
    options.engine.nodes = kStrongNodes;
    if (strong) {
      options.engine.hashBytes = kSmallTableBytes;
    } else {
      options.engine.seed = 1;
      options.engine.checks = 1;
    }
    Brain brain(options, output, queue);
    if (strong) brain.Handle(InputLine{kSmallTables, {}, false});
    int moveRequests = 0;
    while (const auto line = queue.Pop()) {
      if (AsksForAMove(line->text) && ++moveRequests > kMaxMoveRequests) break;
      try {
        if (!brain.Handle(*line)) break;
      } catch (const std::exception&) {
        // The brain answers these with ERROR and goes on; so does the fuzzer.
      }
    }
    brain.EndOfInput();
  }
  ::close(input);
  ::close(sink);
  return 0;
}
