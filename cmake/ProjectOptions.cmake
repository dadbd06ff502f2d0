# The compiler settings every Parlevox target uses, in one place: C++20 without extensions and
# every warning an error, with GCC and clang as with Visual C++. The project and the fuzz build
# both include this file.
if(TARGET parlevox_options)
  return()
endif()
set(CMAKE_CXX_EXTENSIONS OFF)
add_library(parlevox_options INTERFACE)
target_compile_features(parlevox_options INTERFACE cxx_std_20)
set_target_properties(parlevox_options PROPERTIES INTERFACE_CXX_EXTENSIONS OFF)
if(MSVC)
  # Qt's headers are not written for /Wall; /W4 is the highest level they pass.
  target_compile_options(parlevox_options INTERFACE /W4 /WX /permissive- /utf-8)
else()
  target_compile_options(parlevox_options INTERFACE -Wall -Wextra -Wpedantic -Werror
    # GCC 12 warns falsely about overlapping copies in "literal" + std::string when optimising
    # (its bug 105329); the warning is kept for every other compiler.
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
endif()
