// The library's export table: ordinals and decorated aliases, which the
// platform's symbol table cannot carry. The page functions take ordinals 1 to
// 13, in the order callers bind them; the profile and color world functions
// take ordinals 14 on, each plain name followed by its alias, in byte order of
// the plain names.
#include "Q5150FLT/plugin_filter.h"
#include "Q5150FLT/sdkcm.h"
#include "platform/os/export_table.h"

namespace {

#define Q7310_SDKCM_ENTRY(name, alias, ordinal)                                  \
  {#name, nullptr, ordinal, reinterpret_cast<void*>(&name)},                     \
  {nullptr, alias, static_cast<uint16_t>(ordinal + 1), reinterpret_cast<void*>(&name)}

#define Q7310_PLUGIN_ENTRY(name, ordinal) {#name, nullptr, ordinal, reinterpret_cast<void*>(&name)}

const Q7310ExportEntry kEntries[] = {
    Q7310_PLUGIN_ENTRY(plugin_filter_open, 1),
    Q7310_PLUGIN_ENTRY(plugin_filter_close, 2),
    Q7310_PLUGIN_ENTRY(plugin_filter_initpage, 3),
    Q7310_PLUGIN_ENTRY(plugin_filter_startpage, 4),
    Q7310_PLUGIN_ENTRY(plugin_filter_endpage, 5),
    Q7310_PLUGIN_ENTRY(plugin_filter_freepage, 6),
    Q7310_PLUGIN_ENTRY(plugin_filter_do, 7),
    Q7310_PLUGIN_ENTRY(plugin_filter_disposPtr, 8),
    Q7310_PLUGIN_ENTRY(plugin_filter_preference, 9),
    Q7310_PLUGIN_ENTRY(plugin_filter_setInputToneCurve, 10),
    Q7310_PLUGIN_ENTRY(plugin_filter_setOutputToneCurve, 11),
    Q7310_PLUGIN_ENTRY(plugin_filter_setMtf, 12),
    Q7310_PLUGIN_ENTRY(plugin_filter_setIccProfile, 13),
    Q7310_SDKCM_ENTRY(SDKCMCloseProfile, "_SDKCMCloseProfile_@4", 14),
    Q7310_SDKCM_ENTRY(SDKCMConvertColorWorldToIPB, "_SDKCMConvertColorWorldToIPB_@8", 16),
    Q7310_SDKCM_ENTRY(SDKCMCreatLUT, "_SDKCMCreatLUT_@24", 18),
    Q7310_SDKCM_ENTRY(SDKCMCreateColorWorld, "_SDKCMCreateColorWorld_@20", 20),
    Q7310_SDKCM_ENTRY(SDKCMDisposeColorWorld, "_SDKCMDisposeColorWorld_@4", 22),
    Q7310_SDKCM_ENTRY(SDKCMGetNumsOfInPixComp, "_SDKCMGetNumsOfInPixComp_@4", 24),
    Q7310_SDKCM_ENTRY(SDKCMGetNumsOfOutPixComp, "_SDKCMGetNumsOfOutPixComp_@4", 26),
    Q7310_SDKCM_ENTRY(SDKCMGetPartialProfileElement, "_SDKCMGetPartialProfileElement_@20", 28),
    Q7310_SDKCM_ENTRY(SDKCMGetProfileHeader, "_SDKCMGetProfileHeader_@8", 30),
    Q7310_SDKCM_ENTRY(SDKCMGetTagTableInfo, "_SDKCMGetTagTableInfo_@12", 32),
    Q7310_SDKCM_ENTRY(SDKCMMatchPixelMap, "_SDKCMMatchPixelMap_@12", 34),
    Q7310_SDKCM_ENTRY(SDKCMMatchPlaneMap, "_SDKCMMatchPlaneMap_@12", 36),
    Q7310_SDKCM_ENTRY(SDKCMOpenProfile, "_SDKCMOpenProfile_@8", 38),
};

#undef Q7310_SDKCM_ENTRY
#undef Q7310_PLUGIN_ENTRY

}  // namespace

extern "C" __attribute__((visibility("default"))) const Q7310ExportTable q7310_export_table = {
    sizeof(kEntries) / sizeof(kEntries[0]), kEntries};
