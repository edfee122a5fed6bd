#include "common/file_lookup.hpp"

#include <system_error>

namespace pentad {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::filesystem::path> FindFileIgnoringCase(const std::filesystem::path& dir,
                                                          std::string_view name) {
  // No directory means no files at all, not the current directory.
  if (dir.empty()) return std::nullopt;
  std::error_code ec;
  const std::filesystem::path exact = dir / std::string(name);
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
  std::filesystem::directory_iterator it(dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (EqualIgnoringCase(entry, name) && it->is_regular_file(ec)) return dir / entry;
  }
  return std::nullopt;
}

}  // namespace pentad
