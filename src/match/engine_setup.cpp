#include "match/engine_setup.hpp"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace pentad::match {
namespace {

bool IsExecutableFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else if (c == '\\' && quote == '"' && i + 1 < text.size()) {
        word += text[++i];
      } else {
        word += c;
      }
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == '\\' && i + 1 < text.size()) {
      word += text[++i];
      inWord = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote != 0) return std::nullopt;
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::optional<std::filesystem::path> ResolveExecutable(const std::string& command) {
  if (command.empty()) return std::nullopt;
  std::error_code ec;
  if (command.find('/') != std::string::npos) {
    if (!IsExecutableFile(command)) return std::nullopt;
    return std::filesystem::absolute(command, ec);
  }
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
    const std::filesystem::path candidate =
        std::filesystem::path(dir.empty() ? "." : dir) / command;
    if (IsExecutableFile(candidate)) return std::filesystem::absolute(candidate, ec);
    if (end == std::string::npos) return std::nullopt;
    start = end + 1;
  }
}

PlayerKind KindFromName(const std::filesystem::path& executable) {
  return executable.filename().string().rfind("pbrain-", 0) == 0 ? PlayerKind::kPipe
                                                                 : PlayerKind::kFile;
}

const char* KindName(PlayerKind kind) {
  return kind == PlayerKind::kPipe ? "pipe" : "file";
}

std::optional<EngineSetup> ParseEngine(const std::string& command, std::string* error) {
  std::vector<std::string> words;
  if (IsExecutableFile(command)) {
    words = {command};
  } else if (auto split = SplitCommandLine(command)) {
    words = std::move(*split);
  } else {
    *error = "unclosed quote in engine command \"" + command + "\"";
    return std::nullopt;
  }
  if (words.empty()) {
    *error = "empty engine command";
    return std::nullopt;
  }
  const auto executable = ResolveExecutable(words[0]);
  if (!executable) {
    *error = "no executable file \"" + words[0] + "\"" +
             (words[0].find('/') == std::string::npos ? " on PATH" : "");
    return std::nullopt;
  }
  EngineSetup setup;
  setup.name = executable->filename().string();
  setup.kind = KindFromName(*executable);
  words[0] = executable->string();
  setup.argv = std::move(words);
  return setup;
}

}  // namespace pentad::match
