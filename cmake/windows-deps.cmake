# The Windows build's SDL2, GoogleTest and innoextract.exe, built with the
# MinGW toolchain by scripts/windows-deps.sh and cached outside the build tree.
list(LENGTH TKR_WINDOWS_DEPS _deps_count)
if(_deps_count LESS 3)
  execute_process(
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/windows-deps.sh
    OUTPUT_VARIABLE _deps_out
    RESULT_VARIABLE _deps_rc
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _deps_rc EQUAL 0)
    message(FATAL_ERROR "scripts/windows-deps.sh failed (${_deps_rc})")
  endif()
  string(REGEX REPLACE ".*\n" "" _deps_out "${_deps_out}")
  set(TKR_WINDOWS_DEPS "${_deps_out}" CACHE STRING "SDL2 prefix;GoogleTest prefix;innoextract prefix for MinGW" FORCE)
endif()
list(GET TKR_WINDOWS_DEPS 0 TKR_SDL2_PREFIX)
list(GET TKR_WINDOWS_DEPS 1 TKR_GTEST_PREFIX)
list(GET TKR_WINDOWS_DEPS 2 TKR_INNOEXTRACT_PREFIX)
set(TKR_INNOEXTRACT_EXE ${TKR_INNOEXTRACT_PREFIX}/bin/innoextract.exe)
list(APPEND CMAKE_FIND_ROOT_PATH ${TKR_SDL2_PREFIX} ${TKR_GTEST_PREFIX})

# A 64-bit console program that needs only SDL2.dll beside it: the C++
# runtime, libgcc and winpthread are linked in.
function(tkr_windows_program target)
  target_link_options(${target} PRIVATE -static)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TKR_SDL2_PREFIX}/bin/SDL2.dll
            $<TARGET_FILE_DIR:${target}>/SDL2.dll)
endfunction()
