// UTF-16 text as the records and the spooler carry it, and its UTF-8 form for
// logs and file names.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace q7310::text {

std::string toUtf8(std::u16string_view wide);
std::u16string toUtf16(std::string_view utf8);

// Length of a terminated wide string, at most max characters.
size_t wideLength(const char16_t* text, size_t max = SIZE_MAX);

// A fixed field of `chars` UTF-16 characters at off in a byte record: read up
// to the first terminator; write cut to chars - 1 characters and terminated,
// the rest zero-filled.
std::u16string readWideField(std::span<const uint8_t> buf, size_t off, size_t chars);
void writeWideField(std::span<uint8_t> buf, size_t off, size_t chars, std::u16string_view value);

}  // namespace q7310::text
