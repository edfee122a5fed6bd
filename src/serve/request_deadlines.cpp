#include "serve/request_deadlines.hpp"

#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <vector>

namespace pentad::serve {
namespace {

constexpr std::chrono::milliseconds kWatchInterval{100};

struct SocketPeer {
  int fd;
  std::string address;
  int port;
};

// The port and the numeric host of a socket address, as the HTTP library
// reports a request's peer.
std::optional<std::pair<std::string, int>> NumericAddress(const sockaddr_storage& address,
                                                          socklen_t length) {
  char host[NI_MAXHOST];
  char service[NI_MAXSERV];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service,
                  sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return std::nullopt;
  return std::make_pair(std::string(host), std::atoi(service));
}

// The peer of a connected socket of ours whose local end is `port`.
std::optional<SocketPeer> PeerOf(int fd, int port) {
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) return std::nullopt;
  sockaddr_storage local{}, remote{};
  socklen_t localLength = sizeof local, remoteLength = sizeof remote;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) return std::nullopt;
  const auto localAddress = NumericAddress(local, localLength);
  if (!localAddress || localAddress->second != port) return std::nullopt;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remoteLength) != 0)
    return std::nullopt;  // the listening socket
  const auto remoteAddress = NumericAddress(remote, remoteLength);
  if (!remoteAddress) return std::nullopt;
  return SocketPeer{fd, remoteAddress->first, remoteAddress->second};
}

std::vector<SocketPeer> ConnectionsTo(int port) {
  std::vector<SocketPeer> peers;
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return peers;
  while (const dirent* entry = readdir(fds)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == dirfd(fds)) continue;
    if (auto peer = PeerOf(static_cast<int>(fd), port)) peers.push_back(std::move(*peer));
  }
  closedir(fds);
  return peers;
}

}  // namespace

void RequestDeadlines::Start(int port) {
  Stop();
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = false;
  }
  watcher_ = std::thread([this, port] { Watch(port); });
}

void RequestDeadlines::Stop() {
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  if (watcher_.joinable()) watcher_.join();
}

void RequestDeadlines::RequestRead(const std::string& address, int port) {
  std::lock_guard lock(mutex_);
  Connection& connection = connections_[{address, port}];
  connection.working = true;
}

void RequestDeadlines::AnswerSent(const std::string& address, int port) {
  std::lock_guard lock(mutex_);
  Connection& connection = connections_[{address, port}];
  connection.working = false;
  connection.since = Clock::now();
}

void RequestDeadlines::Watch(int port) {
  std::unique_lock lock(stopMutex_);
  while (!stopping_) {
    lock.unlock();
    ShutDownLateConnections(port);
    lock.lock();
    stopped_.wait_for(lock, kWatchInterval, [this] { return stopping_; });
  }
}

// New connections start their clock when first seen; those gone are
// forgotten; a connection still short of a whole request past its deadline
// is shut down, which ends the worker's wait for its next byte.
void RequestDeadlines::ShutDownLateConnections(int port) {
  const std::vector<SocketPeer> peers = ConnectionsTo(port);
  const auto now = Clock::now();
  std::vector<int> late;
  {
    std::lock_guard lock(mutex_);
    for (auto& [peer, connection] : connections_) connection.seen = false;
    for (const SocketPeer& socket : peers) {
      auto [it, added] = connections_.try_emplace({socket.address, socket.port});
      Connection& connection = it->second;
      if (added) connection.since = now;
      connection.fd = socket.fd;
      connection.seen = true;
      if (!connection.working && now - connection.since > deadline_) late.push_back(socket.fd);
    }
    // A request read before its socket was listed stays until it is answered.
    std::erase_if(connections_,
                  [](const auto& entry) { return !entry.second.seen && !entry.second.working; });
  }
  for (const int fd : late) shutdown(fd, SHUT_RDWR);
}

}  // namespace pentad::serve
