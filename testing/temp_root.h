// Test helpers: every test gets its own root folder (and with it its own
// namespace of named objects), and may run on the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/os/clock.h"

namespace q7310::testing {

// A fresh root below the system's temporary folder, set as $Q7310_ROOT for
// this process and its children, removed (with its object namespace) at the end.
class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Creates the debug log folder, so that modules write their logs.
  void enableDebugLog() const;
  // The content of a debug log file ("q7310lm.log"), empty if none.
  std::string debugLog(const std::string& fileName) const;

 private:
  std::filesystem::path path_;
  std::optional<std::string> previousRoot_;
};

// Installs the virtual clock for its lifetime, with the creating thread taking
// part. Tick 1,000,000 ms; wall clock 2026-12-11 10:00:00.000 UTC.
class VirtualClock {
 public:
  static constexpr uint64_t kStartTick = 1'000'000;
  static constexpr int64_t kWallEpochMs = 1'796'983'200'000;
  VirtualClock();
  ~VirtualClock();
  uint64_t elapsed() const;

 private:
  std::unique_ptr<os::ClockParticipant> participant_;
};

// Fixture: a fresh root per test.
class RootTest : public ::testing::Test {
 protected:
  TempRoot root_;
};

// Fixture: a fresh root and the virtual clock per test.
class VirtualClockTest : public ::testing::Test {
 protected:
  TempRoot root_;
  VirtualClock clock_;
};

// The folder of the test's own executable (where the build puts every program).
std::filesystem::path buildOutputFolder();

}  // namespace q7310::testing
