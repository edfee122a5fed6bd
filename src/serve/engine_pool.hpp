// The browser board's strong engines: a few, lent to one request at a time,
// so that a burst of requests neither multiplies the tables in memory nor
// runs more searches at once than there are cores.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "strong/strong_engine.hpp"

namespace pentad::serve {

class EnginePool {
 public:
  EnginePool(int engines, size_t hashBytes);

  // A request's engine, back in the pool when the lease ends.
  class Lease {
   public:
    Lease(EnginePool& pool, std::unique_ptr<strong::StrongEngine> engine)
        : pool_(pool), engine_(std::move(engine)) {}
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() { pool_.Return(std::move(engine_)); }
    strong::StrongEngine& engine() { return *engine_; }

   private:
    EnginePool& pool_;
    std::unique_ptr<strong::StrongEngine> engine_;
  };

  // Waits for a free engine.
  Lease Borrow();

 private:
  void Return(std::unique_ptr<strong::StrongEngine> engine);

  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<strong::StrongEngine>> free_;
};

// As many engines as cores, at least one and at most four.
int EnginesForThisMachine();

}  // namespace pentad::serve
