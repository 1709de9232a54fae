// The four print sizes: the fixed table both the settings UI and the graphics
// driver hold, and the forms each ribbon offers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/settings/devmode.h"

namespace q7310::settings {

struct RectL {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

struct FormEntry {
  char narrowName[32];
  char16_t wideName[32];
  uint32_t mediaSizeCode;
  uint32_t printMethod;
  uint32_t printerWidth;   // pixels across the print head
  uint32_t printerLength;  // pixels along the paper
  uint32_t firstMark;
  uint32_t secondMark;
  int32_t formWidth;  // thousandths of a millimetre
  int32_t formHeight;
  int32_t paperWidth;  // tenths of a millimetre
  int32_t paperLength;
  RectL imageableArea;  // thousandths of a millimetre
};

inline constexpr int kFormCount = 4;
inline constexpr int16_t kFirstPaperSize = 256;
inline constexpr uint32_t kSplitPrintMethod = 4;

using FormTable = std::array<FormEntry, kFormCount>;

// The table of the given module: only the graphics driver's copy carries the
// split print method in row 2.
const FormTable& formTable(SettingsModule module);

std::u16string_view formName(const FormEntry& entry);

// The row a paper size code (256..259) stands for.
std::optional<int> rowForPaperSize(int paperSize);
// The row whose paper width and length (0.1 mm) are exactly these.
std::optional<int> rowForPaperDimensions(int width, int length);
// The row whose wide name equals name, ignoring case.
std::optional<int> rowForFormName(std::u16string_view name);

// Whether a ribbon (RibbonType 0: 4 x 6, 1: 6 x 8) offers a form row, and the
// row chosen when the record's form is not offered.
bool ribbonOffersForm(int ribbonType, int row);
int fallbackFormForRibbon(int ribbonType);

// Case-insensitive comparison of wide names (ASCII letters fold).
bool wideEqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

}  // namespace q7310::settings
