# The Win32 settings of every Windows target, in one place: link
# patchconv_win32. It selects the wide-character API of Windows 7 and later,
# keeps windows.h lean and without min and max macros, and has MinGW start an
# executable at wmain or wWinMain. Empty on other systems.
add_library(patchconv_win32 INTERFACE)
if(WIN32)
  target_compile_definitions(patchconv_win32 INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(MINGW)
    target_link_options(patchconv_win32 INTERFACE
      $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-municode>)
  endif()
endif()
