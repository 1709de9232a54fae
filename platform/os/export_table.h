// The table a library carries for the exports the platform's symbol table
// cannot hold by name: decorated aliases ("_Name@12") and ordinals. The loader
// (library.h) looks names, aliases and ordinals up in it. Plain C, so that a
// deliverable includes it without depending on the platform library.
#pragma once

#include <cstdint>

extern "C" {

struct Q7310ExportEntry {
  const char* name;   // the plain name, or nullptr
  const char* alias;  // a decorated alias, or nullptr
  uint16_t ordinal;   // 0: none
  void* address;
};

struct Q7310ExportTable {
  uint32_t count;
  const Q7310ExportEntry* entries;
};

}  // extern "C"

// The symbol under which a library publishes its table.
#define Q7310_EXPORT_TABLE_SYMBOL "q7310_export_table"

// Marks a function exported with C linkage under its own name.
#define Q7310_EXPORT extern "C" __attribute__((visibility("default")))
