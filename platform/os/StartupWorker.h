#pragma once

#include <functional>
#include <future>
#include <memory>

// One thread for a program's start-up work that can run beside the GUI
// thread (mapping the client library, the first attachment). A thread that
// sleeps can wait milliseconds before a processor runs it again, so between
// jobs the worker keeps polling for a while before it sleeps: a job that
// follows soon after another one starts at once.
namespace StartupWorker {

// Starts the thread; a second call does nothing.
void start();

// Runs the job on the worker, after the jobs before it; on a thread of its own
// when start() was not called.
void post(std::function<void()> job);

// post() for a job with a result.
template <class F>
auto run(F job) -> std::future<decltype(job())> {
  auto task = std::make_shared<std::packaged_task<decltype(job())()>>(std::move(job));
  auto result = task->get_future();
  post([task] { (*task)(); });
  return result;
}

}  // namespace StartupWorker
