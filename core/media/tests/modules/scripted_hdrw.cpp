// A raw-disk reader for tests, scripted through the environment:
//  BRIM_TEST_HDRW_PARTITION  "1": every root passes the probe; else none does
//  BRIM_TEST_HDRW_ERROR      the code (hex) Hdrw_GetLastError reports
//  BRIM_TEST_HDRW_SHADOW     a directory: Hdrw_OpenFile serves the file of the
//                            same name from there; unset, every open fails
// Built without Hdrw_OpenFile when HDRW_WITHOUT_OPEN is defined.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "plugins/rawdisk/hdrw_api.h"

#define HDRW_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

HDRW_EXPORT uint32_t Hdrw_GetLastError(int32_t) {
    return static_cast<uint32_t>(std::strtoul(setting("BRIM_TEST_HDRW_ERROR").c_str(), nullptr, 16));
}

HDRW_EXPORT int32_t Hdrw_GetPartition(const char*) { return setting("BRIM_TEST_HDRW_PARTITION") == "1" ? 1 : 0; }

#ifndef HDRW_WITHOUT_OPEN
HDRW_EXPORT HdrwHandle Hdrw_OpenFile(const char* path, int32_t, HdrwFileInfo* info, int32_t) {
    const std::string shadow = setting("BRIM_TEST_HDRW_SHADOW");
    if (shadow.empty()) return 0;
    const std::string name = path;
    FILE* file = std::fopen((shadow + "/" + name.substr(name.rfind('/') + 1)).c_str(), "rb");
    if (file == nullptr) return 0;
    info->attributes = setting("BRIM_TEST_HDRW_ENCRYPTED") == "1" ? HDRW_ATTR_ENCRYPTED : 0x20u;
    return reinterpret_cast<HdrwHandle>(file);
}
#endif

HDRW_EXPORT int32_t Hdrw_ReadFile(HdrwHandle handle, void* buffer, uint32_t size, uint32_t* read) {
    *read = static_cast<uint32_t>(std::fread(buffer, 1, size, reinterpret_cast<FILE*>(handle)));
    return 1;
}

HDRW_EXPORT int32_t Hdrw_CloseFile(HdrwHandle handle) { return std::fclose(reinterpret_cast<FILE*>(handle)) == 0; }
