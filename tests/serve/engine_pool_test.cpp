#include "serve/engine_pool.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace pentad::serve {
namespace {

using namespace std::chrono_literals;
using engine::EngineKind;

class EnginePoolTest : public ::testing::Test {
 protected:
  static engine::EngineOptions SmallTables() {
    engine::EngineOptions options;
    options.hashBytes = size_t{1} << 20;
    return options;
  }

  bool Borrowed(EngineKind kind, std::chrono::steady_clock::time_point deadline) {
    return pool_.Borrow(kind, deadline, stop_).has_value();
  }

  const std::atomic<bool> stop_{false};
  EnginePool pool_{1, 1, SmallTables(), engine::MakeEngine};
};

TEST_F(EnginePoolTest, ABorrowerWaitsUntilAnEngineOfItsKindComesBack) {
  const auto later = std::chrono::steady_clock::now() + 60s;
  std::future<bool> second;
  {
    auto first = pool_.Borrow(EngineKind::kStrong, later, stop_);
    ASSERT_TRUE(first);
    EXPECT_TRUE(Borrowed(EngineKind::kClassic, later)) << "the kinds must not wait for each other";
    second = std::async(std::launch::async, [&] { return Borrowed(EngineKind::kStrong, later); });
    EXPECT_EQ(second.wait_for(100ms), std::future_status::timeout);
  }
  EXPECT_EQ(second.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(second.get());
}

TEST_F(EnginePoolTest, NoEngineFreeInTimeOrTooManyWaitingIsNoEngine) {
  const auto now = std::chrono::steady_clock::now();
  auto held = pool_.Borrow(EngineKind::kStrong, now, stop_);
  ASSERT_TRUE(held);
  EXPECT_FALSE(Borrowed(EngineKind::kStrong, now + 50ms));
  auto waiter =
      std::async(std::launch::async, [&] { return Borrowed(EngineKind::kStrong, now + 60s); });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(Borrowed(EngineKind::kStrong, now + 60s))
      << "a waiter beyond the limit must be turned away at once";
  held.reset();
  EXPECT_TRUE(waiter.get());
}

}  // namespace
}  // namespace pentad::serve
