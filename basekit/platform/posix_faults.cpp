#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "basekit/platform/os_faults.h"

namespace bk::os {
namespace {

struct Fault {
    FaultOperation operation;
    std::uint64_t nth;
    bool persists;
    int error;
    std::u16string path_part;  // empty: every path
    std::uint64_t calls = 0;
};

struct Plan {
    std::mutex mutex;
    std::vector<Fault> faults;
    std::atomic<bool> active{false};  // read without the lock on every call
};

bool parse_operation(std::string_view text, FaultOperation& operation) {
    if (text == "read") operation = FaultOperation::read;
    else if (text == "write") operation = FaultOperation::write;
    else if (text == "sync") operation = FaultOperation::sync;
    else if (text == "rename") operation = FaultOperation::rename;
    else if (text == "volume") operation = FaultOperation::volume;
    else if (text == "crash") operation = FaultOperation::crash;
    else return false;
    return true;
}

// Not an error: the call waits a while and then goes on, as on a slow disk.
constexpr int slow_call = -1;
constexpr auto slow_call_wait = std::chrono::milliseconds(20);

int parse_error(std::string_view text) {
    if (text == "SLOW") return slow_call;
    if (text == "KILL") return SIGKILL;
    if (text == "ENOSPC") return ENOSPC;
    if (text == "EIO") return EIO;
    if (text == "EACCES") return EACCES;
    if (text == "EDQUOT") return EDQUOT;
    if (text == "ENETUNREACH") return ENETUNREACH;
    const int number = std::atoi(std::string(text).c_str());
    return number > 0 ? number : 0;
}

bool parse(std::string_view text, std::vector<Fault>& faults) {
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const auto first = item.find(':');
        const auto second = item.find(':', first == std::string_view::npos ? first : first + 1);
        const auto third = second == std::string_view::npos ? second : item.find(':', second + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) return false;
        Fault fault{};
        if (!parse_operation(item.substr(0, first), fault.operation)) return false;
        std::string count(item.substr(first + 1, second - first - 1));
        fault.persists = !count.empty() && count.back() == '+';
        if (fault.persists) count.pop_back();
        fault.nth = std::strtoull(count.c_str(), nullptr, 10);
        fault.error = parse_error(item.substr(second + 1, third == std::string_view::npos ? third : third - second - 1));
        if (third != std::string_view::npos) {
            const std::string_view part = item.substr(third + 1);
            fault.path_part.assign(part.begin(), part.end());  // ASCII text of a path
        }
        if (fault.nth == 0 || fault.error == 0) return false;
        faults.push_back(fault);
    }
    return true;
}

Plan& plan() {
    static Plan instance;
    static std::once_flag environment;
    std::call_once(environment, [] {
        if (const char* text = std::getenv("BRIMVAULT_FAULTS")) {
            std::vector<Fault> faults;
            if (parse(text, faults)) {
                instance.faults = std::move(faults);
                instance.active = !instance.faults.empty();
            }
        }
    });
    return instance;
}

}  // namespace

bool set_fault_plan(std::string_view text) {
    std::vector<Fault> faults;
    if (!parse(text, faults)) return false;
    Plan& p = plan();
    std::lock_guard lock(p.mutex);
    p.faults = std::move(faults);
    p.active = !p.faults.empty();
    return true;
}

int injected_fault(FaultOperation operation, std::u16string_view path) {
    Plan& p = plan();
    if (!p.active.load(std::memory_order_relaxed)) return 0;
    int error = 0;
    {
        std::lock_guard lock(p.mutex);
        for (auto& fault : p.faults) {
            if (fault.operation != operation) continue;
            if (!fault.path_part.empty() && path.find(fault.path_part) == std::u16string_view::npos) continue;
            const std::uint64_t call = ++fault.calls;
            if (call == fault.nth || (fault.persists && call > fault.nth)) {
                error = fault.error;
                break;
            }
        }
    }
    if (error != slow_call) return error;
    std::this_thread::sleep_for(slow_call_wait);
    return 0;
}

void crash_point(std::u16string_view name) {
    if (injected_fault(FaultOperation::crash, name) != 0) ::raise(SIGKILL);
}

}  // namespace bk::os
