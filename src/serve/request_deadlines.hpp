// Whole requests in bounded time. The HTTP library times out one read at a
// time, so a client that sends a byte now and then holds a worker for as
// long as it likes, and enough of them hold them all. Here every
// connection of the server must deliver a whole request within a deadline
// of its start or of its last answer; one that does not is shut down.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace pentad::serve {

class RequestDeadlines {
 public:
  using Clock = std::chrono::steady_clock;

  explicit RequestDeadlines(std::chrono::milliseconds deadline) : deadline_(deadline) {}
  ~RequestDeadlines() { Stop(); }
  RequestDeadlines(const RequestDeadlines&) = delete;
  RequestDeadlines& operator=(const RequestDeadlines&) = delete;

  // Watches the connections made to this process's `port` until Stop.
  void Start(int port);
  void Stop();

  // The peer's request is all read: its connection is at work.
  void RequestRead(const std::string& address, int port);
  // The peer's answer is out: its next request has a new deadline.
  void AnswerSent(const std::string& address, int port);

 private:
  struct Connection {
    int fd = -1;
    Clock::time_point since;
    bool working = false;
    bool seen = false;
  };
  using Peer = std::pair<std::string, int>;

  void Watch(int port);
  void ShutDownLateConnections(int port);

  std::chrono::milliseconds deadline_;
  std::mutex mutex_;
  std::map<Peer, Connection> connections_;
  std::mutex stopMutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::thread watcher_;
};

}  // namespace pentad::serve
