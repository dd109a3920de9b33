cmake_minimum_required(VERSION 3.25)
# Fails when a source file includes a header of a layer above its own, or
# when a file of the core includes a Qt header.
#   cmake -DSOURCE_DIR=<tree> -P check_layers.cmake
#
# The layers, bottom to top, and what each may include besides itself:
set(allowed_data "")
set(allowed_session "data")
set(allowed_export "data;session")
set(allowed_sintegra "data;session;export")
set(allowed_sped "data;session;export;sintegra")
set(allowed_audit "data;session;export;sintegra;sped;nfe")
set(allowed_validate "data;session;export;sintegra;sped")
set(allowed_nfe "data;session;export;sintegra;sped")
set(allowed_workflow "data;session;export;sintegra;sped;audit;validate;nfe")
set(allowed_tools "data;session;export;sintegra;sped;audit;validate;nfe;workflow")
# Above the core: the Qt windows (app/ and every ui/ folder), the command line,
# the tests and the benchmarks may include anything of the core.
set(core_layers data session export sintegra sped audit validate nfe workflow tools)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not set")
endif()

# The layer of a path relative to the tree: its first folder, or "ui" for
# anything inside a ui/ folder.
function(layer_of rel out)
  if(rel MATCHES "(^|/)ui/")
    set(${out} "ui" PARENT_SCOPE)
  else()
    string(REGEX REPLACE "/.*" "" first "${rel}")
    set(${out} "${first}" PARENT_SCOPE)
  endif()
endfunction()

set(failures "")
foreach(layer IN LISTS core_layers)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${layer}")
    continue()
  endif()
  file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${layer}/*.h"
       "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(rel IN LISTS files)
    layer_of("${rel}" own)
    if(NOT own STREQUAL layer)
      continue()  # a ui/ folder inside a subsystem belongs to the windows
    endif()
    file(STRINGS "${SOURCE_DIR}/${rel}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
      if(line MATCHES "<(Q[A-Za-z]*|Qt[A-Za-z]*/[^>]*)>")
        list(APPEND failures "${rel}: includes the Qt header <${CMAKE_MATCH_1}>")
      elseif(line MATCHES "\"([^\"]+)\"")
        set(target "${CMAKE_MATCH_1}")
        if(NOT target MATCHES "/")
          continue()  # a header beside the file
        endif()
        layer_of("${target}" to)
        if(to STREQUAL own)
          continue()
        endif()
        if(NOT to IN_LIST allowed_${own})
          list(APPEND failures "${rel}: includes \"${target}\" (layer ${to} is not below ${own})")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

# The windows have a direction of their own: the widget kit (app/kit/) at
# the bottom, each subsystem's windows in its ui/ folder above it, the main
# window (app/ui/) on top. A subsystem's window never includes the main
# window's files nor another subsystem's windows.
file(GLOB_RECURSE window_files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*/ui/*.h"
     "${SOURCE_DIR}/*/ui/*.cpp")
foreach(rel IN LISTS window_files)
  string(REGEX REPLACE "/.*" "" subsystem "${rel}")
  if(subsystem STREQUAL "app" OR subsystem STREQUAL "build" OR NOT subsystem IN_LIST core_layers)
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${rel}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    if(line MATCHES "\"(([a-z_]+)/ui/[^\"]+)\"")
      set(target "${CMAKE_MATCH_1}")
      if(NOT CMAKE_MATCH_2 STREQUAL subsystem)
        list(APPEND failures "${rel}: includes \"${target}\" (a window includes the kit and the core, never app/ui/ nor another subsystem's windows)")
      endif()
    endif()
  endforeach()
endforeach()

# The widget kit is below every window: it includes the core, app/model/
# and itself, never the main window (app/ui/) nor a subsystem's windows.
file(GLOB_RECURSE kit_files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/app/kit/*.h"
     "${SOURCE_DIR}/app/kit/*.cpp")
foreach(rel IN LISTS kit_files)
  file(STRINGS "${SOURCE_DIR}/${rel}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    if(line MATCHES "\"(([a-z_]+)/ui/[^\"]+)\"")
      list(APPEND failures "${rel}: includes \"${CMAKE_MATCH_1}\" (the kit includes the core and app/model/, never a window)")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Includes that point up:\n  ${text}")
endif()
message(STATUS "Layering: every include points down")
