# libFuzzer targets for the parsers of what the user brings. Built with
# clang on Linux, with AddressSanitizer and UndefinedBehaviorSanitizer.
set(_fuzz_flags -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer -g)
add_library(tkr_fuzz_core STATIC ${TKR_LOGIC_SOURCES} platform/os_posix.cpp platform/child_process_posix.cpp platform/uninstall_entry_posix.cpp
  platform/installer_traces_posix.cpp)
target_include_directories(tkr_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(tkr_fuzz_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined -g)
find_package(Threads REQUIRED)
target_link_libraries(tkr_fuzz_core PUBLIC Threads::Threads)

function(tkr_fuzz_target name source)
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE ${_fuzz_flags})
  target_link_options(${name} PRIVATE ${_fuzz_flags})
  target_link_libraries(${name} PRIVATE tkr_fuzz_core)
endfunction()

tkr_fuzz_target(ini_file_fuzz platform/ini_file_fuzz.cpp)
tkr_fuzz_target(command_line_fuzz platform/command_line_fuzz.cpp)
tkr_fuzz_target(portraits_fuzz install/portraits_fuzz.cpp)
tkr_fuzz_target(resolve_path_fuzz platform/resolve_path_fuzz.cpp)
tkr_fuzz_target(configuration_fuzz install/configuration_fuzz.cpp)
