# End-to-end tests of tavelin.exe under Wine + Xvfb. They run inside tools/with-wine (through
# tools/test.sh), share its display one at a time, and need the drives the setup test maps.

add_executable(tavelin_driver tests/e2e/driver.cpp)
target_include_directories(tavelin_driver PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(tavelin_driver PRIVATE UNICODE _UNICODE)
tavelin_warnings(tavelin_driver)

# The flush shim is a Linux library preloaded into Wine: built with the host compiler.
find_program(TAVELIN_HOST_CC NAMES cc gcc clang REQUIRED)
set(TAVELIN_SHIM ${CMAKE_BINARY_DIR}/host-tools/fsync_shim.so)
add_custom_command(OUTPUT ${TAVELIN_SHIM}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host-tools
  COMMAND ${TAVELIN_HOST_CC} -shared -fPIC -O2 -Wall -Wextra -Werror
          ${PROJECT_SOURCE_DIR}/tests/e2e/fsync_shim.c -o ${TAVELIN_SHIM} -ldl
  DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/fsync_shim.c
  COMMENT "Building the flush shim"
  VERBATIM)
add_custom_target(tavelin_fsync_shim ALL DEPENDS ${TAVELIN_SHIM})

set(TAVELIN_E2E_ENV
  TAVELIN_DIST=${TAVELIN_DIST_DIR}
  TAVELIN_DRIVER=$<TARGET_FILE:tavelin_driver>
  TAVELIN_SHIM=${TAVELIN_SHIM})

# tavelin_e2e_test(<name> <script> [args...]): one scenario, on the shared display.
function(tavelin_e2e_test name script)
  add_test(NAME ${name} COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/${script} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${TAVELIN_E2E_ENV}"
    FIXTURES_REQUIRED tavelin_drives
    RESOURCE_LOCK tavelin_display
    PASS_REGULAR_EXPRESSION "PASS"
    FAIL_REGULAR_EXPRESSION "FAIL:"
    TIMEOUT 240)
endfunction()

add_test(NAME e2e_setup_drives COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/setup-drives.sh)
set_tests_properties(e2e_setup_drives PROPERTIES
  ENVIRONMENT "${TAVELIN_E2E_ENV}" FIXTURES_SETUP tavelin_drives RESOURCE_LOCK tavelin_display)
# The Win32 tests show windows too: they wait for the drives (the server restarts) and the display.
set_tests_properties(win PROPERTIES FIXTURES_REQUIRED tavelin_drives RESOURCE_LOCK tavelin_display)
set_tests_properties(unit PROPERTIES FIXTURES_REQUIRED tavelin_drives)

foreach(scenario success unmapped directory later-flush closes-after-failure command-lines
                 missing-clip drive-root)
  tavelin_e2e_test(e2e_flush_${scenario} flush.sh ${scenario})
endforeach()

foreach(scenario close-inputs keyboard no-ghosting geometry-96 geometry-144 clip-moves)
  tavelin_e2e_test(e2e_windows_${scenario} windows.sh ${scenario})
endforeach()

# Benchmarks (tools/bench.sh): not tests, they print figures.
add_executable(bare_flush WIN32 tests/bench/bare_flush.cpp)
target_link_options(bare_flush PRIVATE -municode)
target_compile_definitions(bare_flush PRIVATE UNICODE _UNICODE)
add_executable(bare_flush_v6 WIN32 tests/bench/bare_flush.cpp tests/bench/bare_flush_v6.rc)
target_link_options(bare_flush_v6 PRIVATE -municode)
target_compile_definitions(bare_flush_v6 PRIVATE UNICODE _UNICODE)
add_executable(launch_bench tests/bench/launch_bench.cpp)
target_include_directories(launch_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(launch_bench PRIVATE UNICODE _UNICODE)
tavelin_warnings(launch_bench)
