#pragma once
// One burner job's run: the sources of the job written to the disc (or image
// file) of its destination through the burning module, with its events
// turned into the session's messages, warnings and report counts. One
// burning job runs at a time in the process.
#include <atomic>
#include <cstdint>
#include <vector>

#include "basekit/types.h"
#include "core/media/burner_binding.h"
#include "core/media/burner_session.h"

namespace brim {

// The outcome, as the session's run results: done, stopped or failed.
enum class BurnerRunResult : std::int32_t { done = 0, stopped = 2, failed = 3 };

class BurnerRun final {
public:
    // Neither is owned; both outlive the run.
    BurnerRun(BurnerSession& session, BurnerBinding& binding);
    BurnerRun(const BurnerRun&) = delete;
    BurnerRun& operator=(const BurnerRun&) = delete;

    // Runs on the session's worker thread; reports every failure through the
    // session's error helper and never throws.
    BurnerRunResult run();

    // From any thread, after the session raised its stop flag: stops the
    // verification when it runs, else aborts the burn.
    void stop();

private:
    BurnerRunResult burn();
    // Returns false (after the error) when `code` is not a success.
    bool check(std::int32_t code);
    void fail(const bk::String& inner);
    void configure();
    bool select_device();
    bool add_tree(const std::vector<const DataHeader*>& roots);
    bool add_directory(const DataHeader& directory, const std::string& disc_path);
    bool add_file(const bk::String& source, const std::string& disc_path);
    void register_callbacks(void* context);

    static void on_open_file(void* context, const char* source_path);
    static void on_add_file(void* context, const char* source_path, const char* disc_path, double size);
    static void on_process(void* context, double bytes_done, double bytes_total);
    static void on_start_verify(void* context);
    static void on_verify_file(void* context, const char* source_path);
    static void on_verify_error(void* context, const char* disc_path, const char* source_path);
    static void on_verify_done(void* context, std::int32_t differences);

    BurnerSession& session_;
    BurnerBinding& binding_;
    std::atomic<bool> running_{false};
    std::atomic<bool> verifying_{false};
    double bytes_reported_ = 0;
};

// A size as the burner's messages show it: "%.2f GB" above 2^30 bytes,
// "%.2f MB" above 1 024 000, "0 MB" for nothing, "%.2f KB" above 1 000, else
// "%.2f B".
bk::String burn_size_text(std::uint64_t bytes);

}  // namespace brim
