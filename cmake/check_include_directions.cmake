# Fails when a folder of the program includes a header of a folder above it. The layers, from the
# bottom: text; engine; settings; forms (beside engine and settings, never using them); cli and
# ui; app. Inside the engine its folders are layers of their own, in the order of the pipeline
# (engine/README.md): files; request; reading; results; rollup; recognition; comparison and
# writing, beside each other; runs. Each folder's #include lines are read; a quoted name that
# starts with "./" or "../", or that names a file beside the including one, is taken relative to
# that file.
#   cmake -DSOURCE_DIR=<root> -P check_include_directions.cmake
cmake_minimum_required(VERSION 3.20)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<root> -P check_include_directions.cmake")
endif()

set(forbidden_text engine settings forms ui app cli)
set(forbidden_engine settings forms ui app cli)
set(forbidden_settings forms ui app cli)
set(forbidden_forms engine settings ui app cli)
set(forbidden_cli forms ui app)
set(forbidden_ui app cli)
set(forbidden_app cli)

set(engine_steps files request reading results rollup recognition comparison writing runs)
set(forbidden_engine/files request reading results rollup recognition comparison writing runs)
set(forbidden_engine/request reading results rollup recognition comparison writing runs)
set(forbidden_engine/reading results rollup recognition comparison writing runs)
set(forbidden_engine/results rollup recognition comparison writing runs)
set(forbidden_engine/rollup recognition comparison writing runs)
set(forbidden_engine/recognition comparison writing runs)
set(forbidden_engine/comparison recognition writing runs)
set(forbidden_engine/writing recognition comparison runs)
set(forbidden_engine/runs)

# The engine's step of a path below the root ("engine/writing/report.h": writing), or nothing.
function(engine_step path out)
  set(step "")
  if(path MATCHES "^engine/([^/]+)/")
    if(CMAKE_MATCH_1 IN_LIST engine_steps)
      set(step ${CMAKE_MATCH_1})
    endif()
  endif()
  set(${out} ${step} PARENT_SCOPE)
endfunction()

set(faults "")
set(files_read 0)
foreach(folder text engine settings forms cli ui app)
  file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.hpp ${SOURCE_DIR}/${folder}/*.c
       ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.rc)
  foreach(source ${sources})
    math(EXPR files_read "${files_read} + 1")
    get_filename_component(source_dir ${source} DIRECTORY)
    engine_step(${source} source_step)
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line ${lines})
      if(NOT line MATCHES "include[ \t]*[\"<]([^\">]+)[\">]")
        continue()
      endif()
      set(written ${CMAKE_MATCH_1})
      set(name ${written})
      if(name MATCHES "^\\.\\.?/" OR EXISTS ${SOURCE_DIR}/${source_dir}/${name})
        get_filename_component(target ${SOURCE_DIR}/${source_dir}/${name} ABSOLUTE)
        file(RELATIVE_PATH name ${SOURCE_DIR} ${target})
      endif()
      string(REGEX REPLACE "/.*" "" included ${name})
      if(included IN_LIST forbidden_${folder})
        list(APPEND faults "${source}: #include \"${written}\": ${folder} must not include ${included}")
      endif()
      engine_step(${name} included_step)
      if(source_step AND included_step IN_LIST forbidden_engine/${source_step})
        list(APPEND faults
             "${source}: #include \"${written}\": engine/${source_step} must not include engine/${included_step}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(files_read EQUAL 0)
  message(FATAL_ERROR "no source file found below ${SOURCE_DIR}")
endif()
if(faults)
  list(JOIN faults "\n  " report)
  message(FATAL_ERROR "Includes against the layering:\n  ${report}")
endif()
message(STATUS "${files_read} files, every include runs down the layers")
