#include <dlfcn.h>
#include <stdlib.h>

#include <cctype>
#include <system_error>

#include "platform/os/errors.h"
#include "platform/os/export_table.h"
#include "platform/os/library.h"
#include "platform/os/paths.h"

namespace fs = std::filesystem;

namespace q7310::os {

namespace {

// The names a file name may have in a folder: itself, then lib<stem>.so.
std::vector<std::string> candidateNames(std::string_view fileName) {
  std::vector<std::string> names{std::string(fileName)};
  std::string stem(fileName);
  auto dot = stem.find_last_of('.');
  if (dot != std::string::npos) stem.erase(dot);
  names.push_back("lib" + stem + ".so");
  return names;
}

const Q7310ExportTable* exportTable(void* handle) {
  return static_cast<const Q7310ExportTable*>(dlsym(handle, Q7310_EXPORT_TABLE_SYMBOL));
}

}  // namespace

fs::path platformLibraryFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&platformLibraryFolder), &info) != 0 && info.dli_fname != nullptr) {
    std::error_code ec;
    fs::path self = fs::canonical(info.dli_fname, ec);
    if (!ec) return self.parent_path();
  }
  return fs::current_path();
}

fs::path moduleFolderOf(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  std::error_code ec;
  fs::path self = fs::canonical(info.dli_fname, ec);
  return ec ? fs::path{} : self.parent_path();
}

std::vector<fs::path> librarySearchPath() {
  std::vector<fs::path> folders{folderPath(Folder::System)};
  if (const char* env = getenv("Q7310_LIBRARY_PATH"); env != nullptr) {
    std::string_view rest(env);
    while (!rest.empty()) {
      auto cut = rest.find(':');
      std::string_view part = rest.substr(0, cut);
      if (!part.empty()) folders.emplace_back(std::string(part));
      rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
    }
  }
  folders.push_back(platformLibraryFolder());
  return folders;
}

std::unique_ptr<Library> Library::load(std::string_view fileName) {
  if (fileName.empty()) {
    setLastError(kErrorModNotFound);
    return nullptr;
  }
  std::vector<fs::path> folders;
  std::string name;
  auto cut = fileName.find_last_of("\\/");
  if (cut != std::string_view::npos) {
    fs::path mapped = mapPath(fileName);
    folders.push_back(mapped.parent_path());
    name = mapped.filename().string();
  } else {
    folders = librarySearchPath();
    name = std::string(fileName);
  }
  for (const fs::path& folder : folders) {
    for (const std::string& candidate : candidateNames(name)) {
      auto found = findInFolder(folder, candidate);
      if (!found) continue;
      void* handle = dlopen(found->c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle != nullptr) {
        setLastError(kErrorSuccess);
        return std::unique_ptr<Library>(new Library(handle, *found));
      }
    }
  }
  setLastError(kErrorModNotFound);
  return nullptr;
}

Library::~Library() {
  if (handle_ != nullptr) dlclose(handle_);
}

void* Library::symbol(std::string_view name) const {
  std::string key(name);
  if (void* address = dlsym(handle_, key.c_str()); address != nullptr) return address;
  if (const Q7310ExportTable* table = exportTable(handle_)) {
    for (uint32_t i = 0; i < table->count; ++i) {
      const Q7310ExportEntry& entry = table->entries[i];
      if ((entry.name != nullptr && key == entry.name) || (entry.alias != nullptr && key == entry.alias)) {
        return entry.address;
      }
    }
  }
  setLastError(kErrorProcNotFound);
  return nullptr;
}

void* Library::ordinal(uint16_t number) const {
  if (const Q7310ExportTable* table = exportTable(handle_); table != nullptr && number != 0) {
    for (uint32_t i = 0; i < table->count; ++i) {
      if (table->entries[i].ordinal == number) return table->entries[i].address;
    }
  }
  setLastError(kErrorProcNotFound);
  return nullptr;
}

}  // namespace q7310::os
