# Generated assets: the program icon and pictures compiled into tavelin.exe, and the files a user
# finds beside it. Everything is produced from sources in this folder at build time.

set(TAVELIN_GEN_DIR ${PROJECT_SOURCE_DIR}/assets/gen)
set(TAVELIN_GEN_HEADERS ${TAVELIN_GEN_DIR}/binary.h ${TAVELIN_GEN_DIR}/dib.h)
set(TAVELIN_RES_DIR ${CMAKE_BINARY_DIR}/assets)
file(MAKE_DIRECTORY ${TAVELIN_RES_DIR})

# Program icon: 16 x 16 in 16 colours and 32 x 32 in 256 colours.
tavelin_host_tool(tavelin_gen_icon SOURCES ${TAVELIN_GEN_DIR}/icon.cpp HEADERS ${TAVELIN_GEN_HEADERS})
add_custom_command(OUTPUT ${TAVELIN_RES_DIR}/tavelin.ico
  COMMAND ${tavelin_gen_icon_COMMAND} ${TAVELIN_RES_DIR}/tavelin.ico
  DEPENDS ${tavelin_gen_icon_DEPENDS}
  COMMENT "Generating the program icon"
  VERBATIM)
set(TAVELIN_RESOURCES ${TAVELIN_RES_DIR}/tavelin.ico)

# Built natively too, where the asset checks read them.
add_custom_target(tavelin_resources ALL DEPENDS ${TAVELIN_RESOURCES})
if(WIN32)
  set_property(SOURCE ${PROJECT_SOURCE_DIR}/assets/tavelin.rc APPEND PROPERTY OBJECT_DEPENDS
    ${TAVELIN_RESOURCES})
  target_include_directories(tavelin PRIVATE ${TAVELIN_RES_DIR})
  add_dependencies(tavelin tavelin_resources)
endif()
