#include "serve/engine_pool.hpp"

#include <algorithm>
#include <thread>

namespace pentad::serve {

EnginePool::EnginePool(int perKind, const engine::EngineOptions& options, const EngineMaker& make) {
  for (const std::string& name : engine::EngineNames()) {
    engine::EngineOptions kindOptions = options;
    kindOptions.kind = *engine::EngineNamed(name);
    for (int i = 0; i < perKind; ++i) free_[kindOptions.kind].push_back(make(kindOptions));
  }
}

EnginePool::Lease EnginePool::Borrow(engine::EngineKind kind) {
  std::unique_lock lock(mutex_);
  std::vector<std::unique_ptr<engine::Engine>>& free = free_[kind];
  returned_.wait(lock, [&] { return !free.empty(); });
  std::unique_ptr<engine::Engine> engine = std::move(free.back());
  free.pop_back();
  return Lease(*this, std::move(engine));
}

void EnginePool::Return(std::unique_ptr<engine::Engine> engine) {
  {
    std::lock_guard lock(mutex_);
    free_[engine->Kind()].push_back(std::move(engine));
  }
  returned_.notify_all();
}

int EnginesForThisMachine() {
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

}  // namespace pentad::serve
