# Runs inside cpack once the files are installed into the staging folder and
# before they are packed: what Debian asks of every package beyond what
# `cmake --install` lays out. Manual pages are compressed, and a native
# package carries its changelog, compressed, beside its copyright file.
# gzip -n leaves out the name and time stamp, so the package is reproducible.

set(_root ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_DIRECTORY ${_root}/share/doc/strumwell)
  message(FATAL_ERROR "staging: ${_root}/share/doc/strumwell is missing")
endif()

find_program(_gzip gzip REQUIRED)

file(GLOB _man_pages ${_root}/share/man/man*/*.[1-9])
foreach(_page ${_man_pages})
  execute_process(COMMAND ${_gzip} -9nf ${_page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()

set(_changelog ${_root}/share/doc/strumwell/changelog)
file(COPY_FILE ${CPACK_STRUMWELL_CHANGELOG} ${_changelog})
file(CHMOD ${_changelog} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
execute_process(COMMAND ${_gzip} -9nf ${_changelog} COMMAND_ERROR_IS_FATAL ANY)
