# Each library shows the code that links it its own folder only. Headers are included as
# "folder/header.h", so the include root of a library is a folder in the build tree that holds a
# link to that one source folder; a folder reaches another folder's headers only by linking its
# library, and an include that runs against the layering fails to compile.
#   trelk_folder_headers(trelk_engine engine)
function(trelk_folder_headers target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()
