#include "plugins/burner/burner.h"

#include <chrono>
#include <cstring>
#include <libburn/libburn.h>
#include <libisofs/libisofs.h>
#include <thread>

#include "plugins/burner/drive_target.h"
#include "plugins/burner/image_target.h"
#include "plugins/burner/read_back.h"

namespace brimburn {
namespace {

using namespace burn;

template <std::size_t N>
bool fits(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

// Copies `text` into a fixed field; false when it does not fit.
template <std::size_t N>
bool put(char (&field)[N], const std::string& text) {
    if (text.size() >= N) return false;
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

template <typename Slot, typename... Args>
void fire(const Slot& slot, Args... args) {
    if (slot.function != nullptr) slot.function(slot.context, args...);
}

// Resets a flag when a scope ends.
class FlagScope final {
public:
    explicit FlagScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    std::atomic<bool>& flag_;
};

}  // namespace

Burner& Burner::instance() {
    static Burner burner;
    return burner;
}

std::int32_t Burner::initialize() {
    if (initialized_) return BURNER_OK;
    if (iso_init() < 0 || burn_initialize() != 1) return BURNER_E_NOT_INITIALIZED;
    // Names travel as UTF-8 whatever the host's locale says.
    iso_set_local_charset(const_cast<char*>("UTF-8"), 0);
    // Results come back as codes; the libraries print nothing but fatal errors.
    iso_set_msgs_severities(const_cast<char*>("NEVER"), const_cast<char*>("FATAL"), const_cast<char*>("brimburn : "));
    burn_msgs_set_severities(const_cast<char*>("NEVER"), const_cast<char*>("FATAL"), const_cast<char*>("brimburn : "));
    // The host program keeps its own signal handling.
    burn_set_signal_handling(nullptr, nullptr, 1);
    initialized_ = true;
    return BURNER_OK;
}

std::int32_t Burner::get_options(BurnerOptions* options) const {
    if (options == nullptr) return BURNER_E_INVALID_ARGUMENT;
    *options = options_;
    return BURNER_OK;
}

std::int32_t Burner::set_options(const BurnerOptions& options) {
    if (!fits(options.disc_label)) return BURNER_E_TOO_LONG;
    if (options.speed_kbps < 0) return BURNER_E_INVALID_ARGUMENT;
    options_ = options;
    return BURNER_OK;
}

std::int32_t Burner::set_iso_info(const BurnerIsoInfo& info) {
    if (!fits(info.volume_id) || !fits(info.publisher_id) || !fits(info.preparer_id) || !fits(info.application_id))
        return BURNER_E_TOO_LONG;
    iso_info_ = info;
    return BURNER_OK;
}

std::int32_t Burner::get_devices(std::int32_t* count, BurnerDevice* devices) const {
    if (count == nullptr || devices == nullptr) return BURNER_E_INVALID_ARGUMENT;
    if (!initialized_) return BURNER_E_NOT_INITIALIZED;
    std::int32_t n = 0;
    for (const std::string& drive : list_drives()) {
        if (n == BURNER_MAX_DEVICES - 1) break;
        if (put(devices[n].text, drive)) ++n;  // an address too long to pass is not offered
    }
    put(devices[n++].text, BURNER_IMAGE_DEVICE);
    *count = n;
    return BURNER_OK;
}

std::int32_t Burner::set_device(const char* device) {
    if (device == nullptr) return BURNER_E_INVALID_ARGUMENT;
    if (!initialized_) return BURNER_E_NOT_INITIALIZED;
    if (burning_) return BURNER_E_BUSY;
    const std::string text = device;
    if (burner_is_image_destination(text.c_str()) != 0) {
        device_is_image_ = true;
    } else {
        bool found = false;
        for (const std::string& drive : list_drives()) found = found || drive == text;
        if (!found) return BURNER_E_UNKNOWN_DEVICE;
        device_is_image_ = false;
    }
    device_ = text;
    prepared_ = false;
    return BURNER_OK;
}

std::int32_t Burner::check_editable() const {
    if (!initialized_) return BURNER_E_NOT_INITIALIZED;
    if (burning_) return BURNER_E_BUSY;
    if (!project_) return BURNER_E_NO_PROJECT;
    return BURNER_OK;
}

std::int32_t Burner::create_project(std::int32_t kind) {
    if (!initialized_) return BURNER_E_NOT_INITIALIZED;
    if (burning_) return BURNER_E_BUSY;
    if (kind != BURNER_PROJECT_DATA) return BURNER_E_UNSUPPORTED;
    project_ = std::make_unique<BurnProject>(&Burner::note_open, this);
    prepared_ = false;
    return BURNER_OK;
}

std::int32_t Burner::clear_all() {
    if (const std::int32_t state = check_editable(); state != BURNER_OK) return state;
    project_ = std::make_unique<BurnProject>(&Burner::note_open, this);
    prepared_ = false;
    return BURNER_OK;
}

std::int32_t Burner::add_file(const BurnerFileEntry& entry) {
    if (const std::int32_t state = check_editable(); state != BURNER_OK) return state;
    if (!fits(entry.source_path) || !fits(entry.disc_path)) return BURNER_E_TOO_LONG;
    std::uint64_t size = 0;
    const std::int32_t result = project_->add_file(entry.source_path, entry.disc_path, size);
    if (result != BURNER_OK) return result;
    prepared_ = false;
    fire(callbacks.add_file, static_cast<const char*>(entry.source_path), static_cast<const char*>(entry.disc_path),
         static_cast<double>(size));
    return BURNER_OK;
}

std::int32_t Burner::create_dir(const BurnerFileEntry& entry) {
    if (const std::int32_t state = check_editable(); state != BURNER_OK) return state;
    if (!fits(entry.source_path) || !fits(entry.disc_path)) return BURNER_E_TOO_LONG;
    prepared_ = false;
    return project_->add_directory(entry.disc_path, entry.source_path);
}

std::int32_t Burner::prepare() {
    if (const std::int32_t state = check_editable(); state != BURNER_OK) return state;
    if (device_.empty()) return BURNER_E_NO_DEVICE;
    if (project_->empty()) return BURNER_E_EMPTY;
    apply_identifiers();
    // A stop asked for after this point ends the coming burn, even before it starts.
    abort_ = false;
    stop_verify_ = false;
    prepared_ = true;
    return BURNER_OK;
}

void Burner::apply_identifiers() {
    const std::string volume = iso_info_.volume_id[0] != '\0' ? iso_info_.volume_id : options_.disc_label;
    project_->set_identifiers(volume, iso_info_.publisher_id, iso_info_.preparer_id, iso_info_.application_id);
}

std::unique_ptr<WriteTarget> Burner::make_target() const {
    if (device_is_image_) return std::make_unique<ImageTarget>(device_);
    return std::make_unique<DriveTarget>(device_, options_.flags, options_.speed_kbps);
}

std::int32_t Burner::burn(std::int32_t flag) {
    if (const std::int32_t state = check_editable(); state != BURNER_OK) return state;
    if (flag != BURNER_BURN_WAIT) return BURNER_E_UNSUPPORTED;
    if (!prepared_) return BURNER_E_NOT_PREPARED;
    FlagScope busy(burning_);
    std::unique_ptr<WriteTarget> target = make_target();
    std::int32_t result = write_image(*target);
    fire(callbacks.burn_done, result);
    if (result == BURNER_OK && (options_.flags & BURNER_OPT_VERIFY) != 0) result = verify(*target);
    target->finish();
    prepared_ = false;
    fire(callbacks.finalize);
    return result;
}

std::int32_t Burner::write_image(WriteTarget& target) {
    IsoWriteOpts* options = nullptr;
    if (iso_write_opts_new(&options, 0) < 0) return BURNER_E_MEMORY;
    iso_write_opts_set_iso_level(options, 3);  // files of 4 GiB and more
    iso_write_opts_set_rockridge(options, 1);
    iso_write_opts_set_joliet(options, 1);
    iso_write_opts_set_joliet_longer_paths(options, 1);
    iso_write_opts_set_joliet_long_names(options, 1);
    ::burn_source* source = nullptr;
    const int made = iso_image_create_burn_source(project_->image(), options, &source);
    iso_write_opts_free(options);
    if (made < 0) return BURNER_E_IMAGE;

    const std::uint64_t total = source_size(source);
    std::uint64_t last_reported = 0;
    WriteControl control{abort_, [&](std::uint64_t done, std::uint64_t all) {
                             deliver_opens();
                             // Every 1 MiB, and the end.
                             if (done - last_reported < (1u << 20) && done != all) return;
                             last_reported = done;
                             fire(callbacks.process, static_cast<double>(done), static_cast<double>(all));
                         }};
    const std::int32_t result = target.write(source, total, control);
    free_source(source);
    // The writer thread ends once its stream is consumed or cancelled.
    while (iso_image_generator_is_running(project_->image()) == 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    deliver_opens();
    return result;
}

std::int32_t Burner::verify(WriteTarget& target) {
    fire(callbacks.start_verify);
    IsoDataSource* source = target.read_back();
    if (source == nullptr) return BURNER_E_VERIFY_READ;
    VerifyEvents events{
        [this](const ProjectFile& file) { fire(callbacks.verify_file, file.source_path.c_str()); },
        [this](const ProjectFile& file) {
            fire(callbacks.verify_error, file.disc_path.c_str(), file.source_path.c_str());
        }};
    const int differences = verify_files(source, project_->files(), events, stop_verify_);
    iso_data_source_unref(source);
    if (stop_verify_) return BURNER_E_ABORTED;
    if (differences < 0) return BURNER_E_VERIFY_READ;
    fire(callbacks.verify_done, static_cast<std::int32_t>(differences));
    return BURNER_OK;
}

std::int32_t Burner::abort() {
    abort_ = true;
    stop_verify_ = true;
    return BURNER_OK;
}

std::int32_t Burner::stop_verify() {
    stop_verify_ = true;
    return BURNER_OK;
}

void Burner::note_open(void* self, const char* path) {
    auto* burner = static_cast<Burner*>(self);
    const std::lock_guard lock(burner->opens_mutex_);
    burner->opens_.emplace_back(path);
}

void Burner::deliver_opens() {
    std::vector<std::string> opened;
    {
        const std::lock_guard lock(opens_mutex_);
        opened.swap(opens_);
    }
    for (const std::string& path : opened) fire(callbacks.open_file, path.c_str());
}

}  // namespace brimburn
