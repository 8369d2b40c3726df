# The browser build's SDL2, SDL2_image, SDL2_ttf and FreeType, from
# tools/web/build-deps (static, built with -pthread, in one prefix), as the
# PkgConfig::SDL2 target the desktop build gets from pkg-config, so every
# target that links it is the same on both.
#
# The include folders come before emscripten's own: its sysroot has SDL
# 1.2's SDL.h (and no SDL_image.h or SDL_ttf.h) in include/SDL, which emcc
# puts on the system search path itself, after every -I and -isystem given
# on the command line. With ours first, <SDL.h>, <SDL_image.h> and
# <SDL_ttf.h> are SDL2's.

set(STRUMWELL_WEB_DEPS_PREFIX "${CMAKE_SOURCE_DIR}/build-web/deps/prefix" CACHE PATH
    "Prefix of the browser build's C libraries (tools/web/build-deps)")

set(_web_deps_libs
    "${STRUMWELL_WEB_DEPS_PREFIX}/lib/libSDL2_ttf.a"
    "${STRUMWELL_WEB_DEPS_PREFIX}/lib/libSDL2_image.a"
    "${STRUMWELL_WEB_DEPS_PREFIX}/lib/libharfbuzz.a"
    "${STRUMWELL_WEB_DEPS_PREFIX}/lib/libfreetype.a"
    "${STRUMWELL_WEB_DEPS_PREFIX}/lib/libSDL2.a")
foreach(_lib IN LISTS _web_deps_libs)
  if(NOT EXISTS "${_lib}")
    message(FATAL_ERROR "${_lib} is missing: run tools/web/build-deps "
                        "(or set STRUMWELL_WEB_DEPS_PREFIX to where it installed them)")
  endif()
endforeach()

# SDL here runs its threads on pthreads: a program linked without -pthread
# still links, but then every SDL_CreateThread fails at run time ("Not
# enough resources to create thread").
if(NOT STRUMWELL_WEB_THREADS)
  message(FATAL_ERROR "the browser's SDL libraries are built with -pthread: configure with -DSTRUMWELL_WEB_THREADS=ON")
endif()

if(TARGET PkgConfig::SDL2)
  message(FATAL_ERROR "PkgConfig::SDL2 is defined twice: WebDeps.cmake replaces any other SDL2 for the browser")
endif()
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
# An imported target's folders reach its users as -isystem, ahead of emcc's.
target_include_directories(PkgConfig::SDL2 BEFORE INTERFACE
    "${STRUMWELL_WEB_DEPS_PREFIX}/include/SDL2"
    "${STRUMWELL_WEB_DEPS_PREFIX}/include")
# Users first, dependencies after: the linker reads static archives once,
# in this order.
target_link_libraries(PkgConfig::SDL2 INTERFACE ${_web_deps_libs})
target_link_options(PkgConfig::SDL2 INTERFACE -pthread)
unset(_web_deps_libs)
unset(_lib)
