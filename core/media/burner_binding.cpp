#include "core/media/burner_binding.h"

#include <mutex>
#include <vector>

#include "basekit/convertion.h"

namespace brim {
namespace {

std::mutex instance_mutex;
std::unique_ptr<BurnerBinding> the_instance;

}  // namespace

BurnerBinding::BurnerBinding(const bk::String& directory) : module_(directory, module_name) {
    available_ = module_.loaded() && resolve_all() && api_.initialize() == BURNER_OK &&
                 api_.set_language("English(En)", "languageU.ini") == BURNER_OK;
    if (!available_) {
        module_.release();
        api_ = {};
    }
}

bool BurnerBinding::resolve_all() {
    const LoadableModule& m = module_;
    return m.resolve("Initialize", api_.initialize) && m.resolve("SetLanguage", api_.set_language) &&
           m.resolve("GetText", api_.get_text) && m.resolve("GetOptions", api_.get_options) &&
           m.resolve("SetOptions", api_.set_options) && m.resolve("GetDevices", api_.get_devices) &&
           m.resolve("SetDevice", api_.set_device) && m.resolve("AddFile", api_.add_file) &&
           m.resolve("CreateDir", api_.create_dir) && m.resolve("SetISOInfoEx", api_.set_iso_info) &&
           m.resolve("ClearAll", api_.clear_all) && m.resolve("CreateProject", api_.create_project) &&
           m.resolve("Prepare", api_.prepare) && m.resolve("Burn", api_.burn) &&
           m.resolve("StopVerify", api_.stop_verify) && m.resolve("Abort", api_.abort) &&
           m.resolve("SetFinalizeEventCallback", api_.set_finalize) &&
           m.resolve("SetOpenFileEventCallback", api_.set_open_file) &&
           m.resolve("SetBurnDoneEventCallback", api_.set_burn_done) &&
           m.resolve("SetAddFileEventCallback", api_.set_add_file) &&
           m.resolve("SetProcessEventCallback", api_.set_process) &&
           m.resolve("SetVerifyDoneEventCallback", api_.set_verify_done) &&
           m.resolve("SetVerifyFileEventCallback", api_.set_verify_file) &&
           m.resolve("SetStartVerifyEventCallback", api_.set_start_verify) &&
           m.resolve("SetVerifyErrorEventCallback", api_.set_verify_error);
}

BurnerBinding& BurnerBinding::instance() {
    const std::lock_guard lock(instance_mutex);
    if (!the_instance) the_instance = std::make_unique<BurnerBinding>(module_search_directory());
    return *the_instance;
}

void BurnerBinding::del_instance() {
    const std::lock_guard lock(instance_mutex);
    the_instance.reset();
}

bk::String BurnerBinding::text(std::int32_t code) const {
    if (!available_) return {};
    std::vector<char> buffer(BURNER_TEXT_CAPACITY, '\0');
    if (api_.get_text(code, buffer.data(), BURNER_TEXT_CAPACITY) != BURNER_OK) return {};
    buffer.back() = '\0';
    return bk::from_utf8(buffer.data());
}

}  // namespace brim
