#include "serve/request_guard.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>

namespace pentad::serve {

namespace {

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<int> PortNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int port = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  return port;
}

// A bracketed IPv6 literal keeps its brackets, as a browser writes it.
std::string AsHostName(std::string_view address) {
  if (address.find(':') != std::string_view::npos) return "[" + Lowercase(address) + "]";
  return Lowercase(address);
}

}  // namespace

bool IsJsonContentType(std::string_view contentType) {
  return Lowercase(Trimmed(contentType.substr(0, contentType.find(';')))) == "application/json";
}

bool NamesThisServer(std::string_view hostHeader, std::string_view listenHost, int port) {
  const size_t nameEnd = hostHeader.starts_with('[') ? hostHeader.find(']') + 1 : 0;
  const size_t colon = hostHeader.find(':', nameEnd);
  const std::string name = Lowercase(hostHeader.substr(0, colon));
  const std::optional<int> named =
      colon == std::string_view::npos ? 80 : PortNumber(hostHeader.substr(colon + 1));
  if (name.empty() || named != port) return false;
  const std::array<std::string, 4> ownNames = {"localhost", "127.0.0.1", "[::1]",
                                               AsHostName(listenHost)};
  return std::find(ownNames.begin(), ownNames.end(), name) != ownNames.end();
}

}  // namespace pentad::serve
