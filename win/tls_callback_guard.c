/* The image's TLS callbacks, made valid call targets for Control Flow Guard (the Clang build;
 * cmake/hardening.cmake).
 *
 * The loader calls each callback of the image's TLS directory at the process's start and end and
 * at every thread's, and where Windows enforces the guard it checks each against the image's
 * table of valid targets before the call. The runtime's callbacks (the C runtime's __dyn_tls_init
 * and __dyn_tls_dtor, winpthreads' __dyn_tls_pthread) are compiled by GCC without the guard, and
 * two of them are static: the assembler makes the list's reference to them one to the start of
 * their section, so the linker records the section, not the callback, and the check would end the
 * process before main. The list the loader walks (from after the runtime's empty first entry in
 * .CRT$XLA to the first null) therefore starts with one callback of ours, which is in the table,
 * and a null right after it ends the loader's walk; ours calls the rest of the list (.CRT$XLC up
 * to the runtime's closing null in .CRT$XLZ) in its order, without a check, as the loader would
 * have. The linker sorts the .CRT$ sections by name, so .CRT$XLB and .CRT$XLBZ come before every
 * callback of the runtime. tests/win/exe_test.cpp checks that every callback the loader calls is
 * in the table, and that the rest still run. */

#include <stdint.h>

typedef void(__stdcall* tls_callback)(void*, unsigned long, void*);

static void __stdcall run_the_rest(void* module, unsigned long reason, void* reserved);

/* The runtime's closing null (libmingw32's tlssup). Weak: a library linked without the runtime
 * has no TLS directory and no list, and then nothing to run. */
extern const tls_callback __xl_z __attribute__((weak));

__attribute__((section(".CRT$XLB"), used)) const tls_callback tavelin_tls_first = run_the_rest;
__attribute__((section(".CRT$XLBZ"), used)) const tls_callback tavelin_tls_end = 0;

/* No check: what it calls is the runtime's, which the loader called the same way before. */
__attribute__((guard(nocf))) static void __stdcall run_the_rest(void* module, unsigned long reason, void* reserved) {
    /* Addresses as integers: the entries lie in one section of the image but in no one array. */
    const uintptr_t end = (uintptr_t)&__xl_z;
    for (uintptr_t at = (uintptr_t)&tavelin_tls_end + sizeof(tls_callback); at < end; at += sizeof(tls_callback)) {
        const tls_callback callback = *(const tls_callback volatile*)at;
        if (callback) callback(module, reason, reserved);
    }
}
