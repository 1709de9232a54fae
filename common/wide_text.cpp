#include "common/wide_text.h"

#include "common/le.h"

namespace q7310::text {

std::string toUtf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t cp = wide[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string toUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    auto byte = static_cast<uint8_t>(utf8[i]);
    uint32_t cp;
    size_t extra;
    if (byte < 0x80) {
      cp = byte;
      extra = 0;
    } else if ((byte & 0xE0) == 0xC0) {
      cp = byte & 0x1F;
      extra = 1;
    } else if ((byte & 0xF0) == 0xE0) {
      cp = byte & 0x0F;
      extra = 2;
    } else if ((byte & 0xF8) == 0xF0) {
      cp = byte & 0x07;
      extra = 3;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (i + extra >= utf8.size()) {  // cut short at the end
      out += u'\uFFFD';
      break;
    }
    bool valid = true;
    for (size_t k = 1; k <= extra; ++k) {
      auto next = static_cast<uint8_t>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

size_t wideLength(const char16_t* text, size_t max) {
  if (text == nullptr) return 0;
  size_t n = 0;
  while (n < max && text[n] != 0) ++n;
  return n;
}

std::u16string readWideField(std::span<const uint8_t> buf, size_t off, size_t chars) {
  std::u16string out;
  for (size_t i = 0; i < chars; ++i) {
    char16_t ch = le::u16(buf, off + 2 * i);
    if (ch == 0) break;
    out += ch;
  }
  return out;
}

void writeWideField(std::span<uint8_t> buf, size_t off, size_t chars, std::u16string_view value) {
  for (size_t i = 0; i < chars; ++i) {
    char16_t ch = (i + 1 < chars && i < value.size()) ? value[i] : u'\0';
    le::putU16(buf, off + 2 * i, ch);
  }
}

}  // namespace q7310::text
