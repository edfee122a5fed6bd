#include "serve/engine_pool.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace pentad::serve {
namespace {

TEST(EnginePool, ABorrowerWaitsUntilAnEngineComesBack) {
  engine::EngineOptions options;
  options.hashBytes = size_t{1} << 20;
  EnginePool pool(1, options, engine::MakeEngine);
  std::future<void> second;
  {
    EnginePool::Lease first = pool.Borrow(engine::EngineKind::kStrong);
    EnginePool::Lease other = pool.Borrow(engine::EngineKind::kClassic);
    second = std::async(std::launch::async, [&] {
      EnginePool::Lease lease = pool.Borrow(engine::EngineKind::kStrong);
    });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  }
  EXPECT_EQ(second.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

}  // namespace
}  // namespace pentad::serve
