# What users download: the release zip and its checksums.

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
