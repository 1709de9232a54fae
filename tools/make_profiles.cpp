// Writes the package's ICC profiles into a folder: make_profiles <folder>.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/icc/shipped_profiles.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_profiles <output folder>\n");
    return 2;
  }
  std::filesystem::path folder = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (const auto& profile : q7310::tools::icc::shippedProfiles()) {
    std::ofstream out(folder / profile.fileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(profile.bytes.data()), std::streamsize(profile.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make_profiles: cannot write %s\n", (folder / profile.fileName).c_str());
      return 1;
    }
  }
  return 0;
}
