# The Windows program: the UI layer, the windows and tavelin.exe itself.

add_library(tavelin_ui STATIC
  ui/app_dir.cpp
  ui/fail_fast.cpp
  ui/file.cpp
  ui/form.cpp
  ui/system_dll.cpp
  ui/text.cpp
  ui/twips.cpp
  ui/yield.cpp
)
target_include_directories(tavelin_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(tavelin_ui PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
  _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_libraries(tavelin_ui PUBLIC tavelin_portable gdi32 user32)
tavelin_warnings(tavelin_ui)

configure_file(assets/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

# The program's windows and its module, as a library so that the Win32 tests can drive them.
add_library(tavelin_program STATIC
  app/Module1.cpp
  app/forms.cpp
  app/win32_drive.cpp
  forms/frmAttendere.cpp
  forms/frmFine.cpp
)
target_include_directories(tavelin_program PUBLIC ${CMAKE_BINARY_DIR}/generated ${PROJECT_SOURCE_DIR}/assets)
target_link_libraries(tavelin_program PUBLIC tavelin_ui)
target_compile_options(tavelin_program PRIVATE -ffunction-sections -fdata-sections)
tavelin_warnings(tavelin_program)

add_executable(tavelin WIN32
  app/main.cpp
  assets/tavelin.rc
)
target_link_libraries(tavelin PRIVATE tavelin_program)
target_link_options(tavelin PRIVATE -municode -s -Wl,--gc-sections)
set_target_properties(tavelin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVELIN_DIST_DIR})
set_property(SOURCE assets/tavelin.rc APPEND PROPERTY OBJECT_DEPENDS
  ${PROJECT_SOURCE_DIR}/assets/tavelin.manifest ${CMAKE_BINARY_DIR}/generated/version.h)
tavelin_warnings(tavelin)

# Win32 tests of the UI layer and the windows, run under Wine.
add_executable(tavelin_win_tests
  tests/win/exe_test.cpp
  tests/win/fail_fast_test.cpp
  tests/win/form_test.cpp
)
target_link_libraries(tavelin_win_tests PRIVATE tavelin_program GTest::gtest_main)
tavelin_warnings(tavelin_win_tests)
# Fails on purpose, the way the program would; the tests read its exit code.
add_executable(fail_fast_probe tests/win/fail_fast_probe.cpp)
target_link_libraries(fail_fast_probe PRIVATE tavelin_ui)
tavelin_warnings(fail_fast_probe)
add_dependencies(tavelin_win_tests tavelin fail_fast_probe)
add_test(NAME win COMMAND tavelin_win_tests)
