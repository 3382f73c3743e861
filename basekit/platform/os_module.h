#pragma once
// Loadable modules of the platform: opening one by its file name, finding its
// entry points by name, and where the program's own libraries lie. The
// bindings to the burning and raw-disk modules reach the loader only through
// these calls.
#include <optional>

#include "basekit/types.h"

namespace bk::os {

// An opened module; null when none is open.
using ModuleHandle = void*;

// Opens the module at `path`, resolving all its symbols at once. Returns null
// when it cannot be loaded (missing, not a module, unresolved dependency);
// `error`, when given, then receives the loader's text. Never throws.
ModuleHandle load_module(StringView path, String* error = nullptr);

// The address of the entry point `name` exported by `module`, or null when it
// exports none by that name.
void* module_symbol(ModuleHandle module, const char* name);

// Releases a module opened by load_module; null is ignored. Entry points
// found in it must not be called afterwards.
void unload_module(ModuleHandle module);

// The file name of the module called `name` on this platform ("name.so").
String module_file_name(StringView name);

// The directory that holds the library (or program) whose code contains
// `address`, without a trailing separator; empty when it cannot be told.
String module_directory(const void* address);

// The value of the environment variable `name`, if it is set and not empty.
std::optional<String> environment_value(const char* name);

}  // namespace bk::os
