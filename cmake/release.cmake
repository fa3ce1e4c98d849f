# What users download: tavelin.exe marked to run from swap, the release zip and its checksums.

# Post-link: IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and a PE checksum that matches it. Relinks when
# the marking tool changes, so the step runs again.
tavelin_host_tool(tavelin_pe_swaprun SOURCES ${PROJECT_SOURCE_DIR}/tools/pe_swaprun.cpp)
add_dependencies(tavelin tavelin_pe_swaprun)
set_property(TARGET tavelin APPEND PROPERTY LINK_DEPENDS ${tavelin_pe_swaprun_DEPENDS})
add_custom_command(TARGET tavelin POST_BUILD
  COMMAND ${tavelin_pe_swaprun_COMMAND} $<TARGET_FILE:tavelin>
  COMMENT "Marking tavelin.exe to run from swap"
  VERBATIM)

# build/<preset>/release/Tavelin-<version>-win64.zip with one folder Tavelin-<version>/, and
# SHA256SUMS beside it. Entries are dated SOURCE_DATE_EPOCH or else the commit's time; the step
# runs on every build (it is quick) so that a new commit's time is never missed.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVELIN_RELEASE_ARCH win64)
else()
  set(TAVELIN_RELEASE_ARCH win32)
endif()
set(TAVELIN_RELEASE_FOLDER Tavelin-${PROJECT_VERSION})
set(TAVELIN_RELEASE_ZIP ${TAVELIN_RELEASE_FOLDER}-${TAVELIN_RELEASE_ARCH}.zip)
set(TAVELIN_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(TAVELIN_RELEASE_FILES
  $<TARGET_FILE:tavelin> ${TAVELIN_DIST_DIR}/res.dll ${TAVELIN_DIST_DIR}/korvane.dll
  ${TAVELIN_DIST_DIR}/korvane2.dll ${TAVELIN_DIST_DIR}/gpl.txt ${TAVELIN_DIST_DIR}/readme.txt)
add_custom_target(tavelin_release ALL
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/package.py
          --folder ${TAVELIN_RELEASE_FOLDER} --zip ${TAVELIN_RELEASE_ZIP}
          --out ${TAVELIN_RELEASE_DIR} --source ${PROJECT_SOURCE_DIR} ${TAVELIN_RELEASE_FILES}
  BYPRODUCTS ${TAVELIN_RELEASE_DIR}/${TAVELIN_RELEASE_ZIP} ${TAVELIN_RELEASE_DIR}/SHA256SUMS
  COMMENT "Packing ${TAVELIN_RELEASE_ZIP} and SHA256SUMS"
  VERBATIM)
add_dependencies(tavelin_release tavelin tavelin_assets)

# The exe test reads the header checksum with imagehlp, independently of the marking tool.
target_link_libraries(tavelin_win_tests PRIVATE imagehlp)

# End to end: the zip unpacked into a fresh prefix and run; the sibling files free for another
# program while each window is up.
foreach(scenario zip siblings-closed)
  tavelin_e2e_test(e2e_release_${scenario} release.sh ${scenario})
  set_property(TEST e2e_release_${scenario} APPEND PROPERTY ENVIRONMENT
    TAVELIN_RELEASE_ZIP=${TAVELIN_RELEASE_DIR}/${TAVELIN_RELEASE_ZIP}
    TAVELIN_RELEASE_FOLDER=${TAVELIN_RELEASE_FOLDER})
endforeach()
