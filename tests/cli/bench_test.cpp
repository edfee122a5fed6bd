#include <gtest/gtest.h>

#include <regex>

#include "test_support.hpp"

namespace pentad {
namespace {

// The behaviour signature of `pentad bench`. A change to it is a change of
// the engine's decisions and must say why in its commit message.
constexpr const char* kBenchSignature = "1d62243eec4be135";

TEST(Bench, SignatureIsTheRecordedOne) {
  const auto result = test::RunCommand(PENTAD_EXE " bench");
  ASSERT_EQ(result.status, 0);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(result.output, match,
                                std::regex("signature: ([0-9a-f]{16})  checks/s: [0-9.]+  "
                                           "findthreat/s: [0-9.]+\n$")))
      << result.output;
  EXPECT_EQ(match[1], kBenchSignature);
  EXPECT_GE(std::count(result.output.begin(), result.output.end(), '\n'), 31);
}

}  // namespace
}  // namespace pentad
