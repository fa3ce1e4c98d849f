# The AVI clip reader, the animation player control, the program's two clips and their tests.

target_sources(tavelin_portable PRIVATE ${PROJECT_SOURCE_DIR}/ui/avi_clip.cpp)

set(TAVELIN_CLIP_ART
  ${PROJECT_SOURCE_DIR}/assets/gen/avi_writer.cpp
  ${PROJECT_SOURCE_DIR}/assets/gen/clip_art.cpp)

# The unit tests read back clips written by the generator's own code.
target_sources(tavelin_unit_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/tests/unit/avi_clip_test.cpp
  ${TAVELIN_CLIP_ART})

# res.dll (the wait window's clip) and korvane2.dll (the About window's), drawn at build time.
tavelin_host_tool(gen_clips
  SOURCES ${PROJECT_SOURCE_DIR}/assets/gen/clips.cpp ${TAVELIN_CLIP_ART}
  HEADERS ${PROJECT_SOURCE_DIR}/assets/gen/avi_writer.h ${PROJECT_SOURCE_DIR}/assets/gen/clip_art.h)
set(TAVELIN_CLIPS ${TAVELIN_DIST_DIR}/res.dll ${TAVELIN_DIST_DIR}/korvane2.dll)
add_custom_command(OUTPUT ${TAVELIN_CLIPS}
  COMMAND ${gen_clips_COMMAND} ${TAVELIN_DIST_DIR}
  DEPENDS ${gen_clips_DEPENDS}
  COMMENT "Drawing the animation clips"
  VERBATIM)
list(APPEND TAVELIN_ASSETS ${TAVELIN_CLIPS})
add_custom_target(tavelin_clips DEPENDS ${TAVELIN_CLIPS})

if(WIN32)
  target_sources(tavelin_ui PRIVATE ${PROJECT_SOURCE_DIR}/ui/animation.cpp)
  target_sources(tavelin_win_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/win/animation_test.cpp)
  # The player's tests open the generated clips beside the test executable.
  add_dependencies(tavelin_win_tests tavelin_clips)
endif()

# libFuzzer target of the reader: cmake -DTAVELIN_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ ...
# then: avi_clip_fuzz -dict=tests/fuzz/avi.dict CORPUS_DIR (seed it with the generated clips).
option(TAVELIN_FUZZ "Build the AVI reader's fuzz target (needs clang)" OFF)
if(TAVELIN_FUZZ)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
    add_executable(avi_clip_fuzz
      ${PROJECT_SOURCE_DIR}/tests/fuzz/avi_clip_fuzz.cpp
      ${PROJECT_SOURCE_DIR}/ui/avi_clip.cpp)
    target_include_directories(avi_clip_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(avi_clip_fuzz PRIVATE ${fuzz_flags} -g -O1)
    target_link_options(avi_clip_fuzz PRIVATE ${fuzz_flags})
    tavelin_warnings(avi_clip_fuzz)
  else()
    message(WARNING "TAVELIN_FUZZ needs clang; the fuzz target is not built")
  endif()
endif()
