#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "os/StartupWorker.h"

// Jobs give their results and errors through their futures, on a thread of
// their own before start() and in the order posted on the worker after it.
TEST(StartupWorker, JobsRunInOrderAndGiveTheirResultsAndErrors) {
  for (bool started : {false, true}) {
    SCOPED_TRACE(started ? "on the worker" : "before start()");
    if (started) StartupWorker::start();
    EXPECT_EQ(StartupWorker::run([] { return 42; }).get(), 42);
    auto failing = StartupWorker::run([]() -> int { throw std::runtime_error("refused"); });
    EXPECT_THROW(failing.get(), std::runtime_error);
    if (!started) continue;
    std::vector<int> order;  // written by the worker alone
    for (int i = 0; i < 100; ++i) StartupWorker::post([&order, i] { order.push_back(i); });
    StartupWorker::run([] { return 0; }).get();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
  }
}
