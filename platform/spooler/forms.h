// The spooler's form database: the built-in forms and the ones users and
// drivers add. Kept under the root, shared by every printer.
//
// None of these calls blocks beyond file access; none throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/api.h"
#include "platform/spooler/printers.h"

namespace q7310::spooler {

inline constexpr uint32_t kFormUser = 0;
inline constexpr uint32_t kFormBuiltin = 1;
inline constexpr uint32_t kFormPrinter = 2;

// Level 1 form information. Sizes in thousandths of a millimetre.
struct FormInfo1 {
  uint32_t flags = kFormUser;
  std::u16string name;
  int32_t width = 0;
  int32_t height = 0;
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const FormInfo1&) const = default;
};

// Every form, built-in ones first, then the added ones in the order they were
// added. nullopt with kErrorInvalidHandle for a handle that is not open.
Q7310_SPOOLER_API std::optional<std::vector<FormInfo1>> enumForms(PrinterHandle printer);
// The form of that name (ignoring case); nullopt with kErrorInvalidParameter
// (no such form) or kErrorInvalidHandle.
Q7310_SPOOLER_API std::optional<FormInfo1> getForm(PrinterHandle printer, std::u16string_view name);
// Adds a form. False with kErrorFileExists when one of that name exists,
// kErrorInvalidParameter for an empty name or a size not above zero,
// kErrorInvalidHandle, or kErrorWriteFault.
Q7310_SPOOLER_API bool addForm(PrinterHandle printer, const FormInfo1& form);
// Deletes an added form. False with kErrorInvalidParameter for a built-in
// form and kErrorInvalidFormName (1902) for one that does not exist.
Q7310_SPOOLER_API bool deleteForm(PrinterHandle printer, std::u16string_view name);

}  // namespace q7310::spooler
