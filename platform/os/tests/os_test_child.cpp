// A second process for the multi-process tests of the named objects.
//   hold-mutex NAME          own the mutex, signal NAME.ready, exit without releasing
//   write-section NAME TEXT  create the section, write TEXT, signal NAME.ready, wait for NAME.done
//   read-section NAME        print the section's text; exit 3 if it does not exist
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/os/clock.h"
#include "platform/os/kernel_objects.h"

using namespace q7310::os;

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string command = argv[1];
  std::string name = argv[2];
  if (command == "hold-mutex") {
    auto mutex = Mutex::create(name);
    if (!mutex || mutex->wait(5000) != WaitResult::Signalled) return 4;
    auto ready = Event::create(name + ".ready");
    ready->set();
    _Exit(0);  // dies owning it
  }
  if (command == "write-section" && argc >= 4) {
    bool existed = true;
    auto section = Section::create(name, 64, &existed);
    if (!section) return 4;
    std::strncpy(reinterpret_cast<char*>(section->data()), argv[3], 63);
    auto ready = Event::create(name + ".ready");
    auto done = Event::create(name + ".done");
    ready->set();
    return done->wait(20000) == WaitResult::Signalled ? (existed ? 5 : 0) : 6;
  }
  if (command == "read-section") {
    auto section = Section::open(name);
    if (!section) return 3;
    std::printf("%.*s\n", static_cast<int>(section->size()), reinterpret_cast<const char*>(section->data()));
    return 0;
  }
  return 2;
}
