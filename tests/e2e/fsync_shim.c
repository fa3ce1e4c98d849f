/* Makes flushes of one file fail or stall, below Wine, for the end-to-end tests.
 *
 * Preloaded into a Wine process (LD_PRELOAD). It acts only on descriptors whose /proc/self/fd
 * target contains TAVELIN_SHIM_PATH:
 *   TAVELIN_SHIM_FAIL_AT=k   the k-th and later fsync/fdatasync calls fail
 *   TAVELIN_SHIM_ERRNO=n     with this errno (default EIO)
 *   TAVELIN_SHIM_SLEEP_MS=m  the first call sleeps m milliseconds, then succeeds
 * Every call on a matching descriptor is appended to TAVELIN_SHIM_LOG, if set. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int calls;

static int matches(int fd) {
    const char *want = getenv("TAVELIN_SHIM_PATH");
    char link[64], target[4096];
    ssize_t n;
    if (!want || !*want) return 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    n = readlink(link, target, sizeof target - 1);
    if (n < 0) return 0;
    target[n] = '\0';
    return strstr(target, want) != NULL;
}

static void note(const char *what, int result) {
    const char *log = getenv("TAVELIN_SHIM_LOG");
    FILE *f;
    if (!log || !(f = fopen(log, "a"))) return;
    fprintf(f, "%s %d %s\n", what, calls, result == 0 ? "ok" : "failed");
    fclose(f);
}

/* Returns -1 with errno set when this call must fail, 0 when it goes through. */
static int intercept(int fd, const char *what) {
    const char *fail_at = getenv("TAVELIN_SHIM_FAIL_AT");
    const char *sleep_ms = getenv("TAVELIN_SHIM_SLEEP_MS");
    if (!matches(fd)) return 0;
    ++calls;
    if (sleep_ms && calls == 1) {
        long ms = atol(sleep_ms);
        struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&ts, NULL);
    }
    if (fail_at && calls >= atoi(fail_at)) {
        const char *e = getenv("TAVELIN_SHIM_ERRNO");
        note(what, -1);
        errno = e ? atoi(e) : EIO;
        return -1;
    }
    note(what, 0);
    return 0;
}

int fsync(int fd) {
    static int (*real)(int);
    if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    if (intercept(fd, "fsync") < 0) return -1;
    return real(fd);
}

int fdatasync(int fd) {
    static int (*real)(int);
    if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    if (intercept(fd, "fdatasync") < 0) return -1;
    return real(fd);
}
