# The browser build's music-import libraries: pugixml, and libzip with the
# zlib it was built with, all static and compiled with -pthread by
# tools/web/build-import-deps into STRUMWELL_WEB_DEPS_PREFIX.
#
# Defines the targets the desktop's pkg_check_modules(... IMPORTED_TARGET)
# gives, PkgConfig::PUGIXML and PkgConfig::LIBZIP, so the import area links
# the same way in both builds. It also puts the prefix's .pc files first on
# pkg-config's path: a later pkg_check_modules(PUGIXML|LIBZIP ...) then
# finds these libraries (never the host's) and keeps the targets below.
#
# Include it in an emscripten build before the import area is declared.
# Nothing happens when STRUMWELL_BUILD_IMPORT is OFF.
if(DEFINED STRUMWELL_BUILD_IMPORT AND NOT STRUMWELL_BUILD_IMPORT)
  return()
endif()

set(STRUMWELL_WEB_DEPS_PREFIX "${CMAKE_SOURCE_DIR}/build-web/deps/prefix"
    CACHE PATH "Where tools/web/build-import-deps installed zlib, libzip and pugixml for emscripten")

# The libraries are built with -pthread: a wasm without shared memory
# cannot link them.
if(EMSCRIPTEN AND NOT STRUMWELL_WEB_THREADS)
  message(FATAL_ERROR "Music import in the browser build needs -DSTRUMWELL_WEB_THREADS=ON: its libraries "
                      "are built with -pthread (or turn it off with -DSTRUMWELL_BUILD_IMPORT=OFF)")
endif()

set(_sw_web_lib "${STRUMWELL_WEB_DEPS_PREFIX}/lib")
set(_sw_web_include "${STRUMWELL_WEB_DEPS_PREFIX}/include")
foreach(_sw_web_file lib/libpugixml.a lib/libzip.a lib/libz.a include/pugixml.hpp include/zip.h include/zipconf.h
                     include/zlib.h)
  if(NOT EXISTS "${STRUMWELL_WEB_DEPS_PREFIX}/${_sw_web_file}")
    message(FATAL_ERROR "${STRUMWELL_WEB_DEPS_PREFIX}/${_sw_web_file} is missing: run tools/web/build-import-deps "
                        "(or point STRUMWELL_WEB_DEPS_PREFIX at its prefix)")
  endif()
endforeach()

if(NOT TARGET PkgConfig::PUGIXML)
  add_library(PkgConfig::PUGIXML INTERFACE IMPORTED)
  target_include_directories(PkgConfig::PUGIXML INTERFACE "${_sw_web_include}")
  target_link_libraries(PkgConfig::PUGIXML INTERFACE "${_sw_web_lib}/libpugixml.a")
endif()
if(NOT TARGET PkgConfig::LIBZIP)
  # libzip's inflate and deflate come from zlib: it goes after libzip.
  add_library(PkgConfig::LIBZIP INTERFACE IMPORTED)
  target_include_directories(PkgConfig::LIBZIP INTERFACE "${_sw_web_include}")
  target_link_libraries(PkgConfig::LIBZIP INTERFACE "${_sw_web_lib}/libzip.a" "${_sw_web_lib}/libz.a")
endif()

# The command-line tools (tools/web/CliMain.cpp) offer `import` when the
# import area is built; it is declared after this file, so the mark is set
# at the end of the configuration.
function(_sw_web_mark_import)
  if(TARGET sw_import)
    target_compile_definitions(sw_import PUBLIC STRUMWELL_HAVE_IMPORT=1)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL _sw_web_mark_import)

if(DEFINED ENV{PKG_CONFIG_PATH} AND NOT "$ENV{PKG_CONFIG_PATH}" STREQUAL "")
  set(ENV{PKG_CONFIG_PATH} "${_sw_web_lib}/pkgconfig:$ENV{PKG_CONFIG_PATH}")
else()
  set(ENV{PKG_CONFIG_PATH} "${_sw_web_lib}/pkgconfig")
endif()
unset(_sw_web_lib)
unset(_sw_web_include)
unset(_sw_web_file)
