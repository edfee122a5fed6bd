// The browser board's engines: a few of each kind, lent to one request at a
// time, so that a burst of requests neither multiplies the tables in memory
// nor runs more searches at once than there are cores.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/engines.hpp"

namespace pentad::serve {

using EngineMaker = std::function<std::unique_ptr<engine::Engine>(const engine::EngineOptions&)>;

class EnginePool {
 public:
  // `perKind` engines of every kind, made now from `options` with its kind
  // set: their tables are never made inside a request's time. At most
  // `maxWaiting` requests wait for the engines of one kind.
  EnginePool(int perKind, int maxWaiting, const engine::EngineOptions& options,
             const EngineMaker& make);

  // A request's engine, back in the pool when the lease ends.
  class Lease {
   public:
    Lease(EnginePool& pool, std::unique_ptr<engine::Engine> engine)
        : pool_(pool), engine_(std::move(engine)) {}
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() { pool_.Return(std::move(engine_)); }
    engine::Engine& engine() { return *engine_; }

   private:
    EnginePool& pool_;
    std::unique_ptr<engine::Engine> engine_;
  };

  // A free engine of that kind, waiting for one until `deadline` or `stop`;
  // nothing then, or at once when too many requests wait already.
  std::optional<Lease> Borrow(engine::EngineKind kind,
                              std::chrono::steady_clock::time_point deadline,
                              const std::atomic<bool>& stop);

 private:
  void Return(std::unique_ptr<engine::Engine> engine);

  int maxWaiting_;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::map<engine::EngineKind, std::vector<std::unique_ptr<engine::Engine>>> free_;
  std::map<engine::EngineKind, int> waiting_;
};

// As many engines of a kind as cores, at least one and at most four.
int EnginesForThisMachine();

}  // namespace pentad::serve
