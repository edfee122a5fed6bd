#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "test_support.hpp"

namespace pentad {
namespace {

// The behaviour signature of `pentad bench`. A change to it is a change of
// the engine's decisions and must say why in its commit message.
constexpr const char* kBenchSignature = "1d62243eec4be135";

TEST(Bench, SignatureIsTheRecordedOne) {
  const auto result = test::RunCommand(PENTAD_EXE " bench");
  ASSERT_EQ(result.status, 0);
  const std::string& out = result.output;
  const size_t last = out.rfind("signature: ");
  ASSERT_NE(last, std::string::npos) << out;
  const std::string summary = out.substr(last);
  EXPECT_EQ(summary.substr(11, 16), kBenchSignature) << summary;
  EXPECT_NE(summary.find("  checks/s: "), std::string::npos) << summary;
  EXPECT_NE(summary.find("  findthreat/s: "), std::string::npos) << summary;
  EXPECT_GE(std::count(out.begin(), out.end(), '\n'), 31);
}

}  // namespace
}  // namespace pentad
