# Fails when a C++ file of the tree differs from what clang-format makes of it (.clang-format).
#   cmake -DSOURCE_DIR=<repository> -DCLANG_FORMAT=<clang-format> -P check_format.cmake
set(folders app bench cli engine forms fuzz settings text ui tests)
set(files)
foreach(folder ${folders})
  file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  list(APPEND files ${found})
endforeach()
# The include-direction check's planted faults are data, not code of the tree.
list(FILTER files EXCLUDE REGEX "/tests/data/")
execute_process(COMMAND ${CLANG_FORMAT} --style=file --dry-run ${files}
                WORKING_DIRECTORY ${SOURCE_DIR} ERROR_VARIABLE report RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR report MATCHES "warning:")
  string(REGEX MATCHALL "[^\n]*warning:[^\n]*" lines "${report}")
  list(LENGTH lines count)
  list(SUBLIST lines 0 20 shown)
  string(REPLACE ";" "\n" shown "${shown}")
  message(FATAL_ERROR "${count} lines differ from the layout of .clang-format; run clang-format -i on them:\n${shown}")
endif()
