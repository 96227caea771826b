# Unit tests (GoogleTest through CTest) and the black-box screenshot tests.
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(tkr_tests
  app/frame_test.cpp
  app/window_close_test.cpp
  app/wizard_state_test.cpp
  discovery/auto_detect_test.cpp
  discovery/text_path_test.cpp
  install/awkward_names_test.cpp
  install/base_game_test.cpp
  install/configuration_test.cpp
  install/engine_test.cpp
  install/install_job_test.cpp
  install/leftovers_test.cpp
  install/locations_test.cpp
  install/misbehaving_tools_test.cpp
  install/mod_layers_test.cpp
  install/portraits_test.cpp
  platform/command_line_test.cpp
  platform/copy_file_test.cpp
  platform/ini_file_test.cpp
  platform/new_file_test.cpp
  platform/resolve_path_test.cpp
  platform/run_command_test.cpp
  ui/draw_test.cpp
  ui/file_browser_test.cpp
  ui/font_test.cpp
  ui/pages_test.cpp
  ui/uninstall_page_test.cpp
  tests/bad_input_test.cpp
)
if(NOT WIN32)
  target_sources(tkr_tests PRIVATE app/paused_console_test.cpp)  # a pipe stands in for the console
endif()
target_link_libraries(tkr_tests PRIVATE tkr_core GTest::gtest GTest::gtest_main)
target_compile_definitions(tkr_tests PRIVATE TKR_CORPUS_DIR="${CMAKE_SOURCE_DIR}/tests/corpus")

# The recording stand-in for outside programs, built beside the tests.
add_executable(tkr_test_child tests/test_child.cpp)
add_dependencies(tkr_tests tkr_test_child)
if(WIN32)
  target_sources(tkr_test_child PRIVATE app/tkr-setup.rc)
  # The test program runs with the product's own manifest (UTF-8 code page,
  # long paths), so what it proves holds for tkr-setup.exe.
  target_sources(tkr_tests PRIVATE app/tkr-setup.rc)
  target_link_options(tkr_test_child PRIVATE -static)
  tkr_windows_program(tkr_tests)
  # Under Wine every process start costs seconds: the whole suite runs in
  # one process there, and its own output names any failing test.
  add_test(NAME tkr_tests COMMAND tkr_tests --gtest_color=no)
  set_tests_properties(tkr_tests PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy" TIMEOUT 900)
else()
  gtest_discover_tests(tkr_tests DISCOVERY_MODE POST_BUILD DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy")
endif()

# The screenshot mode, run as a user would: 860x520 BMP, exit code 0.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(_runner ${CMAKE_CROSSCOMPILING_EMULATOR})
else()
  set(_runner "")
endif()
add_test(NAME screenshot.mode
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/screenshot_test.sh ${CMAKE_BINARY_DIR}/screenshots
          ${_runner} $<TARGET_FILE:tkr-setup>)
add_test(NAME autorun.exit_codes
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/autorun_test.sh ${CMAKE_BINARY_DIR}/autorun
          ${_runner} $<TARGET_FILE:tkr-setup>)
if(NOT WIN32 AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  # Measurements for scripts/bench.sh; the drawing calls are caught with --wrap.
  add_executable(tkr_bench tests/bench.cpp)
  target_link_libraries(tkr_bench PRIVATE tkr_core)
  target_link_options(tkr_bench PRIVATE
    -Wl,--wrap=SDL_SetRenderDrawColor,--wrap=SDL_RenderFillRect,--wrap=SDL_RenderDrawRect)
  add_test(NAME valgrind.unattended_install
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/valgrind_test.sh ${CMAKE_BINARY_DIR}/valgrind $<TARGET_FILE:tkr-setup>)
  set_tests_properties(valgrind.unattended_install PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  # Installs onto a RAM disk that is or becomes full (mounts a tmpfs: needs
  # root or a user namespace, else skipped). Gigabytes of copying: run in
  # the plain build only.
  add_test(NAME full_disk
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/full_disk_test.sh ${CMAKE_BINARY_DIR}/full-disk
            $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_test_child>)
  set_tests_properties(full_disk PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  # Unreadable folders and a second setup for one installation, as a user
  # meets them (runs as the user nobody when started as root).
  add_test(NAME fault_matrix
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fault_matrix_test.sh ${CMAKE_BINARY_DIR}/fault-matrix
            $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_test_child>)
  set_tests_properties(fault_matrix PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  # Signals in the middle of a slow tool, and a run killed outright.
  add_test(NAME stop_signals
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/stop_test.sh ${CMAKE_BINARY_DIR}/stop-signals
            $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_test_child>)
  set_tests_properties(stop_signals PROPERTIES TIMEOUT 300)
  # Install, then uninstall from the record, as a player would.
  add_test(NAME uninstall
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/uninstall_test.sh ${CMAKE_BINARY_DIR}/uninstall
            $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_test_child>)
  set_tests_properties(uninstall PROPERTIES TIMEOUT 300)
  # Real installers, made by the real compiler, through the real innoextract.
  add_test(NAME real_installers
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/real_installers_test.sh ${CMAKE_BINARY_DIR}/real-installers
            $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_test_child>)
  set_tests_properties(real_installers PROPERTIES TIMEOUT 300)
endif()
if(WIN32)
  # The Windows build under Wine draws the same bytes as the Linux build.
  set(TKR_LINUX_EXE "${CMAKE_SOURCE_DIR}/build/linux/tkr-setup" CACHE FILEPATH
      "The Linux build's tkr-setup, for the screenshot comparison")
  add_test(NAME screenshot.same_as_linux
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/screenshot_compare.sh ${CMAKE_BINARY_DIR}/compare
            ${TKR_LINUX_EXE} ${_runner} $<TARGET_FILE:tkr-setup>)
  set_tests_properties(screenshot.same_as_linux PROPERTIES SKIP_RETURN_CODE 77)
  # A profile whose desktop, Downloads and Start Menu lie elsewhere, and a
  # game found only through GOG's record in the registry.
  add_test(NAME windows.moved_folders
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows_folders_test.sh ${CMAKE_BINARY_DIR}/moved-folders
            ${_runner} $<TARGET_FILE:tkr-setup>)
  set_tests_properties(windows.moved_folders PROPERTIES TIMEOUT 300)
  # The innoextract.exe of the player's zip on the real installers.
  add_test(NAME windows.innoextract
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows_innoextract_test.sh ${CMAKE_BINARY_DIR}/innoextract
            ${_runner} $<TARGET_FILE:tkr-setup> ${TKR_INNOEXTRACT_EXE})
  set_tests_properties(windows.innoextract PROPERTIES TIMEOUT 300)
  # Read-only files under Wine as an ordinary user, where they bite.
  add_test(NAME windows.read_only_as_user
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows_as_user_test.sh ${CMAKE_BINARY_DIR}/as-user
            ${_runner} $<TARGET_FILE:tkr_tests> "Leftovers.*")
  set_tests_properties(windows.read_only_as_user PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  # The console's Ctrl+C (as Wine delivers SIGINT) in the middle of a slow
  # tool, and a setup killed outright.
  add_test(NAME windows.stop
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/stop_test.sh ${CMAKE_BINARY_DIR}/stop
            $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_test_child> ${_runner})
  set_tests_properties(windows.stop PROPERTIES TIMEOUT 300)
  # The uninstall the system's entry starts, under Wine.
  add_test(NAME windows.uninstall
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/uninstall_test.sh ${CMAKE_BINARY_DIR}/uninstall
            $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_test_child> ${_runner})
  set_tests_properties(windows.uninstall PROPERTIES TIMEOUT 300)
  # The GOG installer run silently leaves nothing behind on the machine.
  add_executable(tkr_stand_in_installer platform/stand_in_installer_windows.cpp)
  target_link_options(tkr_stand_in_installer PRIVATE -static -municode)
  target_link_libraries(tkr_stand_in_installer PRIVATE shell32 ole32 uuid advapi32)
  add_dependencies(tkr_tests tkr_stand_in_installer)
  add_test(NAME windows.silent_installer
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows_silent_installer_test.sh ${CMAKE_BINARY_DIR}/silent-installer
            ${_runner} $<TARGET_FILE:tkr-setup> $<TARGET_FILE:tkr_stand_in_installer>)
  set_tests_properties(windows.silent_installer PROPERTIES TIMEOUT 300)
endif()
