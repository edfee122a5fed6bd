#include "match/player.hpp"

#include <cstdlib>
#include <system_error>

namespace pentad::match {

std::unique_ptr<Player> MakePlayer(const EngineSetup& setup) {
  return setup.kind == PlayerKind::kPipe ? MakePipePlayer(setup) : MakeFilePlayer(setup);
}

std::unique_ptr<WorkDir> WorkDir::Create(const std::filesystem::path& fillFrom,
                                         std::string* error) {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  std::string pattern =
      ((ec ? std::filesystem::path("/tmp") : base) / "pentad-match-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot create a working directory under " + base.string();
    return nullptr;
  }
  std::unique_ptr<WorkDir> dir(new WorkDir(pattern));
  if (!fillFrom.empty()) {
    std::filesystem::copy(
        fillFrom, dir->Path(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks,
        ec);
    if (ec) {
      *error = "cannot copy " + fillFrom.string() + ": " + ec.message();
      return nullptr;
    }
  }
  return dir;
}

WorkDir::~WorkDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace pentad::match
