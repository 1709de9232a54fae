#include "common/job_stream.h"

#include "common/le.h"

namespace q7310::jobstream {

JobHeader JobHeader::read(std::span<const uint8_t> b) {
  JobHeader h;
  h.recordSize = le::u32(b, kRecordSizeOffset);
  h.modelNumber = le::u32(b, kModelNumberOffset);
  h.ribbonType = le::u32(b, kRibbonTypeOffset);
  h.streamVersion = le::u32(b, kStreamVersionOffset);
  return h;
}

void JobHeader::write(std::span<uint8_t> b) const {
  le::putU32(b, kRecordSizeOffset, recordSize);
  le::putU32(b, kModelNumberOffset, modelNumber);
  le::putU32(b, kRibbonTypeOffset, ribbonType);
  le::putU32(b, kStreamVersionOffset, streamVersion);
}

std::array<uint8_t, kJobHeaderSize> JobHeader::bytes() const {
  std::array<uint8_t, kJobHeaderSize> out{};
  write(out);
  return out;
}

PageHeader PageHeader::read(std::span<const uint8_t> b) {
  PageHeader h;
  h.recordSize = le::u32(b, kRecordSizeOffset);
  h.reserved4 = le::u32(b, kReserved4Offset);
  h.mediaSizeCode = le::u32(b, kMediaSizeCodeOffset);
  h.headerWordA = le::u32(b, kHeaderWordAOffset);
  h.printMethod = le::u32(b, kPrintMethodOffset);
  h.printQuality = le::u32(b, kPrintQualityOffset);
  h.laminate = le::u32(b, kLaminateOffset);
  h.reserved28 = le::u32(b, kReserved28Offset);
  h.reserved32 = le::u32(b, kReserved32Offset);
  h.width = le::u32(b, kWidthOffset);
  h.height = le::u32(b, kHeightOffset);
  h.copies = le::u32(b, kCopiesOffset);
  h.gamma = le::u32(b, kGammaOffset);
  h.headerWordB = le::u32(b, kHeaderWordBOffset);
  for (size_t i = 0; i < h.emphasisKernel.size(); ++i) h.emphasisKernel[i] = le::u32(b, kEmphasisKernelOffset + 4 * i);
  h.reserved92 = le::u32(b, kReserved92Offset);
  h.reserved96 = le::u32(b, kReserved96Offset);
  return h;
}

void PageHeader::write(std::span<uint8_t> b) const {
  le::putU32(b, kRecordSizeOffset, recordSize);
  le::putU32(b, kReserved4Offset, reserved4);
  le::putU32(b, kMediaSizeCodeOffset, mediaSizeCode);
  le::putU32(b, kHeaderWordAOffset, headerWordA);
  le::putU32(b, kPrintMethodOffset, printMethod);
  le::putU32(b, kPrintQualityOffset, printQuality);
  le::putU32(b, kLaminateOffset, laminate);
  le::putU32(b, kReserved28Offset, reserved28);
  le::putU32(b, kReserved32Offset, reserved32);
  le::putU32(b, kWidthOffset, width);
  le::putU32(b, kHeightOffset, height);
  le::putU32(b, kCopiesOffset, copies);
  le::putU32(b, kGammaOffset, gamma);
  le::putU32(b, kHeaderWordBOffset, headerWordB);
  for (size_t i = 0; i < emphasisKernel.size(); ++i) le::putU32(b, kEmphasisKernelOffset + 4 * i, emphasisKernel[i]);
  le::putU32(b, kReserved92Offset, reserved92);
  le::putU32(b, kReserved96Offset, reserved96);
}

std::array<uint8_t, kPageHeaderSize> PageHeader::bytes() const {
  std::array<uint8_t, kPageHeaderSize> out{};
  write(out);
  return out;
}

uint32_t readPageEnd(std::span<const uint8_t> bytes) { return le::u32(bytes, 0); }

std::array<uint8_t, kPageEndSize> pageEndBytes(uint32_t value) {
  std::array<uint8_t, kPageEndSize> out{};
  le::putU32(out, 0, value);
  return out;
}

}  // namespace q7310::jobstream
