# Warnings for every target of the project's own code: the libraries, the programs, the tests,
# the fuzzers and the benchmarks (not for third-party code such as GoogleTest). The CI scripts
# make them errors with -DTRELK_WERROR=ON.
option(TRELK_WERROR "Treat the warnings of the project's own code as errors" OFF)
function(trelk_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
    if(TRELK_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(TRELK_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  endif()
endfunction()
