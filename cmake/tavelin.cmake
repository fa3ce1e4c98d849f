# Helpers shared by every part of the build.

# Strict warnings for the project's own targets (not for Google Test).
function(tavelin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Werror)
endfunction()

# tavelin_host_tool(<name> SOURCES <absolute paths>... [HEADERS <absolute paths>...])
# A program that runs on the build machine (asset generators). In a native build it is an
# ordinary target; in the cross build it is compiled with the host compiler by a custom
# command. Either way ${<name>_COMMAND} names the program and ${<name>_DEPENDS} what to depend on.
function(tavelin_host_tool name)
  cmake_parse_arguments(T "" "" "SOURCES;HEADERS" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${name} ${T_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    tavelin_warnings(${name})
    set(${name}_COMMAND $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(${name}_DEPENDS ${name} PARENT_SCOPE)
  else()
    find_program(TAVELIN_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    set(out ${CMAKE_BINARY_DIR}/host-tools/${name})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host-tools
      COMMAND ${TAVELIN_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -I${PROJECT_SOURCE_DIR}
              ${T_SOURCES} -o ${out}
      DEPENDS ${T_SOURCES} ${T_HEADERS}
      COMMENT "Building host tool ${name}"
      VERBATIM)
    add_custom_target(${name} DEPENDS ${out})
    set(${name}_COMMAND ${out} PARENT_SCOPE)
    set(${name}_DEPENDS ${out} PARENT_SCOPE)
  endif()
endfunction()
