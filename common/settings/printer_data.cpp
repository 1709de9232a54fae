#include "common/settings/printer_data.h"

#include <algorithm>

#include "common/le.h"

namespace q7310::settings {

PrinterData freshPrinterData() {
  PrinterData record{};
  le::putU16(record, 0, kPrinterDataVersion);
  le::putU16(record, 2, static_cast<uint16_t>(kPrinterDataSize));
  le::putU16(record, 40, 10000);
  le::putU16(record, 42, 10000);
  le::putU16(record, 44, 10000);
  return record;
}

PrinterData upgradePrinterData(std::span<const uint8_t> stored) {
  PrinterData record{};
  std::copy_n(stored.begin(), std::min(stored.size(), kPrinterDataSize), record.begin());
  le::putU16(record, 0, kPrinterDataVersion);
  le::putU16(record, 2, static_cast<uint16_t>(kPrinterDataSize));
  return record;
}

uint16_t printerDataVersion(std::span<const uint8_t> record) { return record.size() >= 2 ? le::u16(record, 0) : 0; }

}  // namespace q7310::settings
