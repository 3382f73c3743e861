#include "core/media/burner_run.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/media/burner_messages.h"

namespace brim {
namespace {

namespace msg = burner_message;

// Admits one burning job at a time in the process.
std::atomic<bool> burning_job_active{false};

// The disc label: the job name, at most 128 characters.
constexpr std::size_t label_characters = 128;

bk::String message(std::uint32_t id, std::initializer_list<bk::FormatArg> args) {
    return bk::format_text(core_string(id), args);
}

std::string last_name(const bk::String& path) {
    std::string native = bk::to_native_path(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    const auto slash = native.rfind('/');
    return slash == std::string::npos ? native : native.substr(slash + 1);
}

// A name for a top item that no earlier top item has: "name", "name (2)", ...
std::string unique_root_name(const std::string& name, std::set<std::string>& used) {
    std::string candidate = name.empty() || name == "/" ? std::string("root") : name;
    for (int n = 2; !used.insert(candidate).second; ++n) candidate = name + " (" + std::to_string(n) + ")";
    return candidate;
}

template <std::size_t N>
bool put(char (&field)[N], const std::string& text) {
    if (text.size() >= N) return false;
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

bool make_entry(BurnerFileEntry& entry, const bk::String& source, const std::string& disc_path) {
    return put(entry.source_path, bk::to_native_path(source)) && put(entry.disc_path, disc_path);
}

void count_tree(const DataHeader& item, std::uint32_t& files, std::uint32_t& directories, std::uint64_t& size) {
    if (!item.is_directory()) {
        ++files;
        size += item.size;
        return;
    }
    ++directories;
    for (const auto& child : item.directories()) count_tree(*child, files, directories, size);
    for (const auto& child : item.files()) count_tree(*child, files, directories, size);
}

BurnerRun& run_of(void* context) { return *static_cast<BurnerRun*>(context); }

}  // namespace

bk::String burn_size_text(std::uint64_t bytes) {
    const auto value = static_cast<double>(bytes);
    if (bytes > (1ull << 30)) return message(msg::size_gb, {value / (1ull << 30)});
    if (bytes > 1'024'000) return message(msg::size_mb, {value / (1ull << 20)});
    if (bytes == 0) return core_string(msg::size_zero);
    if (bytes > 1'000) return message(msg::size_kb, {value / 1024});
    return message(msg::size_bytes, {value});
}

BurnerRun::BurnerRun(BurnerSession& session, BurnerBinding& binding) : session_(session), binding_(binding) {}

void BurnerRun::fail(const bk::String& inner) { session_.error(message(msg::burning_failed, {inner})); }

bool BurnerRun::check(std::int32_t code) {
    if (code == BURNER_OK) return true;
    fail(binding_.text(code));
    return false;
}

BurnerRunResult BurnerRun::run() {
    if (burning_job_active.exchange(true)) {
        fail(core_string(msg::one_at_a_time));
        return BurnerRunResult::failed;
    }
    struct Release {
        ~Release() { burning_job_active = false; }
    } release;
    if (!binding_.available()) {
        fail(core_string(msg::cannot_load));
        return BurnerRunResult::failed;
    }
    verifying_ = false;
    bytes_reported_ = 0;
    register_callbacks(this);
    running_ = true;
    const BurnerRunResult result = burn();
    running_ = false;
    register_callbacks(nullptr);
    return result;
}

void BurnerRun::register_callbacks(void* context) {
    const BurnerEntryPoints& api = binding_.api();
    const bool on = context != nullptr;
    // Finalize and burn-done carry nothing the run reports.
    api.set_finalize(nullptr, nullptr);
    api.set_burn_done(nullptr, nullptr);
    api.set_open_file(on ? &BurnerRun::on_open_file : nullptr, context);
    api.set_add_file(on ? &BurnerRun::on_add_file : nullptr, context);
    api.set_process(on ? &BurnerRun::on_process : nullptr, context);
    api.set_start_verify(on ? &BurnerRun::on_start_verify : nullptr, context);
    api.set_verify_file(on ? &BurnerRun::on_verify_file : nullptr, context);
    api.set_verify_error(on ? &BurnerRun::on_verify_error : nullptr, context);
    api.set_verify_done(on ? &BurnerRun::on_verify_done : nullptr, context);
}

BurnerRunResult BurnerRun::burn() {
    const BurnerEntryPoints& api = binding_.api();
    session_.on_message(core_string(msg::initializing));
    if (!check(api.create_project(BURNER_PROJECT_DATA))) return BurnerRunResult::failed;
    configure();
    if (!select_device()) return BurnerRunResult::failed;
    if (session_.has_stopped()) return BurnerRunResult::stopped;
    if (!check(api.clear_all())) return BurnerRunResult::failed;

    std::vector<const DataHeader*> roots;
    try {
        if (!session_.scan_sources(roots)) return BurnerRunResult::stopped;
    } catch (...) {
        session_.error(message(msg::backup_failed, {core_string(msg::unknown_error)}));
        return BurnerRunResult::failed;
    }
    std::uint32_t files = 0, directories = 0;
    std::uint64_t size = 0;
    for (const DataHeader* root : roots) count_tree(*root, files, directories, size);
    session_.end_parse(files, directories, size);
    if (!add_tree(roots)) return BurnerRunResult::failed;

    session_.on_message(core_string(msg::burning));
    if (!check(api.prepare())) return BurnerRunResult::failed;
    if (session_.has_stopped()) return BurnerRunResult::stopped;
    const std::int32_t burned = api.burn(BURNER_BURN_WAIT);
    // A stop makes the module end early with an error code: that is no failure.
    if (session_.has_stopped()) return BurnerRunResult::stopped;
    return check(burned) ? BurnerRunResult::done : BurnerRunResult::failed;
}

void BurnerRun::configure() {
    const BurnerEntryPoints& api = binding_.api();
    const BackupItem& job = session_.job();
    BurnerOptions options{};
    api.get_options(&options);
    const bk::String label = job.name.substr(0, label_characters);
    put(options.disc_label, bk::to_utf8(label));  // 128 characters always fit the field
    options.flags = 0;
    if (job.has_option(job_option::verify)) options.flags |= BURNER_OPT_VERIFY;
    if (job.has_option(job_option::burn_close_disc)) options.flags |= BURNER_OPT_CLOSE_DISC;
    if (job.has_option(job_option::burn_eject)) options.flags |= BURNER_OPT_EJECT;
    if (job.has_option(job_option::burn_underrun)) options.flags |= BURNER_OPT_UNDERRUN;
    BurnerIsoInfo info{};
    put(info.volume_id, bk::to_utf8(label).substr(0, BURNER_ID_BYTES - 1));
    put(info.application_id, "Brimvault");
    api.set_iso_info(info);
    api.set_options(options);
}

bool BurnerRun::select_device() {
    const BurnerEntryPoints& api = binding_.api();
    std::int32_t count = 0;
    std::vector<BurnerDevice> devices(BURNER_MAX_DEVICES);
    if (!check(api.get_devices(&count, devices.data()))) return false;
    if (count <= 0) return check(BURNER_E_NO_DEVICE);
    const std::string destination = bk::to_native_path(session_.job().destination);
    const bool image = burner_is_image_destination(destination.c_str()) != 0;
    const auto end = devices.begin() + std::min<std::int32_t>(count, BURNER_MAX_DEVICES);
    const bool listed = std::any_of(devices.begin(), end, [&](const BurnerDevice& device) {
        const std::string text(device.text, strnlen(device.text, sizeof device.text));
        return text == destination || (image && text == BURNER_IMAGE_DEVICE);
    });
    if (!listed) return check(BURNER_E_UNKNOWN_DEVICE);
    return check(api.set_device(destination.c_str()));
}

bool BurnerRun::add_tree(const std::vector<const DataHeader*>& roots) {
    std::set<std::string> used;
    for (const DataHeader* root : roots) {
        const std::string disc_path = "/" + unique_root_name(last_name(root->full_path()), used);
        const bool added = root->is_directory() ? add_directory(*root, disc_path) : add_file(root->full_path(), disc_path);
        if (!added) return false;
    }
    return true;
}

bool BurnerRun::add_directory(const DataHeader& directory, const std::string& disc_path) {
    BurnerFileEntry entry{};
    if (!make_entry(entry, directory.full_path(), disc_path + "/")) return check(BURNER_E_TOO_LONG);
    if (!check(binding_.api().create_dir(entry))) return false;
    for (const auto& child : directory.directories())
        if (!add_directory(*child, disc_path + "/" + last_name(child->full_path()))) return false;
    for (const auto& child : directory.files())
        if (!add_file(child->full_path(), disc_path + "/" + bk::to_native_path(child->name()))) return false;
    return true;
}

bool BurnerRun::add_file(const bk::String& source, const std::string& disc_path) {
    BurnerFileEntry entry{};
    if (!make_entry(entry, source, disc_path)) return check(BURNER_E_TOO_LONG);
    return check(binding_.api().add_file(entry));
}

void BurnerRun::stop() {
    if (!running_) return;
    const BurnerEntryPoints& api = binding_.api();
    if (verifying_) api.stop_verify();
    else api.abort();
}

void BurnerRun::on_open_file(void* context, const char* source_path) {
    run_of(context).session_.on_file(bk::from_native_path(source_path));
}

void BurnerRun::on_add_file(void* context, const char* source_path, const char*, double size) {
    BurnerRun& run = run_of(context);
    const auto bytes = static_cast<std::uint64_t>(size);
    run.session_.on_message(message(msg::add_file, {bk::from_native_path(source_path), burn_size_text(bytes)}));
    run.session_.add_completed(1, bytes);
}

void BurnerRun::on_process(void* context, double bytes_done, double) {
    BurnerRun& run = run_of(context);
    double increase = bytes_done - run.bytes_reported_;
    run.bytes_reported_ = std::max(run.bytes_reported_, bytes_done);
    // The listener takes 32-bit sizes.
    constexpr double most = 0xFFFFFFFFu;
    while (increase > 0) {
        const double step = std::min(increase, most);
        run.session_.on_size(static_cast<std::uint32_t>(step));
        increase -= step;
    }
}

void BurnerRun::on_start_verify(void* context) {
    BurnerRun& run = run_of(context);
    run.verifying_ = true;
    run.session_.on_message(core_string(msg::verifying));
}

void BurnerRun::on_verify_file(void* context, const char* source_path) {
    run_of(context).session_.verify_file(bk::from_native_path(source_path));
}

void BurnerRun::on_verify_error(void* context, const char* disc_path, const char* source_path) {
    run_of(context).session_.warning(
        message(msg::file_differs, {bk::from_native_path(disc_path), bk::from_native_path(source_path)}));
}

void BurnerRun::on_verify_done(void* context, std::int32_t) {
    BurnerRun& run = run_of(context);
    run.verifying_ = false;
    run.session_.on_message(core_string(msg::verified));
}

}  // namespace brim
