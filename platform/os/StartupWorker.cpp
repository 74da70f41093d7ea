#include "StartupWorker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace StartupWorker {

namespace {

// How long the worker polls for the next job before it sleeps.
constexpr auto kPolling = std::chrono::milliseconds(20);

struct Queue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> jobs;
  std::atomic<bool> waiting{false};  // jobs is not empty
  bool running = false;

  std::function<void()> take() {
    const auto until = std::chrono::steady_clock::now() + kPolling;
    while (!waiting.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until)
      std::this_thread::yield();
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [this] { return !jobs.empty(); });
    std::function<void()> job = std::move(jobs.front());
    jobs.pop_front();
    waiting.store(!jobs.empty(), std::memory_order_release);
    return job;
  }
};

// Never destroyed: the thread waits on it until the process ends.
Queue& queue() {
  static Queue* q = new Queue;
  return *q;
}

}  // namespace

void start() {
  Queue& q = queue();
  std::lock_guard<std::mutex> lock(q.mutex);
  if (q.running) return;
  q.running = true;
  std::thread([&q] {
    for (;;) q.take()();
  }).detach();
}

void post(std::function<void()> job) {
  Queue& q = queue();
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    if (q.running) {
      q.jobs.push_back(std::move(job));
      q.waiting.store(true, std::memory_order_release);
      q.wake.notify_one();
      return;
    }
  }
  std::thread(std::move(job)).detach();
}

}  // namespace StartupWorker
