#include "core/media/loadable_module.h"

namespace brim {

bk::String module_search_directory() {
    if (auto directory = bk::os::environment_value(module_directory_variable)) return *directory;
    return bk::os::module_directory(reinterpret_cast<const void*>(&module_search_directory));
}

LoadableModule::LoadableModule(const bk::String& directory, bk::StringView name) {
    bk::String path = directory;
    if (!path.empty() && path.back() != u'/') path += u'/';
    path += bk::os::module_file_name(name);
    handle_ = bk::os::load_module(path, &error_);
}

LoadableModule::~LoadableModule() { release(); }

void LoadableModule::release() {
    bk::os::unload_module(handle_);
    handle_ = nullptr;
}

}  // namespace brim
