# What every target is held to: it links patchconv_warnings, which brings C++20
# (without compiler extensions) and one set of warning flags.
set(CMAKE_CXX_EXTENSIONS OFF)
add_library(patchconv_warnings INTERFACE)
target_compile_features(patchconv_warnings INTERFACE cxx_std_20)
if(MSVC)
  target_compile_options(patchconv_warnings INTERFACE /W4 $<$<BOOL:${PATCHCONV_WERROR}>:/WX>)
else()
  target_compile_options(patchconv_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    $<$<BOOL:${PATCHCONV_WERROR}>:-Werror>)
endif()
