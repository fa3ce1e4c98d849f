# What Windows binary scanners (BinSkim) check. tests/win/exe_test.cpp reads tavelin.exe and
# fails when any of it is lost; docs/WINDOWS.md says what each one means on Windows.
#
# - Every function with an array or an address-taken local checks a guard before it returns
#   (-fstack-protector-strong). The guard and its failure are our own (win/stack_guard.cpp):
#   libssp's would import advapi32.dll and end a smashed stack as a crash. The flag is also given
#   to the link, where it adds libssp as a fallback that our definitions leave unused.
# - ASLR with relocations, 64-bit (high-entropy) addresses and DEP, written out so that a
#   toolchain with other defaults cannot drop them. The base relocation table is kept (-s strips
#   symbols only).
# - No section both writable and executable, none shared and writable, no time stamp, a valid
#   checksum: what the linker and the post-link step (tools/pe_swaprun.cpp) produce.
# - Control Flow Guard (Clang only): -mguard=cf makes Clang check the target of every indirect
#   call through __guard_dispatch_icall_fptr and record the functions whose address is taken;
#   LLD (--guard-cf, which the driver passes) writes their table into the load configuration
#   that win/load_config.c supplies (MinGW-w64 10 has none) and sets the header's GUARD_CF bit.
# - CET shadow-stack compatibility (Clang/LLD only): LLD's -cetcompat, an extended DLL
#   characteristics entry in the debug directory.
#
# GCC 12 and binutils 2.40 (the windows-gcc preset) give neither of the last two. Not given by
# either: force-integrity (it would refuse to run every unsigned build) and the load
# configuration's security cookie (the stack protector's guard is seeded by the program itself).
if(WIN32 AND NOT TAVELIN_SANITIZE AND NOT TAVELIN_FUZZ)
  # Everything of the Windows build, tests included: the programs that test the layers are
  # built as the product is.
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
  add_link_options(-fstack-protector-strong
                   -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(TAVELIN_GUARD_CF ON)
    add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-mguard=cf>)
    add_link_options(-mguard=cf -Wl,--Xlink=-cetcompat)
  else()
    set(TAVELIN_GUARD_CF OFF)
  endif()
endif()

# With Control Flow Guard, every Windows program of the build (the product, its tests and tools)
# carries the load configuration that describes its guard (win/load_config.c). The linker looks
# for it by name and takes it from a library only when asked to.
if(TAVELIN_GUARD_CF)
  # And every thread that winpthreads starts begins at a routine the guard's table holds
  # (win/thread_start_guard.c), as does the list of TLS callbacks the loader walks
  # (win/tls_callback_guard.c).
  add_library(tavelin_load_config STATIC ${PROJECT_SOURCE_DIR}/win/load_config.c
                                         ${PROJECT_SOURCE_DIR}/win/thread_start_guard.c
                                         ${PROJECT_SOURCE_DIR}/win/tls_callback_guard.c)
  target_compile_options(tavelin_load_config PRIVATE -Wall -Wextra -Werror)
  add_link_options(-Wl,--undefined=_load_config_used -Wl,--undefined=tavelin_tls_first
                   -Wl,--wrap=_beginthreadex)
  link_libraries(tavelin_load_config)
endif()
