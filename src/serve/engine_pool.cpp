#include "serve/engine_pool.hpp"

#include <algorithm>
#include <thread>

namespace pentad::serve {

namespace {

// How often a waiting request looks at the server's stop.
constexpr std::chrono::milliseconds kStopPoll{50};

}  // namespace

EnginePool::EnginePool(int perKind, int maxWaiting, const engine::EngineOptions& options,
                       const EngineMaker& make)
    : maxWaiting_(maxWaiting) {
  for (const std::string& name : engine::EngineNames()) {
    engine::EngineOptions kindOptions = options;
    kindOptions.kind = *engine::EngineNamed(name);
    for (int i = 0; i < perKind; ++i) free_[kindOptions.kind].push_back(make(kindOptions));
  }
}

std::optional<EnginePool::Lease> EnginePool::Borrow(engine::EngineKind kind,
                                                    std::chrono::steady_clock::time_point deadline,
                                                    const std::atomic<bool>& stop) {
  std::unique_lock lock(mutex_);
  std::vector<std::unique_ptr<engine::Engine>>& free = free_[kind];
  if (free.empty() && waiting_[kind] >= maxWaiting_) return std::nullopt;
  ++waiting_[kind];
  while (free.empty() && !stop && std::chrono::steady_clock::now() < deadline)
    returned_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + kStopPoll));
  --waiting_[kind];
  if (free.empty() || stop) return std::nullopt;
  std::unique_ptr<engine::Engine> engine = std::move(free.back());
  free.pop_back();
  return std::optional<Lease>(std::in_place, *this, std::move(engine));
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
