# The screen effect: portable parameters and arithmetic, the frmGraphics window, its test
# runner, end-to-end scenarios and benchmark.

target_sources(tavelin_portable PRIVATE
  ${PROJECT_SOURCE_DIR}/effect/presets.cpp
  ${PROJECT_SOURCE_DIR}/effect/random.cpp
  ${PROJECT_SOURCE_DIR}/effect/vb16.cpp
)
target_sources(tavelin_unit_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/tests/unit/effect_arithmetic_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/unit/effect_presets_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/unit/effect_random_test.cpp
)

if(WIN32)
  target_sources(tavelin_program PRIVATE ${PROJECT_SOURCE_DIR}/effect/frmGraphics.cpp)

  # Plays the effect with any preset, K runs in one process, and checks the block copies and
  # the screen DCs; the end-to-end scripts drive it under Wine + Xvfb.
  add_executable(effect_runner
    ${PROJECT_SOURCE_DIR}/tests/e2e/effect_runner.cpp
    ${PROJECT_SOURCE_DIR}/effect/frmGraphics.cpp
  )
  target_link_libraries(effect_runner PRIVATE tavelin_ui)
  tavelin_warnings(effect_runner)

  # Passes per second of the effect against a bare copy-and-yield loop (prints figures).
  add_executable(effect_bench
    ${PROJECT_SOURCE_DIR}/tests/bench/effect_bench.cpp
    ${PROJECT_SOURCE_DIR}/effect/frmGraphics.cpp
  )
  target_link_libraries(effect_bench PRIVATE tavelin_ui)
  tavelin_warnings(effect_bench)

  foreach(scenario snapshot presets input teardown)
    add_test(NAME effect_${scenario}
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/effect_${scenario}.sh $<TARGET_FILE:effect_runner>)
    set_tests_properties(effect_${scenario} PROPERTIES TIMEOUT 240 RUN_SERIAL TRUE)
  endforeach()
endif()
