# cmake -DBUILD_DIR=<build tree> [-DCONFIG=<config>] -P check_logic_boundary.cmake
#
# Builds the probes of tests/boundary: the QtCore one must compile (so a
# failure of the others is not a broken setup), and each GUI one must fail
# on its own guard's message.

function(build_probe target result_var output_var)
  set(args --build ${BUILD_DIR} --target ${target})
  if(CONFIG)
    list(APPEND args --config ${CONFIG})
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} ${args}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${out}${err}" PARENT_SCOPE)
endfunction()

build_probe(logic_probe_core result output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "A QtCore-only file does not compile with the logic's setup:\n${output}")
endif()

set(failures "")
foreach(pair widgets:QtWidgets gui:QtGui printsupport:QtPrintSupport multimedia:QtMultimedia)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 probe)
  list(GET pair 1 module)
  build_probe(logic_probe_${probe} result output)
  if(result EQUAL 0)
    string(APPEND failures "${module} compiles in the logic.\n")
  elseif(NOT output MATCHES "logic must not use ${module}")
    string(APPEND failures "${module} fails in the logic, but not on its guard:\n${output}\n")
  else()
    message(STATUS "${module} refused in the logic")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
