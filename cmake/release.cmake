# What users download: the release zip, its checksums and how it was built.

# build/<preset>/release/Tavelin-<version>-win64.zip with one folder Tavelin-<version>/ holding
# tavelin.exe and its sibling files (the list in assets/CMakeLists.txt), SHA256SUMS beside it
# (the zip and every file in it) and BUILDINFO (the commit, SOURCE_DATE_EPOCH and the toolchain's
# packages; not in SHA256SUMS, which lists what a user runs). Entries are dated
# SOURCE_DATE_EPOCH or else the commit's time; the step runs on every build (it is quick) so that
# a new commit's time is never missed. This release is unsigned and byte for byte reproducible;
# tools/release.sh signs a copy of it into release-signed/ beside it.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVELIN_RELEASE_ARCH win64)
else()
  set(TAVELIN_RELEASE_ARCH win32)
endif()
set(TAVELIN_RELEASE_FOLDER Tavelin-${PROJECT_VERSION})
set(TAVELIN_RELEASE_ZIP ${TAVELIN_RELEASE_FOLDER}-${TAVELIN_RELEASE_ARCH}.zip)
set(TAVELIN_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
list(TRANSFORM TAVELIN_SIBLING_FILES PREPEND ${TAVELIN_DIST_DIR}/ OUTPUT_VARIABLE sibling_paths)
set(TAVELIN_RELEASE_FILES $<TARGET_FILE:tavelin> ${sibling_paths})
# What chooses the compiler's target and runtime (Clang: the target and the MinGW root).
set(compiler_flags)
if(CMAKE_CXX_COMPILER_TARGET)
  list(APPEND compiler_flags --compiler-flag=--target=${CMAKE_CXX_COMPILER_TARGET})
endif()
if(CMAKE_SYSROOT)
  list(APPEND compiler_flags --compiler-flag=--sysroot=${CMAKE_SYSROOT})
endif()
add_custom_target(tavelin_release ALL
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/package.py
          --folder ${TAVELIN_RELEASE_FOLDER} --zip ${TAVELIN_RELEASE_ZIP}
          --out ${TAVELIN_RELEASE_DIR} --source ${PROJECT_SOURCE_DIR} ${TAVELIN_RELEASE_FILES}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/buildinfo.py
          --out ${TAVELIN_RELEASE_DIR}/BUILDINFO --source ${PROJECT_SOURCE_DIR}
          --zip ${TAVELIN_RELEASE_ZIP} --build-type ${CMAKE_BUILD_TYPE}
          --compiler ${CMAKE_CXX_COMPILER} ${compiler_flags} --host-compiler ${TAVELIN_HOST_CXX}
          --tool ${CMAKE_RC_COMPILER} --tool ${CMAKE_COMMAND} --tool ${CMAKE_MAKE_PROGRAM}
  BYPRODUCTS ${TAVELIN_RELEASE_DIR}/${TAVELIN_RELEASE_ZIP} ${TAVELIN_RELEASE_DIR}/SHA256SUMS
             ${TAVELIN_RELEASE_DIR}/BUILDINFO
  COMMENT "Packing ${TAVELIN_RELEASE_ZIP}, SHA256SUMS and BUILDINFO"
  VERBATIM)
add_dependencies(tavelin_release tavelin tavelin_assets)
