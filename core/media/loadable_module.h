#pragma once
// A module loaded by name from the program's library directory, released
// when the owner goes. Both outside-module bindings are built on it.
#include "basekit/platform/os_module.h"
#include "basekit/types.h"

namespace brim {

// The environment variable that names another directory to load modules
// from (tests point it at their own modules).
inline constexpr const char* module_directory_variable = "BRIMVAULT_MODULE_DIR";

// Where modules are loaded from: the directory named by
// BRIMVAULT_MODULE_DIR when it is set, else the directory of the core library.
bk::String module_search_directory();

class LoadableModule final {
public:
    // Loads `name` (without the platform's suffix) from `directory`; when it
    // cannot be loaded, the object is empty and error() tells why. Never throws.
    LoadableModule(const bk::String& directory, bk::StringView name);
    ~LoadableModule();
    LoadableModule(const LoadableModule&) = delete;
    LoadableModule& operator=(const LoadableModule&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const bk::String& error() const { return error_; }

    // Finds the entry point `name` as a function of type F; false (and `out`
    // null) when the module has none by that name.
    template <typename F>
    bool resolve(const char* name, F& out) const {
        out = reinterpret_cast<F>(bk::os::module_symbol(handle_, name));
        return out != nullptr;
    }

    // Releases the module now; its entry points must not be called afterwards.
    void release();

private:
    bk::os::ModuleHandle handle_ = nullptr;
    bk::String error_;
};

}  // namespace brim
