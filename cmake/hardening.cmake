# What Windows binary scanners check, as far as this toolchain (GCC 12, binutils 2.40, MinGW-w64
# 10) can give it. tests/win/exe_test.cpp reads tavelin.exe and fails when any of it is lost.
#
# - Every function with an array or an address-taken local checks a guard before it returns
#   (-fstack-protector-strong). The guard and its failure are our own (win/stack_guard.cpp):
#   libssp's would import advapi32.dll and end a smashed stack as a crash. The flag is also given
#   to the link, where it adds libssp as a fallback that our definitions leave unused.
# - ASLR with relocations, 64-bit (high-entropy) addresses and DEP: binutils' defaults for PE32+
#   today, written out so that a toolchain with other defaults cannot drop them. The base
#   relocation table is kept (ld keeps it for --dynamicbase, and -s strips symbols only).
# - No section both writable and executable, none shared and writable, no time stamp, a valid
#   checksum: what ld and the post-link step (tools/pe_swaprun.cpp) produce; the audit checks it.
#
# Not available here: Control Flow Guard (needs the compiler to emit the guard's checks and the
# linker a load configuration directory; GCC 12 does neither, it takes MSVC or LLVM's clang for
# MinGW), CET shadow-stack compatibility (ld 2.40 has no switch for the flag), a load
# configuration directory with the guard as security cookie (ld 2.40 does not set one from
# _load_config_used), and force-integrity (it would refuse to run every unsigned build).
if(WIN32 AND NOT TAVELIN_SANITIZE AND NOT TAVELIN_FUZZ)
  # Everything of the Windows build, tests included: the programs that test the layers are
  # built as the product is.
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
  add_link_options(-fstack-protector-strong
                   -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
endif()
