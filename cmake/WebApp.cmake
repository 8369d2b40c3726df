# How the program links for a web page (included from CMakeLists.txt for the
# strumwell target under emscripten; tools/web/build --app puts the result in
# build-web/site with the page's own files from web/).
#
# - Threads are real (-pthread): the recorder's playback, the sound's producer
#   and the watchers start at once from a pool of workers, so nothing on the
#   main thread waits for a worker to be made.
# - /documents is IndexedDB (IDBFS, mounted and loaded by web/pre.js before
#   main), so songs survive a reload.
# - The bundle's pictures, fonts, demo songs and tabs are one preloaded
#   package at /bundle; its samples are fetched by the page as they are wanted.
set(STRUMWELL_WEB_BUNDLE "${CMAKE_SOURCE_DIR}/build-web/preload" CACHE PATH
    "The pictures, fonts and demos the page preloads (tools/web/build gathers them)")
target_link_options(strumwell PRIVATE
  -sALLOW_MEMORY_GROWTH=1
  -sINITIAL_MEMORY=128MB
  -sPTHREAD_POOL_SIZE=8
  -sEXIT_RUNTIME=0
  -lidbfs.js
  "-sEXPORTED_RUNTIME_METHODS=['FS','IDBFS','UTF8ToString','addRunDependency','removeRunDependency','ccall']"
  # Nothing in the program calls the page's export (web/files.js does), so
  # its object would stay in the archive.
  -Wl,-u,strumwell_web_export
  --pre-js ${CMAKE_SOURCE_DIR}/web/pre.js
  "SHELL:--preload-file ${STRUMWELL_WEB_BUNDLE}@/bundle")
set_property(TARGET strumwell APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/web/pre.js)
