# Checks that the core stays free of the display: every source and header in
# the core's folders may include the C++ standard library, POSIX, libjpeg,
# libpng, QtCore and QtGui, and the project's own headers from core folders;
# nothing of Qt Widgets (or any Qt module but QtCore and QtGui), X11, xcb,
# GStreamer, GLib/GIO, libcdio or ALSA, and nothing from framework/, app/ or
# config/. The folders are layers, listed bottom first: a file includes the
# project's headers only from its own folder and the folders listed before
# it, so that no folder depends on one above it.
#
#   cmake -DSOURCE_DIR=<tree> -DCORE_DIRS=base,settings,... -DQT_HEADERS=<qt6 include dir> -P corelayers.cmake
#
# CORE_DIRS is the list CMakeLists.txt compiles the core from (comma-separated),
# in the order of the layers.
# QT_HEADERS is the folder holding QtCore/ and QtGui/. Prints every offending
# include with its file and ends with an error when there is any.
cmake_minimum_required(VERSION 3.25)
foreach(var SOURCE_DIR CORE_DIRS QT_HEADERS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "corelayers.cmake needs -D${var}=...")
  endif()
endforeach()
string(REPLACE "," ";" core_dirs "${CORE_DIRS}")

set(forbidden_system "^(X11|xcb|gst|glib|gio|gobject|cdio|alsa|libnotify|dbus)/|^(glib|gio|glib-object|gst|asoundlib|xcb|Xlib)\\.h$")

set(problems "")
set(checked 0)
foreach(dir ${core_dirs})
  list(FIND core_dirs "${dir}" layer)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${dir}")
    string(APPEND problems "${dir}/: a core folder that does not exist\n")
    continue()
  endif()
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}"
       "${SOURCE_DIR}/${dir}/*.h" "${SOURCE_DIR}/${dir}/*.hpp" "${SOURCE_DIR}/${dir}/*.cpp" "${SOURCE_DIR}/${dir}/*.cc")
  foreach(file ${files})
    math(EXPR checked "${checked} + 1")
    # Only the include lines are read: other text (brackets, semicolons) would
    # upset CMake's lists.
    file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
        continue()
      endif()
      set(quote "${CMAKE_MATCH_1}")
      set(header "${CMAKE_MATCH_2}")
      if(quote STREQUAL "<")
        set(where "${file}: #include <${header}>")
      else()
        set(where "${file}: #include \"${header}\"")
      endif()
      if(quote STREQUAL "\"")
        # The project's own headers, named from the top of the tree.
        string(REGEX MATCH "^[^/]+" top "${header}")
        if(NOT header MATCHES "/")
          string(APPEND problems "${where}: name project headers from the top of the tree\n")
        elseif(NOT top IN_LIST core_dirs)
          string(APPEND problems "${where}: ${top}/ is not a core folder\n")
        else()
          list(FIND core_dirs "${top}" included_layer)
          if(included_layer GREATER layer)
            string(APPEND problems "${where}: ${top}/ is a layer above ${dir}/\n")
          endif()
        endif()
      elseif(header MATCHES "${forbidden_system}")
        string(APPEND problems "${where}: not a core library\n")
      elseif(header MATCHES "^(Qt[A-Za-z0-9]+)/")
        if(NOT CMAKE_MATCH_1 MATCHES "^Qt(Core|Gui)$")
          string(APPEND problems "${where}: only QtCore and QtGui belong to the core\n")
        endif()
      elseif(header MATCHES "^Q[A-Za-z0-9]*$")
        if(NOT EXISTS "${QT_HEADERS}/QtCore/${header}" AND NOT EXISTS "${QT_HEADERS}/QtGui/${header}")
          string(APPEND problems "${where}: not a QtCore or QtGui header\n")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  string(APPEND problems "no file found in the core folders ${CORE_DIRS}\n")
endif()
if(problems)
  message(FATAL_ERROR "Includes that break the core's layer:\n${problems}")
endif()
message(STATUS "${checked} core files include only what the core may use")
