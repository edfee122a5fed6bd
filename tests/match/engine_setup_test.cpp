#include "match/engine_setup.hpp"

#include <gtest/gtest.h>

namespace pentad::match {
namespace {

TEST(MatchEngineSetup, SplitsCommandLinesLikeAShell) {
  using Words = std::vector<std::string>;
  struct Case {
    const char* text;
    std::optional<Words> words;
  };
  const Case cases[] = {
      {"engine", Words{"engine"}},
      {"  engine  --seed 3 ", Words{"engine", "--seed", "3"}},
      {"'/my dir/engine' \"a b\" c\\ d", Words{"/my dir/engine", "a b", "c d"}},
      {"e ''", Words{"e", ""}},
      {"e \"say \\\"hi\\\"\"", Words{"e", "say \"hi\""}},
      {"e 'open", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SplitCommandLine(c.text), c.words);
  }
}

TEST(MatchEngineSetup, KindFollowsTheFileName) {
  EXPECT_EQ(KindFromName("/x/pbrain-pentad"), PlayerKind::kPipe);
  EXPECT_EQ(KindFromName("pbrain-"), PlayerKind::kPipe);
  EXPECT_EQ(KindFromName("/x/pentad"), PlayerKind::kFile);
  EXPECT_EQ(KindFromName("/pbrain-dir/engine"), PlayerKind::kFile);
  EXPECT_EQ(KindFromName("my-pbrain-x"), PlayerKind::kFile);
}

TEST(MatchEngineSetup, ResolvesExecutablesAndRejectsOthers) {
  std::string error;
  const auto sh = ParseEngine("sh -c true", &error);
  ASSERT_TRUE(sh) << error;
  EXPECT_TRUE(std::filesystem::path(sh->argv[0]).is_absolute());
  EXPECT_EQ(sh->name, "sh");
  EXPECT_EQ(sh->argv.size(), 3u);
  EXPECT_FALSE(ParseEngine("/no/such/engine", &error));
  EXPECT_NE(error.find("no executable file"), std::string::npos);
  EXPECT_FALSE(ParseEngine(PENTAD_SOURCE_DIR "/CMakeLists.txt", &error));
}

}  // namespace
}  // namespace pentad::match
