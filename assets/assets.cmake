# Generated assets: the icon, photograph and pointer compiled into tavelin.exe, and the files a
# user finds beside it. Everything is produced from sources in this folder at build time.

set(TAVELIN_GEN_DIR ${PROJECT_SOURCE_DIR}/assets/gen)
set(TAVELIN_GEN_HEADERS ${TAVELIN_GEN_DIR}/binary.h ${TAVELIN_GEN_DIR}/dib.h)
set(TAVELIN_RES_DIR ${CMAKE_BINARY_DIR}/assets)
file(MAKE_DIRECTORY ${TAVELIN_RES_DIR})

foreach(generator icon photo cursor sound crlf)
  tavelin_host_tool(tavelin_gen_${generator}
    SOURCES ${TAVELIN_GEN_DIR}/${generator}.cpp HEADERS ${TAVELIN_GEN_HEADERS})
endforeach()

# tavelin_generated_file(<output> <generator> [INPUT <file>] COMMENT <text>)
# Runs the generator's host tool as `<tool> [<input>] <output>`.
function(tavelin_generated_file output generator)
  cmake_parse_arguments(G "" "INPUT;COMMENT" "" ${ARGN})
  add_custom_command(OUTPUT ${output}
    COMMAND ${tavelin_gen_${generator}_COMMAND} ${G_INPUT} ${output}
    DEPENDS ${tavelin_gen_${generator}_DEPENDS} ${G_INPUT}
    COMMENT ${G_COMMENT}
    VERBATIM)
endfunction()

# Compiled into the program (tavelin.rc finds them in the build tree).
tavelin_generated_file(${TAVELIN_RES_DIR}/tavelin.ico icon
  COMMENT "Generating the program icon")
tavelin_generated_file(${TAVELIN_RES_DIR}/photo.bmp photo
  COMMENT "Generating the About window's photograph")
tavelin_generated_file(${TAVELIN_RES_DIR}/linkhand.cur cursor
  COMMENT "Generating the link pointer")
set(TAVELIN_RESOURCES
  ${TAVELIN_RES_DIR}/tavelin.ico ${TAVELIN_RES_DIR}/photo.bmp ${TAVELIN_RES_DIR}/linkhand.cur)

# Beside the program.
tavelin_generated_file(${TAVELIN_DIST_DIR}/korvane.dll sound
  COMMENT "Generating the About window's sound (korvane.dll)")
tavelin_generated_file(${TAVELIN_DIST_DIR}/gpl.txt crlf INPUT ${PROJECT_SOURCE_DIR}/LICENSE
  COMMENT "Generating gpl.txt")
tavelin_generated_file(${TAVELIN_DIST_DIR}/readme.txt crlf INPUT ${PROJECT_SOURCE_DIR}/assets/readme.txt
  COMMENT "Generating readme.txt")
list(APPEND TAVELIN_ASSETS
  ${TAVELIN_DIST_DIR}/korvane.dll ${TAVELIN_DIST_DIR}/gpl.txt ${TAVELIN_DIST_DIR}/readme.txt)

# Built natively too, where the asset checks read them.
add_custom_target(tavelin_resources ALL DEPENDS ${TAVELIN_RESOURCES})
if(WIN32)
  set_property(SOURCE ${PROJECT_SOURCE_DIR}/assets/tavelin.rc APPEND PROPERTY OBJECT_DEPENDS
    ${TAVELIN_RESOURCES})
  target_include_directories(tavelin PRIVATE ${TAVELIN_RES_DIR})
  add_dependencies(tavelin tavelin_resources)
endif()

# The generated files read back by an independent parser: formats, sizes, hot spot, line endings.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(tavelin_assets_test ${TAVELIN_GEN_DIR}/assets_test.cpp)
  target_compile_definitions(tavelin_assets_test PRIVATE
    TAVELIN_RES_DIR="${TAVELIN_RES_DIR}" TAVELIN_DIST_DIR="${TAVELIN_DIST_DIR}"
    TAVELIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" TAVELIN_CRLF_TOOL="$<TARGET_FILE:tavelin_gen_crlf>")
  target_link_libraries(tavelin_assets_test PRIVATE GTest::gtest_main)
  tavelin_warnings(tavelin_assets_test)
  add_dependencies(tavelin_assets_test tavelin_resources tavelin_assets)
  add_test(NAME assets COMMAND tavelin_assets_test)
endif()
