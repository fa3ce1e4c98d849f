# The About window and the document opener: the failure texts (portable, unit-tested natively),
# the window itself, and its end-to-end scenarios under Wine + Xvfb.

target_sources(tavelin_portable PRIVATE ${PROJECT_SOURCE_DIR}/forms/shell_failure.cpp)
target_sources(tavelin_unit_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/unit/shell_failure_test.cpp)

if(WIN32)
  target_sources(tavelin_program PRIVATE ${PROJECT_SOURCE_DIR}/forms/frmAbout.cpp)
endif()

# End-to-end scenarios: the program's own copy runs from a temporary folder, driven by real X11
# input; a Win32 driver reads its windows and a recorder stands in for the shell's applications.
if(WIN32)
  add_executable(about_driver ${PROJECT_SOURCE_DIR}/tests/e2e/about_driver.cpp)
  target_include_directories(about_driver PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(about_driver PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  tavelin_warnings(about_driver)
  add_executable(about_recorder WIN32 ${PROJECT_SOURCE_DIR}/tests/e2e/about_recorder.cpp)
  target_compile_definitions(about_recorder PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_link_options(about_recorder PRIVATE -municode)
  tavelin_warnings(about_recorder)

  # tavelin_about_test(<name> <script> [scenario]): about_<script>.sh with the common arguments.
  function(tavelin_about_test name script)
    add_test(NAME ${name}
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/about_${script}.sh ${TAVELIN_DIST_DIR}
              $<TARGET_FILE:about_driver> $<TARGET_FILE:about_recorder> ${PROJECT_SOURCE_DIR}
              ${CMAKE_BINARY_DIR}/e2e-artifacts ${ARGN})
    # Real input goes to whatever window is under the pointer: nothing else may run meanwhile.
    set_tests_properties(${name} PROPERTIES TIMEOUT 240 RUN_SERIAL TRUE)
  endfunction()
  foreach(scenario window links sound unicode inert effect close newuser)
    tavelin_about_test(about_${scenario} ${scenario})
  endforeach()
  # A DLL to plant beside the program under system DLLs' names: it marks when it is loaded.
  add_library(planted_marker SHARED ${PROJECT_SOURCE_DIR}/tests/e2e/planted_marker.c)
  set_target_properties(planted_marker PROPERTIES PREFIX "")
  target_link_options(planted_marker PRIVATE -nostdlib -Wl,-e,MarkerEntry)
  target_link_libraries(planted_marker PRIVATE kernel32)
  tavelin_about_test(about_planting planting $<TARGET_FILE:planted_marker>)
  foreach(scenario dpi-192 small-screen)
    tavelin_about_test(about_placement_${scenario} placement ${scenario})
  endforeach()
endif()
