# Compiler settings shared by every target of the project.
add_library(brim_options INTERFACE)
target_compile_options(brim_options INTERFACE -Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # The AES tables are computed at compile time.
  target_compile_options(brim_options INTERFACE -fconstexpr-steps=100000000)
endif()
target_include_directories(brim_options INTERFACE ${PROJECT_SOURCE_DIR})

if(BRIM_SANITIZE)
  target_compile_options(brim_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(brim_options INTERFACE -fsanitize=address,undefined)
endif()
if(BRIM_TSAN)
  target_compile_options(brim_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(brim_options INTERFACE -fsanitize=thread)
endif()

option(BRIM_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(BRIM_FUZZ)
  target_compile_options(brim_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(brim_options INTERFACE -fsanitize=address,undefined)
endif()
