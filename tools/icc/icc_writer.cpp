#include "tools/icc/icc_writer.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace q7310::tools::icc {

namespace {

void putU16(Bytes& b, size_t off, uint16_t v) {
  b[off] = uint8_t(v >> 8);
  b[off + 1] = uint8_t(v);
}
void appendU32(Bytes& b, uint32_t v) {
  b.resize(b.size() + 4);
  putU32(b, b.size() - 4, v);
}
void appendU16(Bytes& b, uint16_t v) {
  b.resize(b.size() + 2);
  putU16(b, b.size() - 2, v);
}
int32_t s15Fixed16(double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); }

Bytes lutHeader(uint32_t type, const Lut& lut) {
  Bytes b;
  appendU32(b, type);
  appendU32(b, 0);
  b.push_back(uint8_t(lut.inputs));
  b.push_back(uint8_t(lut.outputs));
  b.push_back(uint8_t(lut.grid));
  b.push_back(0);
  // Identity matrix (not used for non-XYZ input, but required by the format).
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) appendU32(b, r == c ? 0x00010000u : 0u);
  }
  return b;
}

}  // namespace

void putU32(Bytes& b, size_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = uint8_t(v >> (24 - 8 * i));
}

uint32_t getU32(const Bytes& b, size_t off) {
  return (uint32_t(b[off]) << 24) | (uint32_t(b[off + 1]) << 16) | (uint32_t(b[off + 2]) << 8) | b[off + 3];
}

Bytes write(const Profile& p) {
  Bytes out(128, 0);
  putU32(out, 4, 0);  // no preferred CMM
  putU32(out, 8, p.version);
  putU32(out, 12, p.deviceClass);
  putU32(out, 16, p.colorSpace);
  putU32(out, 20, p.pcs);
  const uint16_t date[6] = {2026, 12, 11, 12, 0, 0};
  for (int i = 0; i < 6; ++i) putU16(out, 24 + 2 * i, date[i]);
  putU32(out, 36, sig("acsp"));
  putU32(out, 64, p.renderingIntent);
  putU32(out, 68, uint32_t(s15Fixed16(0.9642)));
  putU32(out, 72, uint32_t(s15Fixed16(1.0)));
  putU32(out, 76, uint32_t(s15Fixed16(0.8249)));
  putU32(out, 80, sig("Q731"));

  appendU32(out, uint32_t(p.tags.size()));
  const size_t tableAt = out.size();
  out.resize(out.size() + 12 * p.tags.size());
  std::map<Bytes, std::pair<uint32_t, uint32_t>> placed;
  for (size_t i = 0; i < p.tags.size(); ++i) {
    const auto& [signature, data] = p.tags[i];
    auto it = placed.find(data);
    if (it == placed.end()) {
      while (out.size() % 4) out.push_back(0);
      it = placed.emplace(data, std::make_pair(uint32_t(out.size()), uint32_t(data.size()))).first;
      out.insert(out.end(), data.begin(), data.end());
    }
    putU32(out, tableAt + 12 * i, signature);
    putU32(out, tableAt + 12 * i + 4, it->second.first);
    putU32(out, tableAt + 12 * i + 8, it->second.second);
  }
  while (out.size() % 4) out.push_back(0);
  putU32(out, 0, uint32_t(out.size()));
  return out;
}

Bytes xyzTag(double x, double y, double z) {
  Bytes b;
  appendU32(b, sig("XYZ "));
  appendU32(b, 0);
  for (double v : {x, y, z}) appendU32(b, uint32_t(s15Fixed16(v)));
  return b;
}

Bytes curveTag(std::span<const uint16_t> entries) {
  Bytes b;
  appendU32(b, sig("curv"));
  appendU32(b, 0);
  appendU32(b, uint32_t(entries.size()));
  for (uint16_t e : entries) appendU16(b, e);
  return b;
}

Bytes gammaTag(double gamma) {
  const uint16_t entry = uint16_t(std::lround(gamma * 256.0));
  return curveTag(std::span(&entry, 1));
}

Bytes textTag(const std::string& text) {
  Bytes b;
  appendU32(b, sig("text"));
  appendU32(b, 0);
  b.insert(b.end(), text.begin(), text.end());
  b.push_back(0);
  return b;
}

Bytes descriptionTag(const std::string& text) {
  Bytes b;
  appendU32(b, sig("desc"));
  appendU32(b, 0);
  appendU32(b, uint32_t(text.size() + 1));
  b.insert(b.end(), text.begin(), text.end());
  b.push_back(0);
  appendU32(b, 0);  // no Unicode description
  appendU32(b, 0);
  appendU16(b, 0);  // no ScriptCode description
  b.push_back(0);
  b.resize(b.size() + 67, 0);
  return b;
}

Bytes lut16Tag(const Lut& lut) {
  Bytes b = lutHeader(sig("mft2"), lut);
  appendU16(b, uint16_t(lut.inputTables.empty() ? 0 : lut.inputTables[0].size()));
  appendU16(b, uint16_t(lut.outputTables.empty() ? 0 : lut.outputTables[0].size()));
  for (const auto& t : lut.inputTables) {
    for (uint16_t v : t) appendU16(b, v);
  }
  for (uint16_t v : lut.clut) appendU16(b, v);
  for (const auto& t : lut.outputTables) {
    for (uint16_t v : t) appendU16(b, v);
  }
  return b;
}

Bytes lut8Tag(const Lut& lut) {
  Bytes b = lutHeader(sig("mft1"), lut);
  auto table256 = [&](const std::vector<uint16_t>& t) {
    for (int i = 0; i < 256; ++i) {
      double pos = i * double(t.size() - 1) / 255.0;
      size_t j = std::min(size_t(pos), t.size() - 2);
      double v = t[j] + (double(t[j + 1]) - t[j]) * (pos - double(j));
      b.push_back(uint8_t(std::lround(v / 257.0)));
    }
  };
  for (const auto& t : lut.inputTables) table256(t);
  for (uint16_t v : lut.clut) b.push_back(uint8_t(v >> 8));
  for (const auto& t : lut.outputTables) table256(t);
  return b;
}

std::vector<uint16_t> identityTable(size_t entries) {
  std::vector<uint16_t> t(entries);
  for (size_t i = 0; i < entries; ++i) t[i] = uint16_t(std::lround(i * 65535.0 / double(entries - 1)));
  return t;
}

}  // namespace q7310::tools::icc
