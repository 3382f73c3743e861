// The exported entry points of the burning module, with C linkage and the
// names the binding looks up; each hands over to the module's burner.
#include <cstring>

#include "plugins/burner/burner.h"
#include "plugins/burner/burner_api.h"
#include "plugins/burner/burn_project.h"
#include "plugins/burner/burner_texts.h"

#define BRIMBURN_EXPORT extern "C" __attribute__((visibility("default")))

using brimburn::Burner;

BRIMBURN_EXPORT int32_t Initialize(void) { return Burner::instance().initialize(); }

// Only English texts are built in; any language is accepted and ignored.
BRIMBURN_EXPORT int32_t SetLanguage(const char* language, const char* file) {
    return language != nullptr && file != nullptr ? BURNER_OK : BURNER_E_INVALID_ARGUMENT;
}

BRIMBURN_EXPORT int32_t GetText(int32_t code, char* text, int32_t capacity) {
    if (text == nullptr || capacity <= 0) return BURNER_E_INVALID_ARGUMENT;
    const char* known = brimburn::result_text(code);
    const std::string message = known != nullptr ? known : "Unknown error " + std::to_string(code) + ".";
    const std::string fitted = brimburn::utf8_prefix(message, static_cast<std::size_t>(capacity) - 1);
    std::memcpy(text, fitted.c_str(), fitted.size() + 1);
    return BURNER_OK;
}

BRIMBURN_EXPORT int32_t GetOptions(BurnerOptions* options) { return Burner::instance().get_options(options); }
BRIMBURN_EXPORT int32_t SetOptions(BurnerOptions options) { return Burner::instance().set_options(options); }
BRIMBURN_EXPORT int32_t GetDevices(int32_t* count, BurnerDevice* devices) {
    return Burner::instance().get_devices(count, devices);
}
BRIMBURN_EXPORT int32_t SetDevice(const char* device) { return Burner::instance().set_device(device); }
BRIMBURN_EXPORT int32_t AddFile(BurnerFileEntry entry) { return Burner::instance().add_file(entry); }
BRIMBURN_EXPORT int32_t CreateDir(BurnerFileEntry entry) { return Burner::instance().create_dir(entry); }
BRIMBURN_EXPORT int32_t SetISOInfoEx(BurnerIsoInfo info) { return Burner::instance().set_iso_info(info); }
BRIMBURN_EXPORT int32_t ClearAll(void) { return Burner::instance().clear_all(); }
BRIMBURN_EXPORT int32_t CreateProject(int32_t kind) { return Burner::instance().create_project(kind); }
BRIMBURN_EXPORT int32_t Prepare(void) { return Burner::instance().prepare(); }
BRIMBURN_EXPORT int32_t Burn(int32_t flag) { return Burner::instance().burn(flag); }
BRIMBURN_EXPORT int32_t StopVerify(void) { return Burner::instance().stop_verify(); }
BRIMBURN_EXPORT int32_t Abort(void) { return Burner::instance().abort(); }

#define BRIMBURN_REGISTRAR(Name, Type, slot)                                     \
    BRIMBURN_EXPORT void Set##Name##EventCallback(Type callback, void* context) { \
        Burner::instance().callbacks.slot = {callback, context};                  \
    }

BRIMBURN_REGISTRAR(Finalize, BurnerFinalizeCallback, finalize)
BRIMBURN_REGISTRAR(OpenFile, BurnerOpenFileCallback, open_file)
BRIMBURN_REGISTRAR(BurnDone, BurnerBurnDoneCallback, burn_done)
BRIMBURN_REGISTRAR(AddFile, BurnerAddFileCallback, add_file)
BRIMBURN_REGISTRAR(Process, BurnerProcessCallback, process)
BRIMBURN_REGISTRAR(VerifyDone, BurnerVerifyDoneCallback, verify_done)
BRIMBURN_REGISTRAR(VerifyFile, BurnerVerifyFileCallback, verify_file)
BRIMBURN_REGISTRAR(StartVerify, BurnerStartVerifyCallback, start_verify)
BRIMBURN_REGISTRAR(VerifyError, BurnerVerifyErrorCallback, verify_error)
