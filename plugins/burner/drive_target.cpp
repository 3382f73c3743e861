#include "plugins/burner/drive_target.h"

#include <chrono>
#include <cstdlib>
#include <libburn/libburn.h>
#include <thread>
#include <vector>

#include "plugins/burner/burner_api.h"

using namespace burn;

namespace brimburn {
namespace {



constexpr int block_bytes = 2048;
constexpr auto poll_interval = std::chrono::milliseconds(200);
constexpr auto scan_poll_interval = std::chrono::milliseconds(5);

// The parts of one write job of the disc library, freed together.
struct DiscLayout {
    burn_disc* disc = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_track* track = burn_track_create();
    ~DiscLayout() {
        burn_track_free(track);
        burn_session_free(session);
        burn_disc_free(disc);
    }
};

// Reads the written session back block by block (the disc starts at block 0).
int drive_open(IsoDataSource*) { return 1; }
int drive_close(IsoDataSource*) { return 1; }
int drive_read_block(IsoDataSource* source, uint32_t lba, uint8_t* buffer) {
    auto* drive = static_cast<burn_drive*>(source->data);
    off_t count = 0;
    const int result = burn_read_data(drive, static_cast<off_t>(lba) * block_bytes, reinterpret_cast<char*>(buffer),
                                      block_bytes, &count, 2);
    return result == 1 && count == block_bytes ? 1 : static_cast<int>(ISO_DATA_SOURCE_FAILURE);
}
void drive_free(IsoDataSource*) {}

}  // namespace

std::vector<std::string> list_drives() {
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    std::vector<std::string> drives;
    // The scan runs on a thread of the burning library, which writes its
    // results into `infos` and `count` when it is done: ask until it is, or
    // it writes into a frame that is gone.
    int scanned = 0;
    while ((scanned = burn_drive_scan(&infos, &count)) == 0) std::this_thread::sleep_for(scan_poll_interval);
    if (scanned < 0) return drives;
    for (unsigned int i = 0; i < count; ++i) {
        char address[BURN_DRIVE_ADR_LEN] = {};
        if (burn_drive_get_adr(&infos[i], address) > 0) drives.emplace_back(address);
    }
    burn_drive_info_free(infos);
    return drives;
}

DriveTarget::DriveTarget(std::string address, unsigned flags, int speed_kbps)
    : address_(std::move(address)), flags_(flags), speed_kbps_(speed_kbps) {}

DriveTarget::~DriveTarget() { finish(); }

std::int32_t DriveTarget::grab() {
    if (drive_ != nullptr) return BURNER_OK;
    if (burn_drive_scan_and_grab(&info_, address_.data(), 1) != 1) return BURNER_E_DRIVE;
    drive_ = info_[0].drive;
    return BURNER_OK;
}

std::int32_t DriveTarget::write(::burn_source* source, std::uint64_t total, WriteControl& control) {
    if (const std::int32_t grabbed = grab(); grabbed != BURNER_OK) return grabbed;
    if (burn_disc_get_status(drive_) != BURN_DISC_BLANK) return BURNER_E_MEDIUM;

    DiscLayout layout;
    burn_disc_add_session(layout.disc, layout.session, BURN_POS_END);
    burn_track_define_data(layout.track, 0, 0, 1, BURN_MODE1);
    if (burn_track_set_source(layout.track, reinterpret_cast<burn::burn_source*>(source)) != BURN_SOURCE_OK) return BURNER_E_IMAGE;
    burn_session_add_track(layout.session, layout.track, BURN_POS_END);

    burn_write_opts* options = burn_write_opts_new(drive_);
    burn_write_opts_set_perform_opc(options, 0);
    burn_write_opts_set_multi(options, (flags_ & BURNER_OPT_CLOSE_DISC) == 0);
    burn_write_opts_set_underrun_proof(options, (flags_ & BURNER_OPT_UNDERRUN) != 0);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_write_opts_auto_write_type(options, layout.disc, reasons, 0) == BURN_WRITE_NONE) {
        burn_write_opts_free(options);
        return BURNER_E_MEDIUM;
    }
    burn_drive_set_speed(drive_, 0, speed_kbps_);
    burn_disc_write(options, layout.disc);
    burn_write_opts_free(options);

    burn_progress progress{};
    while (burn_drive_get_status(drive_, nullptr) == BURN_DRIVE_SPAWNING) std::this_thread::sleep_for(poll_interval);
    bool cancelled = false;
    while (burn_drive_get_status(drive_, &progress) != BURN_DRIVE_IDLE) {
        if (control.abort.load() && !cancelled) {
            burn_drive_cancel(drive_);
            cancelled = true;
        }
        if (progress.sectors > 0)
            control.progress(static_cast<std::uint64_t>(progress.sector) * block_bytes, total);
        std::this_thread::sleep_for(poll_interval);
    }
    if (cancelled) return BURNER_E_ABORTED;
    if (burn_drive_wrote_well(drive_) != 1) return BURNER_E_WRITE;
    control.progress(total, total);
    return BURNER_OK;
}

IsoDataSource* DriveTarget::read_back() {
    if (drive_ == nullptr || burn_drive_re_assess(drive_, 0) <= 0) return nullptr;
    // The image library releases the record with free().
    auto* source = static_cast<IsoDataSource*>(std::calloc(1, sizeof(IsoDataSource)));
    if (source == nullptr) return nullptr;
    source->refcount = 1;
    source->open = drive_open;
    source->close = drive_close;
    source->read_block = drive_read_block;
    source->free_data = drive_free;
    source->data = drive_;
    return source;
}

void DriveTarget::finish() {
    if (drive_ != nullptr) burn_drive_release(drive_, (flags_ & BURNER_OPT_EJECT) != 0 ? 1 : 0);
    if (info_ != nullptr) burn_drive_info_free(info_);
    drive_ = nullptr;
    info_ = nullptr;
}

}  // namespace brimburn
