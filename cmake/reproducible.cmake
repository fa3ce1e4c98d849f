# The same commit gives the same bytes, wherever and whenever it is built.

# Paths compiled into the objects (__FILE__, debug records) name the source and build folders
# relatively. GCC tries the map given last first, so the build folder (inside the source folder
# in the presets) comes after the source folder.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")

if(WIN32)
  # No link time in the PE header (TimeDateStamp stays 0).
  add_link_options(-Wl,--no-insert-timestamp)
endif()
