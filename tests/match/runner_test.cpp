// The scheduler, with players in place of engine processes.
#include "match/runner.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pentad::match {
namespace {

// Has a folder, as a file engine has, and throws where an answer would be
// read, as the runner once did on a directory in place of a file.
class ThrowingPlayer : public Player {
 public:
  explicit ThrowingPlayer(std::vector<std::filesystem::path>& folders) : folders_(folders) {}
  MoveReply Start(const TimeControl&, const Cancellation&) override {
    std::string error;
    dir_ = WorkDir::Create({}, &error);
    folders_.push_back(dir_->Path());
    return {};
  }
  MoveReply Play(const MoveQuery&, const Cancellation&) override {
    throw std::runtime_error("cannot read the answer");
  }
  void Finish(bool) override { dir_.reset(); }

 private:
  std::vector<std::filesystem::path>& folders_;
  std::unique_ptr<WorkDir> dir_;
};

TEST(MatchRunner, AnErrorOfTheRunnerStopsTheMatchAndLeavesNoFolder) {
  MatchSettings settings;
  settings.games = 6;
  std::vector<std::filesystem::path> folders;
  MatchHooks hooks;
  hooks.makePlayer = [&](const EngineSetup&) { return std::make_unique<ThrowingPlayer>(folders); };
  Cancellation cancel;
  const MatchOutcome outcome = RunMatch(settings, cancel, hooks);
  EXPECT_EQ(outcome.failure, "game 1: cannot read the answer");
  EXPECT_TRUE(outcome.games.empty());
  ASSERT_EQ(folders.size(), 2u);  // no game after the first
  for (const auto& folder : folders) EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
}

}  // namespace
}  // namespace pentad::match
