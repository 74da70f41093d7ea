#include "support/TcpRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace {

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

}  // namespace

TcpRelay::TcpRelay(Mode mode, int targetPort) : mode_(mode), targetPort_(targetPort) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(0);
  socklen_t len = sizeof a;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
      ::pipe(wake_) != 0)
    throw std::runtime_error("relay: no listening socket");
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay() {
  stop();
  if (thread_.joinable()) thread_.join();
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
}

QString TcpRelay::serverName() const { return QStringLiteral("127.0.0.1/%1").arg(port_); }

void TcpRelay::stop() {
  if (stopping_.exchange(true)) return;
  const char c = 0;
  (void)::write(wake_[1], &c, 1);
  if (thread_.joinable()) thread_.join();
}

void TcpRelay::run() {
  // Pairs of sockets: the accepted one and the one to the target (-1 when silent).
  std::vector<std::pair<int, int>> pairs;
  char buf[65536];
  while (!stopping_) {
    std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    for (const auto& p : pairs) {
      fds.push_back({p.first, short(mode_ == Forward ? POLLIN : 0), 0});
      if (p.second >= 0) fds.push_back({p.second, POLLIN, 0});
    }
    if (::poll(fds.data(), fds.size(), 1000) < 0) break;
    if (fds[0].revents) break;
    // Pass on what arrived on the pairs polled; a side that closed closes its pair.
    const size_t polled = pairs.size();
    size_t at = 2;
    for (size_t i = 0; i < polled; ++i) {
      auto& p = pairs[i];
      const pollfd& a = fds[at++];
      const pollfd* b = p.second >= 0 ? &fds[at++] : nullptr;
      bool closed = false;
      auto pass = [&](const pollfd& from, int to) {
        if (!(from.revents & (POLLIN | POLLHUP | POLLERR))) return;
        const ssize_t n = ::read(from.fd, buf, sizeof buf);
        if (n <= 0) {
          closed = true;
          return;
        }
        for (ssize_t done = 0; done < n;) {
          const ssize_t w = ::write(to, buf + done, size_t(n - done));
          if (w <= 0) {
            closed = true;
            return;
          }
          done += w;
        }
      };
      if (mode_ == Forward) {
        pass(a, p.second);
        if (b && !closed) pass(*b, p.first);
      }
      if (closed) {
        ::close(p.first);
        if (p.second >= 0) ::close(p.second);
        p = {-1, -1};
      }
    }
    if (fds[1].revents & POLLIN) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client >= 0) {
        int server = -1;
        if (mode_ == Forward) {
          server = ::socket(AF_INET, SOCK_STREAM, 0);
          const sockaddr_in target = loopback(targetPort_);
          if (::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
            ::close(server);
            ::close(client);
            server = -2;
          }
        }
        if (server != -2) pairs.emplace_back(client, server);
      }
    }
    pairs.erase(std::remove_if(pairs.begin(), pairs.end(), [](const std::pair<int, int>& p) { return p.first < 0; }),
                pairs.end());
  }
  for (const auto& p : pairs) {
    ::shutdown(p.first, SHUT_RDWR);
    ::close(p.first);
    if (p.second >= 0) {
      ::shutdown(p.second, SHUT_RDWR);
      ::close(p.second);
    }
  }
  ::close(listener_);
  listener_ = -1;
}
