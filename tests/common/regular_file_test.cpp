#include "common/regular_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "test_support.hpp"

namespace pentad {
namespace {

TEST(RegularFile, ReadsARegularFileWithinItsBoundAndALinkOnlyWhenAsked) {
  test::TempDir dir;
  dir.Write("fits", std::string(1024, 'x'));
  const FileContents contents = ReadRegularFile(dir.path() / "fits", {.maxBytes = 1024});
  EXPECT_TRUE(contents.Read()) << contents.error;
  EXPECT_EQ(contents.bytes.size(), 1024u);
  std::filesystem::create_symlink(dir.path() / "fits", dir.path() / "named-by-the-user");
  EXPECT_TRUE(
      ReadRegularFile(dir.path() / "named-by-the-user", {.maxBytes = 1024, .followLink = true})
          .Read());
  std::filesystem::create_symlink("/dev/zero", dir.path() / "zero");
  EXPECT_EQ(ReadRegularFile(dir.path() / "zero", {.maxBytes = 1024, .followLink = true}).error,
            "is a device, not a regular file");
}

// Each of these would block, exhaust memory or leave the folder if read
// as a stream.
TEST(RegularFile, RefusesWhatIsNoSmallRegularFile) {
  test::TempDir dir;
  const auto at = [&](const char* name) { return dir.path() / name; };
  std::filesystem::create_directory(at("directory"));
  ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", at("to-zero"));
  dir.Write("small", "0,0");
  std::filesystem::create_symlink(at("small"), at("to-small"));
  std::ofstream(at("sparse")).close();
  std::filesystem::resize_file(at("sparse"), uintmax_t{6} << 30);
  struct Case {
    const char* name;
    FileProblem problem;
    const char* error;
  };
  const Case cases[] = {
      {"directory", FileProblem::kNotRegular, "is a directory, not a regular file"},
      {"fifo", FileProblem::kNotRegular, "is a FIFO, not a regular file"},
      {"to-zero", FileProblem::kNotRegular, "is a symbolic link, not a regular file"},
      {"to-small", FileProblem::kNotRegular, "is a symbolic link, not a regular file"},
      {"sparse", FileProblem::kTooLarge, "is larger than 1 MiB"},
      {"missing", FileProblem::kMissing, "does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FileContents contents = ReadRegularFile(at(c.name), {.maxBytes = 1 << 20});
    EXPECT_EQ(contents.problem, c.problem);
    EXPECT_EQ(contents.error, c.error);
    EXPECT_TRUE(contents.bytes.empty());
  }
}

}  // namespace
}  // namespace pentad
