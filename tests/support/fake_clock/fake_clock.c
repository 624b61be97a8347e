/* Moves the wall clock of the process it is preloaded into by a number of
 * seconds: VELLUMO_FAKE_CLOCK_OFFSET (a signed decimal) plus, when
 * VELLUMO_FAKE_CLOCK_FILE names a file, the signed decimal in that file. Each
 * thread reads the file again at most every 100 ms, so a test can move a
 * running copy's clock forward (for instance from a safe lead before midnight
 * to just before it, once the copy is ready). The wall-clock reads (clock_gettime on
 * the real-time clocks, gettimeofday and time, with their 64-bit-time entry
 * points of 32-bit glibc) get the offset; monotonic clocks are left alone, so
 * timers and waits behave normally. Children inherit the variables and with
 * them the same time, so a program that restarts itself keeps living in it.
 *
 * Build for i386: gcc -m32 -shared -fPIC -O2 fake_clock.c -o fake_clock.so -ldl
 * Use: LD_PRELOAD=/path/fake_clock.so VELLUMO_FAKE_CLOCK_OFFSET=3600 wine ... */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

struct timespec64 {
    int64_t tv_sec;
    int32_t tv_nsec;
    int32_t pad;
};
struct timeval64 {
    int64_t tv_sec;
    int64_t tv_usec;
};

static int (*real_clock_gettime)(clockid_t, struct timespec *);

static void find_real_clock(void) {
    if (!real_clock_gettime)
        real_clock_gettime = (int (*)(clockid_t, struct timespec *))dlsym(RTLD_NEXT, "clock_gettime");
}

static int64_t fixed_offset(void) {
    static int known;
    static int64_t offset;
    if (!known) {
        const char *text = getenv("VELLUMO_FAKE_CLOCK_OFFSET");
        offset = text ? strtoll(text, NULL, 10) : 0;
        known = 1;
    }
    return offset;
}

/* The file's seconds, read again when 100 ms have passed since this thread
 * last read it. Each thread keeps its own reading: a thread woken just after
 * the file changed must see the change, not the value another thread is
 * still in the middle of replacing. No locks and no allocation: Wine reads
 * the clock anywhere, signal handlers included. A reading that finds the
 * file being rewritten (empty) keeps the value from before. */
static int64_t file_offset(void) {
    static const char *path;
    static int path_known;
    static __thread int64_t cached __attribute__((tls_model("initial-exec")));
    static __thread int64_t read_at __attribute__((tls_model("initial-exec"))) = -1;
    if (!__atomic_load_n(&path_known, __ATOMIC_ACQUIRE)) {
        path = getenv("VELLUMO_FAKE_CLOCK_FILE");
        __atomic_store_n(&path_known, 1, __ATOMIC_RELEASE);
    }
    find_real_clock();
    if (!path || !real_clock_gettime) return 0;
    struct timespec mono;
    if (real_clock_gettime(CLOCK_MONOTONIC, &mono) != 0) return cached;
    const int64_t now = (int64_t)mono.tv_sec * 1000 + mono.tv_nsec / 1000000;
    if (read_at < 0 || now - read_at >= 100) {
        read_at = now;
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            char text[32];
            const ssize_t n = read(fd, text, sizeof text - 1);
            close(fd);
            if (n > 0) {
                text[n] = '\0';
                cached = strtoll(text, NULL, 10);
            }
        }
    }
    return cached;
}

static int64_t offset_seconds(void) { return fixed_offset() + file_offset(); }

static int is_wall_clock(clockid_t id) {
    return id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE || id == 8 /* REALTIME_ALARM */ ||
           id == 11 /* TAI */;
}

int clock_gettime(clockid_t id, struct timespec *ts) {
    find_real_clock();
    int rc = real_clock_gettime(id, ts);
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
