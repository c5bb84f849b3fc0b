# add_core_library(NAME SOURCES source... [LINK library...]): a static library
# whose headers sit beside its sources. In the native tree it gets a twin,
# NAME_checked, built under the sanitizers and linked with the checked twins of
# its libraries where they have one: tests and fuzzers link the twins, tools and
# benchmarks the plain library.
function(add_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ REGEX "^[^/]")
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
  if(WIN32)
    return()
  endif()
  set(checked_links)
  foreach(library ${ARG_LINK})
    if(TARGET ${library}_checked)
      list(APPEND checked_links ${library}_checked)
    else()
      list(APPEND checked_links ${library})
    endif()
  endforeach()
  add_library(${name}_checked STATIC ${ARG_SOURCES})
  target_include_directories(${name}_checked PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name}_checked PUBLIC ${checked_links})
  add_sanitized(${name}_checked)
endfunction()
