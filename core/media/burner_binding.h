#pragma once
// The binding to the disc-burning module "brimburn": loaded once per process
// from the program's library directory, every entry point found by name,
// and the module initialised (Initialize, then SetLanguage) once.
#include <cstdint>
#include <memory>

#include "basekit/types.h"
#include "core/media/loadable_module.h"
#include "plugins/burner/burner_api.h"

namespace brim {

// The module's entry points, all present once the binding is available.
struct BurnerEntryPoints {
    BurnerInitializeFn initialize = nullptr;
    BurnerSetLanguageFn set_language = nullptr;
    BurnerGetTextFn get_text = nullptr;
    BurnerGetOptionsFn get_options = nullptr;
    BurnerSetOptionsFn set_options = nullptr;
    BurnerGetDevicesFn get_devices = nullptr;
    BurnerSetDeviceFn set_device = nullptr;
    BurnerAddFileFn add_file = nullptr;
    BurnerCreateDirFn create_dir = nullptr;
    BurnerSetIsoInfoExFn set_iso_info = nullptr;
    BurnerClearAllFn clear_all = nullptr;
    BurnerCreateProjectFn create_project = nullptr;
    BurnerPrepareFn prepare = nullptr;
    BurnerBurnFn burn = nullptr;
    BurnerStopVerifyFn stop_verify = nullptr;
    BurnerAbortFn abort = nullptr;
    BurnerSetFinalizeFn set_finalize = nullptr;
    BurnerSetOpenFileFn set_open_file = nullptr;
    BurnerSetBurnDoneFn set_burn_done = nullptr;
    BurnerSetAddFileFn set_add_file = nullptr;
    BurnerSetProcessFn set_process = nullptr;
    BurnerSetVerifyDoneFn set_verify_done = nullptr;
    BurnerSetVerifyFileFn set_verify_file = nullptr;
    BurnerSetStartVerifyFn set_start_verify = nullptr;
    BurnerSetVerifyErrorFn set_verify_error = nullptr;
};

class BurnerBinding final {
public:
    // The module's name, without the platform's suffix.
    static constexpr bk::StringView module_name = u"brimburn";

    // Loads the module from `directory`. The binding is absent (available()
    // false, the module released) when it cannot be loaded, when any entry
    // point is missing, or when the module fails to initialise. Never throws.
    explicit BurnerBinding(const bk::String& directory);
    BurnerBinding(const BurnerBinding&) = delete;
    BurnerBinding& operator=(const BurnerBinding&) = delete;

    // The process's binding, loaded from module_search_directory() on the
    // first call (safe from any thread); del_instance() drops it, so that
    // the next call loads again.
    static BurnerBinding& instance();
    static void del_instance();

    bool available() const { return available_; }
    // Valid only while available().
    const BurnerEntryPoints& api() const { return api_; }
    // The module's text for one of its result codes.
    bk::String text(std::int32_t code) const;

private:
    bool resolve_all();

    LoadableModule module_;
    BurnerEntryPoints api_;
    bool available_ = false;
};

}  // namespace brim
