#include "serve/engine_pool.hpp"

#include <algorithm>
#include <thread>

namespace pentad::serve {

EnginePool::EnginePool(int engines, size_t hashBytes) {
  for (int i = 0; i < engines; ++i)
    free_.push_back(std::make_unique<strong::StrongEngine>(hashBytes));
}

EnginePool::Lease EnginePool::Borrow() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [&] { return !free_.empty(); });
  std::unique_ptr<strong::StrongEngine> engine = std::move(free_.back());
  free_.pop_back();
  return Lease(*this, std::move(engine));
}

void EnginePool::Return(std::unique_ptr<strong::StrongEngine> engine) {
  {
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(engine));
  }
  returned_.notify_one();
}

int EnginesForThisMachine() {
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

}  // namespace pentad::serve
