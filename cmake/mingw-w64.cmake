# Cross-compiles for 64-bit Windows with Clang and LLD (Debian's clang-22 and lld-22) on the
# MinGW-w64 headers and runtime and GCC's POSIX-thread libstdc++, all linked statically. Clang
# instruments the program for Control Flow Guard, which GCC cannot (cmake/hardening.cmake);
# cmake/mingw-w64-gcc.cmake builds the same tree with GCC (the windows-gcc preset).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(TAVELIN_LLVM_BIN /usr/lib/llvm-22/bin)
set(CMAKE_C_COMPILER ${TAVELIN_LLVM_BIN}/clang)
set(CMAKE_CXX_COMPILER ${TAVELIN_LLVM_BIN}/clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR ${TAVELIN_LLVM_BIN}/llvm-ar)
set(CMAKE_RANLIB ${TAVELIN_LLVM_BIN}/llvm-ranlib)

# Debian installs GCC's MinGW runtime twice, for the win32 and the POSIX thread model
# (lib/gcc/x86_64-w64-mingw32/12-win32 and 12-posix), and Clang's MinGW driver takes the one
# whose name sorts last: win32. A root of its own holding only the POSIX one (and the MinGW-w64
# headers and libraries) makes the driver choose libstdc++, libgcc and crtbegin/crtend exactly
# as x86_64-w64-mingw32-g++-posix does, with its include order and link line.
set(TAVELIN_MINGW_ROOT ${CMAKE_BINARY_DIR}/mingw-posix-root)
file(GLOB TAVELIN_GCC_POSIX LIST_DIRECTORIES true /usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix)
list(LENGTH TAVELIN_GCC_POSIX found)
if(NOT found EQUAL 1)
  message(FATAL_ERROR "expected one MinGW GCC of the POSIX thread model, found: ${TAVELIN_GCC_POSIX}")
endif()
get_filename_component(gcc_version ${TAVELIN_GCC_POSIX} NAME)
file(MAKE_DIRECTORY ${TAVELIN_MINGW_ROOT}/lib/gcc/${TOOLCHAIN_PREFIX})
file(CREATE_LINK ${TAVELIN_GCC_POSIX} ${TAVELIN_MINGW_ROOT}/lib/gcc/${TOOLCHAIN_PREFIX}/${gcc_version} SYMBOLIC)
file(CREATE_LINK /usr/${TOOLCHAIN_PREFIX} ${TAVELIN_MINGW_ROOT}/${TOOLCHAIN_PREFIX} SYMBOLIC)
set(CMAKE_SYSROOT ${TAVELIN_MINGW_ROOT})

# LLD, and the POSIX thread model's winpthreads in every link (g++-posix adds it itself).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -static -pthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-fuse-ld=lld")

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run under Wine; the wrapper expects the environment that tests/wine/with-wine sets up.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run-exe)
