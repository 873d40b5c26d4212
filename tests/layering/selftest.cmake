# Runs corelayers.cmake over a small made-up tree and checks that it refuses
# each kind of forbidden include, and every include against the order of the
# layers, and accepts the allowed ones.
#
#   cmake -DCHECKER=<corelayers.cmake> -DWORK_DIR=<scratch folder> -DQT_HEADERS=<dir> -P selftest.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")

function(write_tree)
  file(WRITE "${WORK_DIR}/base/a.h" "#pragma once\n#include <string>\n#include \"base/b.h\"\n")
  file(WRITE "${WORK_DIR}/base/b.h" "#pragma once\n#include <QImage>\n#include <QtCore/QString>\n")
  file(WRITE "${WORK_DIR}/show/deep/c.cpp"
       "#include \"show/deep/c.h\"\n#include \"base/a.h\"\n#include \"catalogue/d.h\"\n#include <jpeglib.h>\n"
       "#include <sys/stat.h>\n")
  file(WRITE "${WORK_DIR}/catalogue/d.h" "#pragma once\n#include \"base/a.h\"\n#include <vector>\n")
  file(WRITE "${WORK_DIR}/show/deep/c.h" "#pragma once\n#include <QRect>\n")
  file(WRITE "${WORK_DIR}/framework/w.h" "#pragma once\n#include <QWidget>\n")
endfunction()

# An optional third argument is a text the refusal must print.
function(run_checker expect_ok what)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${WORK_DIR} -DCORE_DIRS=base,catalogue,show -DQT_HEADERS=${QT_HEADERS}
                          -P "${CHECKER}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect_ok AND NOT result EQUAL 0)
    message(FATAL_ERROR "the checker refused a clean tree (${what}):\n${out}${err}")
  elseif(NOT expect_ok AND result EQUAL 0)
    message(FATAL_ERROR "the checker let through ${what}")
  elseif(ARGC GREATER 2 AND NOT err MATCHES "${ARGV2}")
    message(FATAL_ERROR "the checker refused ${what} for another reason than \"${ARGV2}\":\n${err}")
  endif()
  message(STATUS "${what}: ${result}")
endfunction()

write_tree()
run_checker(TRUE "a clean tree (the framework's own widget include is outside the core)")

set(bad_includes
  "<QWidget>" "<QtWidgets/QLabel>" "<QOpenGLWidget>" "<X11/Xlib.h>" "<xcb/xcb.h>" "<gst/gst.h>" "<glib.h>"
  "<gio/gio.h>" "<cdio/cdio.h>" "<alsa/asoundlib.h>" "\"framework/w.h\"" "\"app/form1.h\"" "\"config/page.h\""
  "\"local.h\"")
foreach(bad ${bad_includes})
  write_tree()
  file(APPEND "${WORK_DIR}/show/deep/c.h" "#include ${bad}\n")
  run_checker(FALSE "a core header including ${bad}")
endforeach()

# No folder includes a header of a folder listed after it.
foreach(upward "base/b.h|show/deep/c.h" "base/b.h|catalogue/d.h" "catalogue/d.h|show/deep/c.h")
  string(REPLACE "|" ";" pair "${upward}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  write_tree()
  file(APPEND "${WORK_DIR}/${from}" "#include \"${to}\"\n")
  run_checker(FALSE "${from} including ${to}, a layer above it" "is a layer above")
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
