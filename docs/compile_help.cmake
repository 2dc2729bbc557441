# Compiles the help project into OUTPUT_DIR/Trelk.chm with chmcmd, and fails unless a sound file
# comes out. chmcmd cannot be trusted on its exit status alone: it reports a missing project file
# with status 0, and leaves an empty Trelk.chm behind when a page is missing.
#   cmake -DCHMCMD=/usr/bin/chmcmd -DPROJECT=docs/help/trelk.hhp -DOUTPUT_DIR=build/app -P compile_help.cmake
cmake_minimum_required(VERSION 3.20)
foreach(var CHMCMD PROJECT OUTPUT_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compile_help.cmake needs -D${var}=...")
  endif()
endforeach()

set(chm "${OUTPUT_DIR}/Trelk.chm")
file(REMOVE "${chm}")
file(MAKE_DIRECTORY "${OUTPUT_DIR}")
# chmcmd writes the compiled file into its working folder and reads the pages beside the project.
execute_process(COMMAND "${CHMCMD}" --verbosity 0 "${PROJECT}"
                WORKING_DIRECTORY "${OUTPUT_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX MATCHALL "(^|\n)(Warning|Error|An unhandled exception)[^\n]*" problems "${out}${err}")

set(size 0)
if(EXISTS "${chm}")
  file(SIZE "${chm}" size)
endif()
if(NOT result EQUAL 0 OR problems OR size LESS 4096)
  file(REMOVE "${chm}")
  message(FATAL_ERROR "chmcmd did not compile ${PROJECT} into ${chm} "
                      "(exit status ${result}, ${size} bytes):\n${out}${err}")
endif()
