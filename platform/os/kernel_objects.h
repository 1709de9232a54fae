// Named kernel objects shared between processes: mutex, manual-reset event and
// section (shared memory). Any process of any user that uses the same root
// meets the same objects by name; two roots never share one.
//
// An object lives as long as any handle to it is open in any process; the last
// handle closing removes it. A process that dies closes its handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/api.h"

namespace q7310::os {

enum class WaitResult {
  Signalled,  // the event is set, the mutex is owned, the thread has ended
  Abandoned,  // the mutex is owned, but its last owner ended without releasing it
  Timeout,
  Failed,
};

class SharedBlock;

// A mutex owned recursively by one thread at a time. Closing the handle while
// the calling thread owns it releases it.
class Q7310_OS_API Mutex {
 public:
  // Creates the mutex, or opens it if it exists (then the last error is
  // kErrorAlreadyExists, otherwise kErrorSuccess). An empty name makes a mutex
  // private to this process. nullptr on failure (last error set).
  static std::unique_ptr<Mutex> create(std::string_view name, bool initiallyOwned = false);
  // Opens an existing mutex; nullptr with kErrorFileNotFound if there is none.
  static std::unique_ptr<Mutex> open(std::string_view name);
  ~Mutex();

  // Blocks up to timeoutMs (kInfinite: no limit) for ownership.
  WaitResult wait(uint32_t timeoutMs);
  // Releases one level of ownership; false with kErrorNotOwner if the calling
  // thread does not own it.
  bool release();
  const std::string& name() const { return name_; }

 private:
  Mutex(std::unique_ptr<SharedBlock> block, std::string name);
  std::unique_ptr<SharedBlock> block_;
  std::string name_;
  int ownedByMe_ = 0;  // levels owned through this handle, released on close
  uint64_t ownerToken_ = 0;
};

// A manual-reset event: stays signalled until reset.
class Q7310_OS_API Event {
 public:
  // Creates or opens (kErrorAlreadyExists) the event; an empty name makes a
  // private one. initiallySignalled applies only when it is created.
  static std::unique_ptr<Event> create(std::string_view name, bool initiallySignalled = false);
  static std::unique_ptr<Event> open(std::string_view name);
  ~Event();

  bool set();
  bool reset();
  bool isSignalled() const;
  // Blocks up to timeoutMs for the event to be signalled.
  WaitResult wait(uint32_t timeoutMs);
  const std::string& name() const { return name_; }

 private:
  Event(std::unique_ptr<SharedBlock> block, std::string name);
  std::unique_ptr<SharedBlock> block_;
  std::string name_;
};

// A block of shared memory, zero-filled when created.
class Q7310_OS_API Section {
 public:
  // Creates the section of size bytes or opens the existing one; existed tells
  // which (the last error is kErrorAlreadyExists too). Opening one smaller than
  // size fails with kErrorInvalidParameter.
  static std::unique_ptr<Section> create(std::string_view name, size_t size, bool* existed = nullptr);
  // Opens an existing section of at least size bytes (0: whatever size it has).
  static std::unique_ptr<Section> open(std::string_view name, size_t size = 0);
  ~Section();

  uint8_t* data();
  const uint8_t* data() const;
  size_t size() const;
  const std::string& name() const { return name_; }

 private:
  Section(std::unique_ptr<SharedBlock> block, std::string name);
  std::unique_ptr<SharedBlock> block_;
  std::string name_;
};

// The folder that holds this root's objects (for tests that clean up after
// themselves); removing it while objects are open is not allowed.
Q7310_OS_API std::filesystem::path objectNamespaceFolder();
// The names of the sections that exist now in this root's namespace.
Q7310_OS_API std::vector<std::string> listSections();

}  // namespace q7310::os
