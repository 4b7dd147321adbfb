// A disk that fills up, for the tests, without mount privileges: preloaded (LD_PRELOAD)
// into a test process, this library stands between the program and the C library's
// write, pwrite, writev, pwritev, fsync and fdatasync. The test names a folder and the
// bytes still free in it; writes into files of that folder then take what is left and
// fail with ENOSPC once nothing is, as on a full filesystem, the last one short, and fsync
// can be made to fail with EIO. Everything else passes through untouched.
//
// Only plain C library calls are used here: the hooks run inside every write of the
// process, the sanitizers' and the test framework's included.

#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr long long kUnlimited = -1;

char g_folder[PATH_MAX] = "";  // with a trailing slash; empty: no folder is full
std::atomic<long long> g_free{kUnlimited};
std::atomic<bool> g_sync_fails{false};

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool InFullFolder(int fd) {
    if (g_folder[0] == '\0') {
        return false;
    }
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[PATH_MAX];
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0) {
        return false;
    }
    path[length] = '\0';
    return std::strncmp(path, g_folder, std::strlen(g_folder)) == 0;
}

// How many of `wanted` bytes the disk takes; 0 with errno ENOSPC when none.
size_t Take(int fd, size_t wanted) {
    if (wanted == 0 || !InFullFolder(fd)) {
        return wanted;
    }
    long long left = g_free.load();
    while (true) {
        if (left == kUnlimited) {
            return wanted;
        }
        const long long taken = left < static_cast<long long>(wanted) ? left : wanted;
        if (g_free.compare_exchange_weak(left, left - taken)) {
            if (taken == 0) {
                errno = ENOSPC;
            }
            return static_cast<size_t>(taken);
        }
    }
}

// The first `bytes` of an I/O vector, in `out`; returns the number of entries.
int Truncate(const iovec* iov, int count, size_t bytes, iovec* out) {
    int n = 0;
    for (int i = 0; i < count && bytes > 0; ++i) {
        out[n] = iov[i];
        if (out[n].iov_len > bytes) {
            out[n].iov_len = bytes;
        }
        bytes -= out[n].iov_len;
        ++n;
    }
    return n;
}

size_t Total(const iovec* iov, int count) {
    size_t total = 0;
    for (int i = 0; i < count; ++i) {
        total += iov[i].iov_len;
    }
    return total;
}

}  // namespace

extern "C" {

// The test's side: `folder` (absolute, without symbolic links) has `free_bytes` free from
// now on, a negative count for no limit; `sync_fails` makes its files' syncs fail.
void kelmor_full_disk_set(const char* folder, long long free_bytes, int sync_fails) {
    std::snprintf(g_folder, sizeof g_folder, "%s/", folder);
    g_free.store(free_bytes < 0 ? kUnlimited : free_bytes);
    g_sync_fails.store(sync_fails != 0);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    const size_t taken = Take(fd, count);
    return count > 0 && taken == 0 ? -1 : next(fd, buffer, taken);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    static const auto next = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    const size_t taken = Take(fd, count);
    return count > 0 && taken == 0 ? -1 : next(fd, buffer, taken, offset);
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset) {
    static const auto next = Next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    const size_t taken = Take(fd, count);
    return count > 0 && taken == 0 ? -1 : next(fd, buffer, taken, offset);
}

ssize_t writev(int fd, const iovec* iov, int count) {
    static const auto next = Next<ssize_t (*)(int, const iovec*, int)>("writev");
    const size_t wanted = Total(iov, count);
    const size_t taken = Take(fd, wanted);
    if (taken == wanted) {
        return next(fd, iov, count);
    }
    if (taken == 0) {
        return -1;
    }
    iovec part[IOV_MAX];
    return next(fd, part, Truncate(iov, count < IOV_MAX ? count : IOV_MAX, taken, part));
}

ssize_t pwritev(int fd, const iovec* iov, int count, off_t offset) {
    static const auto next = Next<ssize_t (*)(int, const iovec*, int, off_t)>("pwritev");
    const size_t wanted = Total(iov, count);
    const size_t taken = Take(fd, wanted);
    if (taken == wanted) {
        return next(fd, iov, count, offset);
    }
    if (taken == 0) {
        return -1;
    }
    iovec part[IOV_MAX];
    return next(fd, part, Truncate(iov, count < IOV_MAX ? count : IOV_MAX, taken, part), offset);
}

int fsync(int fd) {
    static const auto next = Next<int (*)(int)>("fsync");
    if (g_sync_fails.load() && InFullFolder(fd)) {
        errno = EIO;
        return -1;
    }
    return next(fd);
}

int fdatasync(int fd) {
    static const auto next = Next<int (*)(int)>("fdatasync");
    if (g_sync_fails.load() && InFullFolder(fd)) {
        errno = EIO;
        return -1;
    }
    return next(fd);
}

}  // extern "C"
