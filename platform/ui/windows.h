// Top-level windows as other programs see them: a process registers a window
// by class name and title, and any process of the same root can ask whether a
// window of a class exists (the way a driver looks for a running viewer).
//
// Registrations live in the root's object namespace, so two roots never see
// each other's windows; a window of a process that has ended no longer
// counts. Calls block only on file access; none throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/api.h"

namespace q7310::ui {

// Identifies a registered window; 0 is never one.
using WindowId = uint64_t;

struct WindowInfo {
  WindowId id = 0;
  std::string className;
  std::string title;
  uint32_t processId = 0;
  bool operator==(const WindowInfo&) const = default;
};

// Registers a top-level window. 0 with kErrorInvalidParameter for an empty
// class name or one holding a control character, kErrorWriteFault when the
// registration cannot be stored.
Q7310_UI_API WindowId registerTopLevelWindow(std::string_view className, std::string_view title);
// Removes a window this process registered; false with kErrorInvalidHandle
// for one it did not register (or already removed).
Q7310_UI_API bool unregisterTopLevelWindow(WindowId window);
// Whether any live process of this root has a window of the class (compared
// without regard to letter case).
Q7310_UI_API bool findTopLevelWindow(std::string_view className);
// Every live registered window of this root, by process, then in the order
// each process registered them.
Q7310_UI_API std::vector<WindowInfo> topLevelWindows();

// A window registered for the lifetime of the object.
class ScopedWindow {
 public:
  ScopedWindow(std::string_view className, std::string_view title) : id_(registerTopLevelWindow(className, title)) {}
  ~ScopedWindow() {
    if (id_ != 0) unregisterTopLevelWindow(id_);
  }
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  WindowId id() const { return id_; }

 private:
  WindowId id_;
};

}  // namespace q7310::ui
