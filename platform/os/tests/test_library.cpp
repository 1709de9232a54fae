// A library with one export by name and two reachable only through its export
// table (a decorated alias and an ordinal), as the loader tests need.
#include "platform/os/export_table.h"

namespace {
int hiddenByOrdinal() { return 7; }
int hiddenByAlias() { return 9; }
}  // namespace

Q7310_EXPORT int Q7310Test_Answer() { return 42; }

namespace {
const Q7310ExportEntry kEntries[] = {
    {"Q7310Test_Answer", nullptr, 1, reinterpret_cast<void*>(&Q7310Test_Answer)},
    {nullptr, nullptr, 3, reinterpret_cast<void*>(&hiddenByOrdinal)},
    {"Q7310Test_Hidden", "_Q7310Test_Hidden@8", 4, reinterpret_cast<void*>(&hiddenByAlias)},
};
}  // namespace

extern "C" __attribute__((visibility("default"))) const Q7310ExportTable q7310_export_table = {3, kEntries};
