// For tests of readers given a FIFO in place of a file: a reader that waits on it fails its test
// instead of hanging it.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// Calls run; should it hang on the FIFO at path for longer than any open of a small file takes,
// the FIFO is opened at both ends and closed again, which lets a reader or a writer waiting in
// its open go on (to an empty file, or one nobody reads). True when that was needed.
inline bool HungOnFifo(const std::string& path, const std::function<void()>& run) {
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;
  std::atomic<bool> hung{false};
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> held(lock);
    while (!finished.wait_for(held, std::chrono::seconds(20), [&] { return done; })) {
      hung = true;
      int in = open(path.c_str(), O_RDONLY | O_NONBLOCK), out = open(path.c_str(), O_WRONLY | O_NONBLOCK);
      if (out >= 0) close(out);
      if (in >= 0) close(in);
    }
  });
  run();
  {
    std::lock_guard<std::mutex> held(lock);
    done = true;
  }
  finished.notify_one();
  watchdog.join();
  return hung;
}
