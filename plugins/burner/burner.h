#pragma once
// The module's one burner: the project, the chosen destination, the options
// and the registered callbacks, behind the exported entry points.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plugins/burner/burn_project.h"
#include "plugins/burner/burner_api.h"
#include "plugins/burner/write_target.h"

namespace brimburn {

struct Callbacks {
    template <typename F>
    struct Slot {
        F function = nullptr;
        void* context = nullptr;
    };
    Slot<BurnerFinalizeCallback> finalize;
    Slot<BurnerOpenFileCallback> open_file;
    Slot<BurnerBurnDoneCallback> burn_done;
    Slot<BurnerAddFileCallback> add_file;
    Slot<BurnerProcessCallback> process;
    Slot<BurnerVerifyDoneCallback> verify_done;
    Slot<BurnerVerifyFileCallback> verify_file;
    Slot<BurnerStartVerifyCallback> start_verify;
    Slot<BurnerVerifyErrorCallback> verify_error;
};

class Burner final {
public:
    // The process's burner.
    static Burner& instance();

    std::int32_t initialize();
    std::int32_t get_options(BurnerOptions* options) const;
    std::int32_t set_options(const BurnerOptions& options);
    std::int32_t set_iso_info(const BurnerIsoInfo& info);
    std::int32_t get_devices(std::int32_t* count, BurnerDevice* devices) const;
    std::int32_t set_device(const char* device);
    std::int32_t create_project(std::int32_t kind);
    std::int32_t clear_all();
    std::int32_t add_file(const BurnerFileEntry& entry);
    std::int32_t create_dir(const BurnerFileEntry& entry);
    std::int32_t prepare();
    std::int32_t burn(std::int32_t flag);
    // Any thread, while burn runs: ends writing or verifying early.
    std::int32_t abort();
    std::int32_t stop_verify();

    Callbacks callbacks;

private:
    // What must hold before the project is changed; BURNER_OK or the reason.
    std::int32_t check_editable() const;
    std::unique_ptr<WriteTarget> make_target() const;
    std::int32_t write_image(WriteTarget& target);
    std::int32_t verify(WriteTarget& target);
    void apply_identifiers();
    // Opened files announced by the image writer's thread, delivered on the caller's.
    static void note_open(void* self, const char* path);
    void deliver_opens();

    bool initialized_ = false;
    BurnerOptions options_{};
    BurnerIsoInfo iso_info_{};
    std::unique_ptr<BurnProject> project_;
    std::string device_;
    bool device_is_image_ = false;
    bool prepared_ = false;
    std::atomic<bool> burning_{false};
    std::atomic<bool> abort_{false};
    std::atomic<bool> stop_verify_{false};
    std::mutex opens_mutex_;
    std::vector<std::string> opens_;
};

}  // namespace brimburn
