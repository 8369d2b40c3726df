# Installation: `cmake --install build --prefix P` lays out
#   P/bin/strumwell                     the program
#   P/share/strumwell/bundle            samples, pictures, demo songs and tabs
#                                       (the program looks there from P/bin)
#   P/share/applications, icons/hicolor, metainfo, man/man1,
#   bash-completion/completions, doc/strumwell
# and cmake/Package.cmake makes a Debian package of the same files.
#
# The texts come from packaging/: the summary and description from
# description.txt (the AppStream metadata and the package's description both
# use them), the release version and date from the newest entry of changelog.
# The man page's and the bash completion's lists of screens come from the
# built program (`strumwell --list-screens`, see ScreenList.cmake).

include(GNUInstallDirs)

set(STRUMWELL_APP_ID io.github.strumwell.Strumwell)
set(STRUMWELL_HOMEPAGE https://github.com/strumwell/strumwell)
set(STRUMWELL_SCREENSHOT_BASE https://raw.githubusercontent.com/strumwell/strumwell/main/docs)

set(_pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(_pkg_gen ${PROJECT_BINARY_DIR}/packaging)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${_pkg_src}/description.txt ${_pkg_src}/changelog)

# Reads FILE into a list of its lines, empty ones included. Semicolons in the
# text are kept (as the placeholder list elements cannot hold) and restored by
# strumwell_unescape_line.
function(strumwell_read_lines file out)
  file(READ ${file} _text)
  string(REPLACE ";" "<SEMICOLON>" _text "${_text}")
  string(REGEX REPLACE "\n$" "" _text "${_text}")
  string(REPLACE "\n" ";" _lines "${_text}")
  set(${out} "${_lines}" PARENT_SCOPE)
endfunction()

function(strumwell_unescape_line var)
  string(REPLACE "<SEMICOLON>" ";" _v "${${var}}")
  set(${var} "${_v}" PARENT_SCOPE)
endfunction()

function(strumwell_xml_escape var)
  string(REPLACE "&" "&amp;" _v "${${var}}")
  string(REPLACE "<" "&lt;" _v "${_v}")
  string(REPLACE ">" "&gt;" _v "${_v}")
  set(${var} "${_v}" PARENT_SCOPE)
endfunction()

# description.txt: the summary on the first line, a blank line, then
# paragraphs separated by blank lines; a paragraph whose lines start with
# "- " is a list. Gives the summary, the description as AppStream markup and
# as the body of a Debian description (list items indented so that package
# tools show them line by line).
function(strumwell_read_description summary_out xml_out deb_out)
  strumwell_read_lines(${_pkg_src}/description.txt _lines)
  list(POP_FRONT _lines _summary)
  strumwell_unescape_line(_summary)
  list(APPEND _lines "") # closes the last paragraph
  set(_xml "")
  set(_deb "")
  set(_para "")
  set(_items "")
  foreach(_line IN LISTS _lines)
    strumwell_unescape_line(_line)
    string(STRIP "${_line}" _stripped)
    if(_stripped STREQUAL "")
      if(_para)
        strumwell_xml_escape(_para)
        string(APPEND _xml "    <p>${_para}</p>\n")
      elseif(_items)
        string(APPEND _xml "    <ul>\n${_items}    </ul>\n")
      endif()
      if(_para OR _items)
        string(APPEND _deb "\n")
      endif()
      set(_para "")
      set(_items "")
    elseif(_stripped MATCHES "^- (.*)$")
      set(_item "${CMAKE_MATCH_1}")
      strumwell_xml_escape(_item)
      string(APPEND _items "      <li>${_item}</li>\n")
      string(APPEND _deb " ${_stripped}\n")
    else()
      if(_para)
        string(APPEND _para " ")
      endif()
      string(APPEND _para "${_stripped}")
      string(APPEND _deb "${_stripped}\n")
    endif()
  endforeach()
  string(REGEX REPLACE "\n+$" "" _xml "${_xml}")
  string(REGEX REPLACE "\n+$" "" _deb "${_deb}")
  set(${summary_out} "${_summary}" PARENT_SCOPE)
  set(${xml_out} "${_xml}" PARENT_SCOPE)
  set(${deb_out} "${_deb}" PARENT_SCOPE)
endfunction()

# The newest entry of the Debian-format changelog: its version (which must be
# the project's), its date as YYYY-MM-DD and its items as AppStream markup.
function(strumwell_read_release date_out xml_out)
  strumwell_read_lines(${_pkg_src}/changelog _lines)
  list(GET _lines 0 _head)
  if(NOT _head MATCHES "^strumwell \\(([^)]+)\\)")
    message(FATAL_ERROR "packaging/changelog: the first line names no version")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog: the newest entry is ${CMAKE_MATCH_1}, "
                        "the project is ${PROJECT_VERSION}: add an entry for the new version")
  endif()
  set(_items "")
  set(_item "")
  set(_date "")
  list(POP_FRONT _lines)
  foreach(_line IN LISTS _lines)
    strumwell_unescape_line(_line)
    if(_line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
      set(_day ${CMAKE_MATCH_1})
      set(_year ${CMAKE_MATCH_3})
      set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
      list(FIND _months ${CMAKE_MATCH_2} _m)
      math(EXPR _m "${_m} + 1")
      if(_m LESS 10)
        set(_m "0${_m}")
      endif()
      string(LENGTH "${_day}" _len)
      if(_len EQUAL 1)
        set(_day "0${_day}")
      endif()
      set(_date "${_year}-${_m}-${_day}")
      break()
    elseif(_line MATCHES "^  \\* (.*)$")
      if(_item)
        list(APPEND _items "${_item}")
      endif()
      set(_item "${CMAKE_MATCH_1}")
    elseif(_line MATCHES "^    +(.*)$")
      string(APPEND _item " ${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(_item)
    list(APPEND _items "${_item}")
  endif()
  if(NOT _date)
    message(FATAL_ERROR "packaging/changelog: the newest entry has no trailer line with a date")
  endif()
  set(_xml "")
  foreach(_i IN LISTS _items)
    strumwell_xml_escape(_i)
    string(APPEND _xml "        <p>${_i}</p>\n")
  endforeach()
  string(REGEX REPLACE "\n$" "" _xml "${_xml}")
  set(${date_out} "${_date}" PARENT_SCOPE)
  set(${xml_out} "${_xml}" PARENT_SCOPE)
endfunction()

strumwell_read_description(STRUMWELL_SUMMARY STRUMWELL_DESCRIPTION_XML STRUMWELL_DESCRIPTION_DEB)
strumwell_read_release(STRUMWELL_RELEASE_DATE STRUMWELL_RELEASE_XML)

set(STRUMWELL_DESKTOP_FILE ${_pkg_src}/${STRUMWELL_APP_ID}.desktop)
set(STRUMWELL_METAINFO_FILE ${_pkg_gen}/${STRUMWELL_APP_ID}.metainfo.xml)
set(STRUMWELL_MAN_PAGE ${_pkg_gen}/strumwell.1)
set(STRUMWELL_COMPLETION ${_pkg_gen}/strumwell.bash-completion)
configure_file(${_pkg_src}/${STRUMWELL_APP_ID}.metainfo.xml.in ${STRUMWELL_METAINFO_FILE} @ONLY)

# What playing and installing need, and nothing else: the program, its
# bundle and the desktop icons. `./play` builds this; the default target
# builds it as well as the tests and benchmarks.
add_custom_target(app)
foreach(_t strumwell art samples demos icons)
  if(TARGET ${_t})
    add_dependencies(app ${_t})
  endif()
endforeach()

# The man page and the completion are configured in two steps: the version
# and date now, the screens once the program is built (its placeholders are
# kept through the first step by standing for themselves).
if(TARGET strumwell)
  set(STRUMWELL_SCREEN_LIST "@STRUMWELL_SCREEN_LIST@")
  set(STRUMWELL_SCREEN_NUMBERS "@STRUMWELL_SCREEN_NUMBERS@")
  configure_file(${_pkg_src}/strumwell.1.in ${_pkg_gen}/strumwell.1.in @ONLY)
  add_custom_command(
    OUTPUT ${STRUMWELL_MAN_PAGE} ${STRUMWELL_COMPLETION}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:strumwell> -DMAN_IN=${_pkg_gen}/strumwell.1.in
            -DMAN_OUT=${STRUMWELL_MAN_PAGE} -DCOMPLETION_IN=${_pkg_src}/strumwell.bash-completion.in
            -DCOMPLETION_OUT=${STRUMWELL_COMPLETION} -P ${CMAKE_CURRENT_LIST_DIR}/ScreenList.cmake
    DEPENDS strumwell ${_pkg_gen}/strumwell.1.in ${_pkg_src}/strumwell.bash-completion.in
            ${CMAKE_CURRENT_LIST_DIR}/ScreenList.cmake
    COMMENT "Listing the screens in the man page and the bash completion")
  add_custom_target(screen_lists ALL DEPENDS ${STRUMWELL_MAN_PAGE} ${STRUMWELL_COMPLETION})
  add_dependencies(app screen_lists)
  install(TARGETS strumwell RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  # No program to ask: the pages point to it instead.
  set(STRUMWELL_SCREEN_LIST "the numbers that\n.B strumwell \\-\\-list\\-screens\nprints.")
  set(STRUMWELL_SCREEN_NUMBERS "")
  configure_file(${_pkg_src}/strumwell.1.in ${STRUMWELL_MAN_PAGE} @ONLY)
  configure_file(${_pkg_src}/strumwell.bash-completion.in ${STRUMWELL_COMPLETION} @ONLY)
endif()

if(STRUMWELL_BUILD_BUNDLE)
  # The whole bundle as generated; a file manager's temporary files (".NAME"
  # while it writes NAME) are left out.
  install(DIRECTORY ${STRUMWELL_BUNDLE_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/strumwell/bundle
    PATTERN ".*" EXCLUDE)
  foreach(_size ${STRUMWELL_ICON_SIZES})
    install(FILES ${PROJECT_BINARY_DIR}/icons/${_size}x${_size}/strumwell.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
      RENAME ${STRUMWELL_APP_ID}.png)
  endforeach()
  install(FILES ${STRUMWELL_ICON_SOURCE}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${STRUMWELL_APP_ID}.svg)
endif()

install(FILES ${STRUMWELL_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${STRUMWELL_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${STRUMWELL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${STRUMWELL_COMPLETION}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME strumwell)
install(FILES ${_pkg_src}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/strumwell)

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
