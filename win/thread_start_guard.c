/* Threads that the statically linked winpthreads starts (every std::thread), made valid call
 * targets for Control Flow Guard (the Clang build; cmake/hardening.cmake).
 *
 * winpthreads starts a thread with msvcrt's _beginthreadex, handing it its own static start
 * routine; msvcrt, compiled with the guard, checks that routine before it calls it. winpthreads
 * is compiled by GCC without the guard, and the assembler makes its reference to the static
 * routine one to the start of its section, so the linker records the section and not the routine
 * in the image's table of valid targets: on a Windows that enforces the guard the new thread
 * would end the process at once. The link therefore sends winpthreads' calls of _beginthreadex
 * here (--wrap=_beginthreadex), and the thread starts at a routine of ours, which is in the table,
 * and which calls winpthreads' routine without a check, as winpthreads' own code would.
 * tests/win/exe_test.cpp checks that the routine msvcrt runs is in the table. */

#include <windows.h>
#include <process.h>
#include <stdlib.h>

typedef unsigned(__stdcall* thread_routine)(void*);
typedef uintptr_t(__cdecl* begin_thread)(void*, unsigned, thread_routine, void*, unsigned, unsigned*);

struct thread_start {
    thread_routine routine;
    void* argument;
};

/* No check: the routine is winpthreads' own, and what it runs it reaches without one too. */
__attribute__((guard(nocf))) static unsigned __stdcall tavelin_thread_start(void* start) {
    const struct thread_start begin = *(struct thread_start*)start;
    free(start);
    return begin.routine(begin.argument);
}

uintptr_t __cdecl __wrap__beginthreadex(void* security, unsigned stack, thread_routine routine, void* argument,
                                        unsigned flags, unsigned* id) {
    static begin_thread begin;
    if (!begin) {
        /* msvcrt.dll is a static import of every program here, so it is loaded. */
        begin = (begin_thread)(void*)GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "_beginthreadex");
        if (!begin) return 0;
    }
    struct thread_start* start = malloc(sizeof *start);
    if (!start) return 0;
    start->routine = routine;
    start->argument = argument;
    const uintptr_t thread = begin(security, stack, tavelin_thread_start, start, flags, id);
    if (!thread) free(start);
    return thread;
}

/* The import's name for the wrapper: winpthreads calls _beginthreadex as a DLL import. */
void* const __imp___wrap__beginthreadex = (void*)&__wrap__beginthreadex;
