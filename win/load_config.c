/* The image's load configuration and Control Flow Guard's two function pointers, which MinGW-w64
 * 10's runtime does not supply (cmake/hardening.cmake; docs/WINDOWS.md).
 *
 * The loader finds _load_config_used through the header's load configuration directory, which
 * LLD points at it and sizes from its first field. Where Windows enforces Control Flow Guard, it
 * reads the guard fields, writes its own check and dispatch routines into the two pointers and
 * marks the functions of the table as the only valid indirect call targets in the image. Where it
 * does not (older Windows, Wine, the guard switched off), the pointers keep what is written here:
 * a check that lets everything pass and a dispatch that jumps to the target, so the program runs
 * as it would uninstrumented. The guard fields name symbols that LLD defines from the objects'
 * tables (__guard_fids_table and the rest); the audit in tests/win/exe_test.cpp reads them back
 * from tavelin.exe. Built for the Clang build only (the GCC build has no guard to describe). */

#include <stddef.h>
#include <stdint.h>

/* IMAGE_LOAD_CONFIG_DIRECTORY64 as current Windows SDKs define it (MinGW-w64 10's winnt.h stops
 * at SEHandlerCount, before the guard fields): 0x140 bytes, the size Microsoft's linker writes
 * today. The loader reads the fields its own version knows that the size covers; Windows 10 1809
 * and later know all up to GuardEHContinuationCount, older ones fewer, newer ones no more. */
struct load_config64 {
    uint32_t Size;
    uint32_t TimeDateStamp;
    uint16_t MajorVersion;
    uint16_t MinorVersion;
    uint32_t GlobalFlagsClear;
    uint32_t GlobalFlagsSet;
    uint32_t CriticalSectionDefaultTimeout;
    uint64_t DeCommitFreeBlockThreshold;
    uint64_t DeCommitTotalFreeThreshold;
    uint64_t LockPrefixTable;
    uint64_t MaximumAllocationSize;
    uint64_t VirtualMemoryThreshold;
    uint64_t ProcessAffinityMask;
    uint32_t ProcessHeapFlags;
    uint16_t CSDVersion;
    uint16_t DependentLoadFlags;
    uint64_t EditList;
    uint64_t SecurityCookie;
    uint64_t SEHandlerTable;
    uint64_t SEHandlerCount;
    uint64_t GuardCFCheckFunctionPointer;
    uint64_t GuardCFDispatchFunctionPointer;
    uint64_t GuardCFFunctionTable;
    uint64_t GuardCFFunctionCount;
    /* GuardFlags and the first half of CodeIntegrity share one 64-bit word here: LLD gives the
     * flags as an absolute symbol, whose value only a full-width relocation can carry (the
     * flags fit in the low 32 bits, little-endian GuardFlags; the rest is zero). */
    union {
        struct {
            uint32_t GuardFlags;
            uint16_t CodeIntegrityFlags;
            uint16_t CodeIntegrityCatalog;
        };
        uint64_t GuardFlagsWord;
    };
    uint32_t CodeIntegrityCatalogOffset;
    uint32_t CodeIntegrityReserved;
    uint64_t GuardAddressTakenIatEntryTable;
    uint64_t GuardAddressTakenIatEntryCount;
    uint64_t GuardLongJumpTargetTable;
    uint64_t GuardLongJumpTargetCount;
    uint64_t DynamicValueRelocTable;
    uint64_t CHPEMetadataPointer;
    uint64_t GuardRFFailureRoutine;
    uint64_t GuardRFFailureRoutineFunctionPointer;
    uint32_t DynamicValueRelocTableOffset;
    uint16_t DynamicValueRelocTableSection;
    uint16_t Reserved2;
    uint64_t GuardRFVerifyStackPointerFunctionPointer;
    uint32_t HotPatchTableOffset;
    uint32_t Reserved3;
    uint64_t EnclaveConfigurationPointer;
    uint64_t VolatileMetadataPointer;
    uint64_t GuardEHContinuationTable;
    uint64_t GuardEHContinuationCount;
    uint64_t GuardXFGCheckFunctionPointer;
    uint64_t GuardXFGDispatchFunctionPointer;
    uint64_t GuardXFGTableDispatchFunctionPointer;
    uint64_t CastGuardOsDeterminedFailureMode;
    uint64_t GuardMemcpyFunctionPointer;
};
_Static_assert(offsetof(struct load_config64, SecurityCookie) == 0x58, "layout");
_Static_assert(offsetof(struct load_config64, GuardCFCheckFunctionPointer) == 0x70, "layout");
_Static_assert(offsetof(struct load_config64, GuardFlags) == 0x90, "layout");
_Static_assert(offsetof(struct load_config64, GuardAddressTakenIatEntryTable) == 0xA0, "layout");
_Static_assert(offsetof(struct load_config64, GuardEHContinuationCount) == 0x110, "layout");
_Static_assert(sizeof(struct load_config64) == 0x140, "layout");

/* Until the loader replaces them: the check passes every target (it is called with the target in
 * rcx and must keep every argument register), and the dispatch jumps to the target, which the
 * instrumented call site passes in rax. The dispatch is declared as data so that taking its
 * address does not make the bare jump a valid call target of its own. */
static void pass_every_target(void) {}
__asm__(".text\n"
        ".p2align 4\n"
        "tavelin_guard_dispatch_unchecked:\n"
        "    jmp *%rax\n");
extern char tavelin_guard_dispatch_unchecked[];

/* Read-only, in a section of their own as Microsoft's runtime keeps them: only the loader, which
 * unprotects the page for the purpose, ever writes them; a program bug cannot. */
__asm__(".section .00cfg,\"dr\"");
__attribute__((section(".00cfg"), used)) void* const volatile __guard_check_icall_fptr =
    (void*)&pass_every_target;
__attribute__((section(".00cfg"), used)) void* const volatile __guard_dispatch_icall_fptr =
    tavelin_guard_dispatch_unchecked;

/* Defined by LLD: the tables' addresses, and counts and flags as absolute values. */
extern char __guard_fids_table[], __guard_fids_count[], __guard_flags[];
extern char __guard_iat_table[], __guard_iat_count[];
extern char __guard_longjmp_table[], __guard_longjmp_count[];
extern char __guard_eh_cont_table[], __guard_eh_cont_count[];

__attribute__((used)) const struct load_config64 _load_config_used = {
    .Size = sizeof(struct load_config64),
    .GuardCFCheckFunctionPointer = (uint64_t)&__guard_check_icall_fptr,
    .GuardCFDispatchFunctionPointer = (uint64_t)&__guard_dispatch_icall_fptr,
    .GuardCFFunctionTable = (uint64_t)__guard_fids_table,
    .GuardCFFunctionCount = (uint64_t)__guard_fids_count,
    .GuardFlagsWord = (uint64_t)__guard_flags,
    .GuardAddressTakenIatEntryTable = (uint64_t)__guard_iat_table,
    .GuardAddressTakenIatEntryCount = (uint64_t)__guard_iat_count,
    .GuardLongJumpTargetTable = (uint64_t)__guard_longjmp_table,
    .GuardLongJumpTargetCount = (uint64_t)__guard_longjmp_count,
    .GuardEHContinuationTable = (uint64_t)__guard_eh_cont_table,
    .GuardEHContinuationCount = (uint64_t)__guard_eh_cont_count,
};
