#pragma once

#include <QString>
#include <atomic>
#include <thread>
#include <vector>

// A TCP relay of the test's own on 127.0.0.1, run by a thread of its own so
// that the client library can block on it: every connection made to port()
// is passed on to the target port (the local server's 3050 by default).
// stop() closes the listener and every connection at once, as a network that
// goes away does. A silent relay accepts connections and never answers.
class TcpRelay {
 public:
  enum Mode { Forward, Silent };
  explicit TcpRelay(Mode mode = Forward, int targetPort = 3050);
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  int port() const { return port_; }
  // "127.0.0.1/<port>", a server name the client library takes.
  QString serverName() const;
  void stop();

 private:
  void run();

  Mode mode_;
  int targetPort_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
