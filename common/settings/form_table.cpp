#include "common/settings/form_table.h"

namespace q7310::settings {

namespace {

constexpr FormTable makeTable(uint32_t splitMethod) {
  return FormTable{{
      {"2 x 6 in (51 x 152 mm)", u"2 x 6 in (51 x 152 mm)", 7, 0, 1844, 634, 1, 1, 53680, 156130, 537, 1561,
       {0, 0, 53680, 156130}},
      {"4 x 6 in (102 x 152 mm)", u"4 x 6 in (102 x 152 mm)", 0, 0, 1844, 1240, 1, 0, 105000, 156130, 1050, 1561,
       {0, 0, 105000, 156130}},
      {"4 x 6 in split (102 x 152 mm)", u"4 x 6 in split (102 x 152 mm)", 0, splitMethod, 1844, 1240, 1, 0, 105000,
       156130, 1050, 1561, {0, 0, 105000, 156130}},
      {"6 x 8 in (152 x 203 mm)", u"6 x 8 in (152 x 203 mm)", 6, 0, 1844, 2434, 0, 0, 156130, 206079, 1561, 2061,
       {0, 0, 156130, 206079}},
  }};
}

constexpr FormTable kDriverTable = makeTable(kSplitPrintMethod);
constexpr FormTable kUiTable = makeTable(0);

char16_t fold(char16_t ch) { return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch - u'A' + u'a') : ch; }

}  // namespace

const FormTable& formTable(SettingsModule module) {
  return module == SettingsModule::GraphicsDriver ? kDriverTable : kUiTable;
}

std::u16string_view formName(const FormEntry& entry) { return std::u16string_view(entry.wideName); }

bool wideEqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::optional<int> rowForPaperSize(int paperSize) {
  if (paperSize >= kFirstPaperSize && paperSize < kFirstPaperSize + kFormCount) return paperSize - kFirstPaperSize;
  return std::nullopt;
}

std::optional<int> rowForPaperDimensions(int width, int length) {
  const FormTable& table = kUiTable;
  for (int i = 0; i < kFormCount; ++i) {
    if (table[i].paperWidth == width && table[i].paperLength == length) return i;
  }
  return std::nullopt;
}

std::optional<int> rowForFormName(std::u16string_view name) {
  for (int i = 0; i < kFormCount; ++i) {
    if (wideEqualsIgnoreCase(name, formName(kUiTable[i]))) return i;
  }
  return std::nullopt;
}

bool ribbonOffersForm(int ribbonType, int row) {
  if (row < 0 || row >= kFormCount) return false;
  return ribbonType == 1 ? true : row <= 2;
}

int fallbackFormForRibbon(int ribbonType) { return ribbonType == 1 ? 3 : 1; }

}  // namespace q7310::settings
