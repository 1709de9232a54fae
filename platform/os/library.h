// Dynamic libraries, loaded by the file names the package uses ("Q7310YMC.dll")
// and found as the build's files (libQ7310YMC.so).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/api.h"

namespace q7310::os {

class Q7310_OS_API Library {
 public:
  // fileName is a plain name ("Q7310YMC.dll") or a path (Windows or native).
  // A path is looked for in its folder only; a plain name in the root's
  // system folder, then the folders of $Q7310_LIBRARY_PATH (':' separated),
  // then the folder of the platform library (the build's output). In each
  // folder the exact name is tried first, then lib<stem>.so, both ignoring
  // case. nullptr with kErrorModNotFound when nothing loads.
  static std::unique_ptr<Library> load(std::string_view fileName);
  // Releases the library (the platform unloads it once no handle is left).
  ~Library();

  // The export by plain name (the platform's symbol table, then the export
  // table's names and aliases). nullptr with kErrorProcNotFound if absent.
  void* symbol(std::string_view name) const;
  // The export by ordinal from the export table; nullptr with kErrorProcNotFound.
  void* ordinal(uint16_t ordinal) const;
  const std::filesystem::path& path() const { return path_; }

  template <typename Fn>
  Fn function(std::string_view name) const {
    return reinterpret_cast<Fn>(symbol(name));
  }
  template <typename Fn>
  Fn functionByOrdinal(uint16_t number) const {
    return reinterpret_cast<Fn>(ordinal(number));
  }

 private:
  Library(void* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
  void* handle_;
  std::filesystem::path path_;
};

// The folders a plain library name is looked for in, in order.
Q7310_OS_API std::vector<std::filesystem::path> librarySearchPath();
// The folder that holds the platform library itself (the build's output).
Q7310_OS_API std::filesystem::path platformLibraryFolder();
// The folder of the module (library or program) whose code or data holds
// address: how a library finds the files installed beside it. Does not
// block; an empty path when the address belongs to no loaded module.
Q7310_OS_API std::filesystem::path moduleFolderOf(const void* address);

}  // namespace q7310::os
