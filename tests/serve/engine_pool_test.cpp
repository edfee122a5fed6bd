#include "serve/engine_pool.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace pentad::serve {
namespace {

TEST(EnginePool, ABorrowerWaitsUntilAnEngineComesBack) {
  EnginePool pool(1, size_t{1} << 20);
  std::future<void> second;
  {
    EnginePool::Lease first = pool.Borrow();
    second = std::async(std::launch::async, [&] { EnginePool::Lease lease = pool.Borrow(); });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  }
  EXPECT_EQ(second.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

}  // namespace
}  // namespace pentad::serve
