# Fills the screens into the man page and the bash completion, from what the
# built program prints with --list-screens, so that neither lists them by
# hand. Run at build time (see Install.cmake):
#   cmake -DPROGRAM=strumwell -DMAN_IN=strumwell.1.in -DMAN_OUT=strumwell.1
#         -DCOMPLETION_IN=... -DCOMPLETION_OUT=... -P ScreenList.cmake
# It opens no window and no sound device; the dummy drivers make sure of it.

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ${PROGRAM} --list-screens
  OUTPUT_VARIABLE _list
  RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR _list STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --list-screens failed (${_rc})")
endif()

string(REGEX REPLACE "\n$" "" _list "${_list}")
string(REPLACE "\n" ";" _lines "${_list}")
list(LENGTH _lines _count)
set(_i 0)
set(STRUMWELL_SCREEN_LIST "")
set(STRUMWELL_SCREEN_NUMBERS "")
foreach(_line IN LISTS _lines)
  # NUMBER<tab>NAME<tab>KIND
  if(NOT _line MATCHES "^([0-9]+)\t([^\t]+)\t([^\t]+)$")
    message(FATAL_ERROR "${PROGRAM} --list-screens printed an odd line: '${_line}'")
  endif()
  math(EXPR _i "${_i} + 1")
  # A sentence, one screen a line: "1 Tab Guitar," ... "18 wah pedal."
  set(_end ",")
  if(_i EQUAL _count)
    set(_end ".")
  endif()
  string(APPEND STRUMWELL_SCREEN_LIST "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}${_end}\n")
  list(APPEND STRUMWELL_SCREEN_NUMBERS ${CMAKE_MATCH_1})
endforeach()
string(REGEX REPLACE "\n$" "" STRUMWELL_SCREEN_LIST "${STRUMWELL_SCREEN_LIST}")
string(REPLACE ";" " " STRUMWELL_SCREEN_NUMBERS "${STRUMWELL_SCREEN_NUMBERS}")

configure_file(${MAN_IN} ${MAN_OUT} @ONLY)
configure_file(${COMPLETION_IN} ${COMPLETION_OUT} @ONLY)
