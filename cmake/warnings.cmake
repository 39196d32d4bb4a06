# One place for the warning flags, so every target is held to the same standard.
add_library(patchconv_warnings INTERFACE)
if(MSVC)
  target_compile_options(patchconv_warnings INTERFACE /W4 $<$<BOOL:${PATCHCONV_WERROR}>:/WX>)
else()
  target_compile_options(patchconv_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    $<$<BOOL:${PATCHCONV_WERROR}>:-Werror>)
endif()
