/* Moves the wall clock of the process it is preloaded into by a fixed number
 * of seconds, taken from VELLUMO_FAKE_CLOCK_OFFSET (a signed decimal). The
 * wall-clock reads (clock_gettime on the real-time clocks, gettimeofday and
 * time, with their 64-bit-time entry points of 32-bit glibc) get the offset;
 * monotonic clocks are left alone, so timers and waits behave normally.
 * Children inherit the variable and with it the same offset, so a program
 * that restarts itself keeps living in the same shifted time.
 *
 * Build for i386: gcc -m32 -shared -fPIC -O2 fake_clock.c -o fake_clock.so -ldl
 * Use: LD_PRELOAD=/path/fake_clock.so VELLUMO_FAKE_CLOCK_OFFSET=3600 wine ... */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>

struct timespec64 {
    int64_t tv_sec;
    int32_t tv_nsec;
    int32_t pad;
};
struct timeval64 {
    int64_t tv_sec;
    int64_t tv_usec;
};

static int64_t offset_seconds(void) {
    static int known;
    static int64_t offset;
    if (!known) {
        const char *text = getenv("VELLUMO_FAKE_CLOCK_OFFSET");
        offset = text ? strtoll(text, NULL, 10) : 0;
        known = 1;
    }
    return offset;
}

static int is_wall_clock(clockid_t id) {
    return id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE || id == 8 /* REALTIME_ALARM */ ||
           id == 11 /* TAI */;
}

int clock_gettime(clockid_t id, struct timespec *ts) {
    static int (*real)(clockid_t, struct timespec *);
    if (!real) real = (int (*)(clockid_t, struct timespec *))dlsym(RTLD_NEXT, "clock_gettime");
    int rc = real(id, ts);
    if (rc == 0 && is_wall_clock(id)) ts->tv_sec += (time_t)offset_seconds();
    return rc;
}

int __clock_gettime64(clockid_t id, struct timespec64 *ts) {
    static int (*real)(clockid_t, struct timespec64 *);
    if (!real) real = (int (*)(clockid_t, struct timespec64 *))dlsym(RTLD_NEXT, "__clock_gettime64");
    int rc = real(id, ts);
    if (rc == 0 && ts && is_wall_clock(id)) ts->tv_sec += offset_seconds();
    return rc;
}

int gettimeofday(struct timeval *tv, void *tz) {
    static int (*real)(struct timeval *, void *);
    if (!real) real = (int (*)(struct timeval *, void *))dlsym(RTLD_NEXT, "gettimeofday");
    int rc = real(tv, tz);
    if (rc == 0) tv->tv_sec += (time_t)offset_seconds();
    return rc;
}

int __gettimeofday64(struct timeval64 *tv, void *tz) {
    static int (*real)(struct timeval64 *, void *);
    if (!real) real = (int (*)(struct timeval64 *, void *))dlsym(RTLD_NEXT, "__gettimeofday64");
    int rc = real(tv, tz);
    if (rc == 0 && tv) tv->tv_sec += offset_seconds();
    return rc;
}

time_t time(time_t *out) {
    struct timespec ts;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return (time_t)-1;
    if (out) *out = ts.tv_sec;
    return ts.tv_sec;
}

int64_t __time64(int64_t *out) {
    struct timespec64 ts;
    if (__clock_gettime64(CLOCK_REALTIME, &ts) != 0) return -1;
    if (out) *out = ts.tv_sec;
    return ts.tv_sec;
}
