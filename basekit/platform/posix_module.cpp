#include <cstdlib>
#include <dlfcn.h>
#include <string>

#include "basekit/convertion.h"
#include "basekit/platform/os_module.h"

namespace bk::os {

ModuleHandle load_module(StringView path, String* error) {
    const std::string native = to_native_path(path);
    void* module = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr && error != nullptr) {
        const char* text = ::dlerror();
        *error = from_utf8(text != nullptr ? text : "");
    }
    return module;
}

void* module_symbol(ModuleHandle module, const char* name) {
    if (module == nullptr) return nullptr;
    return ::dlsym(module, name);
}

void unload_module(ModuleHandle module) {
    if (module != nullptr) ::dlclose(module);
}

String module_file_name(StringView name) { return String(name) + u".so"; }

String module_directory(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    std::string file = info.dli_fname;
    // A relative name is the running program found through the current directory.
    if (char* resolved = ::realpath(file.c_str(), nullptr)) {
        file = resolved;
        std::free(resolved);
    }
    const auto slash = file.rfind('/');
    if (slash == std::string::npos) return {};
    return from_native_path(slash == 0 ? std::string("/") : file.substr(0, slash));
}

std::optional<String> environment_value(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return from_native_path(value);
}

}  // namespace bk::os
