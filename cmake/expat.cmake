# The XML parser, expat 2.5.0, as the target patchconv_xml. The native builds
# link Debian's libexpat1-dev; the Windows (MinGW, static) and web (emscripten)
# builds compile the same version's C sources, which scripts/fetch-expat takes
# from Debian's source package into build/third-party/ (never committed), with
# the configuration header in cmake/expat/.
add_library(patchconv_xml INTERFACE)

if(CMAKE_CROSSCOMPILING)
  set(expat_default_source ${PROJECT_SOURCE_DIR}/build/third-party/expat-2.5.0/expat)
else()
  set(expat_default_source "")
endif()
set(PATCHCONV_EXPAT_SOURCE_DIR "${expat_default_source}" CACHE PATH
  "expat's source tree (with lib/xmlparse.c) to compile; empty: the system's libexpat")

if(PATCHCONV_EXPAT_SOURCE_DIR)
  if(NOT EXISTS ${PATCHCONV_EXPAT_SOURCE_DIR}/lib/xmlparse.c)
    message(FATAL_ERROR "No expat source in ${PATCHCONV_EXPAT_SOURCE_DIR}: run scripts/fetch-expat")
  endif()
  enable_language(C)
  set(expat_lib ${PATCHCONV_EXPAT_SOURCE_DIR}/lib)
  add_library(patchconv_expat STATIC
    ${expat_lib}/xmlparse.c ${expat_lib}/xmlrole.c ${expat_lib}/xmltok.c)
  target_include_directories(patchconv_expat
    PRIVATE ${CMAKE_CURRENT_LIST_DIR}/expat
    PUBLIC ${expat_lib})
  # Linked in, not imported from a DLL.
  target_compile_definitions(patchconv_expat PUBLIC XML_STATIC)
  if(EMSCRIPTEN)
    # 2.5.0 prints a ptrdiff_t with "%d" in its allocation-debugging output
    # where long is 32 bits; a warning only, about a debugging message.
    target_compile_options(patchconv_expat PRIVATE -Wno-format)
  endif()
  target_link_libraries(patchconv_xml INTERFACE patchconv_expat)
else()
  find_package(EXPAT REQUIRED)
  target_link_libraries(patchconv_xml INTERFACE EXPAT::EXPAT)
endif()
