// The plugin_filter_ entry points: thin adapters over the filter instance.
// No exception leaves them.
#include <new>

#include "Q5150FLT/pipeline/filter_instance.h"
#include "Q5150FLT/plugin_filter.h"
#include "platform/os/export_table.h"
#include "platform/os/library.h"

using namespace q7310::flt::pipeline;

namespace {

FilterInstance* instanceOf(PluginFilter inst) { return static_cast<FilterInstance*>(inst); }

int32_t report(uint16_t* err, uint16_t code) {
  if (err) *err = code;
  return code == kOk ? 1 : 0;
}

template <typename Fn>
int32_t guarded(uint16_t* err, Fn&& fn) {
  try {
    return report(err, fn());
  } catch (const std::bad_alloc&) {
    return report(err, kErrorMemory);
  } catch (...) {
    return report(err, kErrorArgument);
  }
}

// The folder of this library's own file.
std::string engineDirectory() {
  return q7310::os::moduleFolderOf(reinterpret_cast<const void*>(&plugin_filter_open)).string();
}

}  // namespace

Q7310_EXPORT PluginFilter plugin_filter_open(uint16_t* err) {
  try {
    uint16_t code = kOk;
    auto inst = FilterInstance::open(OpenOptions{engineDirectory(), false}, code);
    report(err, code);
    return inst.release();
  } catch (...) {
    report(err, kErrorMemory);
    return nullptr;
  }
}

Q7310_EXPORT void plugin_filter_close(PluginFilter inst) { delete instanceOf(inst); }

Q7310_EXPORT int32_t plugin_filter_initpage(PluginFilter inst, uint32_t width, uint32_t height, uint32_t swap,
                                            uint16_t* err) {
  if (!inst) return report(err, kErrorArgument);
  return guarded(err, [&] { return instanceOf(inst)->initPage(width, height, swap); });
}

Q7310_EXPORT int32_t plugin_filter_startpage(PluginFilter inst, uint16_t* err) {
  if (!inst) return report(err, kErrorArgument);
  return guarded(err, [&] { return instanceOf(inst)->startPage(); });
}

Q7310_EXPORT int32_t plugin_filter_endpage(PluginFilter inst, uint16_t* err) {
  return report(err, inst ? kOk : kErrorArgument);
}

Q7310_EXPORT int32_t plugin_filter_freepage(PluginFilter inst, uint16_t* err) {
  if (!inst) return report(err, kErrorArgument);
  instanceOf(inst)->freePage();
  return report(err, kOk);
}

Q7310_EXPORT int32_t plugin_filter_do(PluginFilter inst, uint8_t* src, uint32_t lines, uint8_t** band,
                                      uint32_t* outLines, uint16_t* err) {
  if (!inst) {
    if (outLines) *outLines = 0;
    return report(err, kErrorArgument);
  }
  return guarded(err, [&] { return instanceOf(inst)->process(src, lines, band, outLines); });
}

Q7310_EXPORT void plugin_filter_disposPtr(void* p) { releaseBlock(p); }

Q7310_EXPORT int32_t plugin_filter_preference(PluginFilter inst, uint16_t mode, uint16_t item, void* data,
                                              uint32_t* size, uint16_t* err) {
  if (!inst) {
    if (size) *size = 0;
    return report(err, kErrorArgument);
  }
  return guarded(err, [&] { return instanceOf(inst)->preference(mode, item, data, size); });
}

namespace {

int32_t setCurve(PluginFilter inst, bool output, uint8_t enable, const uint8_t* master, const uint8_t* ch1,
                 const uint8_t* ch2, const uint8_t* ch3, uint16_t* err) {
  if (!inst) return report(err, kErrorArgument);
  const uint8_t* const tables[4] = {master, ch1, ch2, ch3};
  return guarded(err, [&] { return instanceOf(inst)->setToneCurve(output, enable, tables); });
}

}  // namespace

Q7310_EXPORT int32_t plugin_filter_setInputToneCurve(PluginFilter inst, uint8_t enable, const uint8_t* master,
                                                     const uint8_t* ch1, const uint8_t* ch2, const uint8_t* ch3,
                                                     uint16_t* err) {
  return setCurve(inst, false, enable, master, ch1, ch2, ch3, err);
}

Q7310_EXPORT int32_t plugin_filter_setOutputToneCurve(PluginFilter inst, uint8_t enable, const uint8_t* master,
                                                      const uint8_t* ch1, const uint8_t* ch2, const uint8_t* ch3,
                                                      uint16_t* err) {
  return setCurve(inst, true, enable, master, ch1, ch2, ch3, err);
}

Q7310_EXPORT int32_t plugin_filter_setMtf(PluginFilter inst, uint8_t enable, const int32_t* coef9, int32_t scale,
                                          uint16_t* err) {
  if (!inst) return report(err, kErrorArgument);
  return guarded(err, [&] { return instanceOf(inst)->setMtf(enable, coef9, scale); });
}

Q7310_EXPORT int32_t plugin_filter_setIccProfile(PluginFilter inst, uint8_t enable, const char* inputProfile,
                                                 const char* outputProfile, uint16_t intent, uint16_t* err) {
  if (!inst) return report(err, kErrorArgument);
  return guarded(err, [&] { return instanceOf(inst)->setIccProfile(enable, inputProfile, outputProfile, intent); });
}
