// The engine's page functions, as callers see them. Each is exported under
// its plain name with C linkage and through the export table under ordinals
// 1 to 13. Every function but close and disposPtr ends with an optional
// error code pointer: 0 on success, 1000 out of memory or no color world,
// 1005 profile, 1006 bad argument, 1007 Cask library, 1106 bad record.
#pragma once

#include <cstdint>

extern "C" {

// An open filter instance; 0 is none.
typedef void* PluginFilter;

PluginFilter plugin_filter_open(uint16_t* err);
void plugin_filter_close(PluginFilter inst);
int32_t plugin_filter_initpage(PluginFilter inst, uint32_t width, uint32_t height, uint32_t swap, uint16_t* err);
int32_t plugin_filter_startpage(PluginFilter inst, uint16_t* err);
int32_t plugin_filter_endpage(PluginFilter inst, uint16_t* err);
int32_t plugin_filter_freepage(PluginFilter inst, uint16_t* err);
// Runs lines of 3 × width bytes from src (changed in place by the swap and
// input curve stages) into *band; a null *band is allocated with room for
// lines + 2 lines and handed to the caller, who releases it with disposPtr.
int32_t plugin_filter_do(PluginFilter inst, uint8_t* src, uint32_t lines, uint8_t** band, uint32_t* outLines,
                         uint16_t* err);
void plugin_filter_disposPtr(void* p);
// mode 0 defaults, 1 set record, 2 get record (size query with null data),
// 3 dialogs, 4 / 5 switch stage `item` on / off.
int32_t plugin_filter_preference(PluginFilter inst, uint16_t mode, uint16_t item, void* data, uint32_t* size,
                                 uint16_t* err);
int32_t plugin_filter_setInputToneCurve(PluginFilter inst, uint8_t enable, const uint8_t* master, const uint8_t* ch1,
                                        const uint8_t* ch2, const uint8_t* ch3, uint16_t* err);
int32_t plugin_filter_setOutputToneCurve(PluginFilter inst, uint8_t enable, const uint8_t* master, const uint8_t* ch1,
                                         const uint8_t* ch2, const uint8_t* ch3, uint16_t* err);
// coef9: the inner 3 × 3 kernel row by row.
int32_t plugin_filter_setMtf(PluginFilter inst, uint8_t enable, const int32_t* coef9, int32_t scale, uint16_t* err);
int32_t plugin_filter_setIccProfile(PluginFilter inst, uint8_t enable, const char* inputProfile,
                                    const char* outputProfile, uint16_t intent, uint16_t* err);

}  // extern "C"
