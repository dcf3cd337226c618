/* powercut: a FUSE file system for tests that forgets, on command, what was
 * not flushed, as a disk does when the power fails.
 *
 *   powercut [--torn SEED] [--log FILE] BACKING MOUNTPOINT [FUSE options]
 *
 * Every operation goes through to the folder BACKING. Before a file is first
 * changed after its last fsync (or after the last "sync" command), its
 * contents are kept in memory. Writing to the file .powercut in the top
 * folder gives a command:
 *   cut   the power fails: every file changed since its last fsync gets its
 *         kept contents back; with --torn it keeps instead a random prefix of
 *         what was written since (a torn write), drawn from SEED;
 *   sync  everything written so far counts as flushed (the system wrote its
 *         cache out);
 *   fail  every fsync fails (EIO) until the next "sync".
 * Creating, removing and renaming files survive a cut. With --log each fsync
 * and each cut file is logged as a line ("fsync PATH", "cut PATH SIZE").
 * The kernel caches neither data nor attributes, so what a cut leaves is
 * what the next reader sees. */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#define CONTROL "/.powercut"

/* A file changed since its last fsync: its flushed contents, and the lowest
 * offset written or cut since. */
struct kept {
    char* path;
    char* data;
    size_t size, low;
    struct kept* next;
};

static int backing = -1;
static int torn = 0;
static int failing = 0;
static unsigned seed = 1;
static FILE* logfile = NULL;
static struct kept* changed = NULL;

static const char* rel(const char* path) { return path[1] != '\0' ? path + 1 : "."; }

static void note(const char* what, const char* path, long long size) {
    if (logfile == NULL) return;
    if (size >= 0)
        fprintf(logfile, "%s %s %lld\n", what, path, size);
    else
        fprintf(logfile, "%s %s\n", what, path);
    fflush(logfile);
}

static struct kept** find(const char* path) {
    struct kept** k = &changed;
    while (*k != NULL && strcmp((*k)->path, path) != 0) k = &(*k)->next;
    return k;
}

static void forget(const char* path) {
    struct kept** k = find(path);
    if (*k == NULL) return;
    struct kept* gone = *k;
    *k = gone->next;
    free(gone->path);
    free(gone->data);
    free(gone);
}

/* Keeps the flushed contents of path before a change at offset low. */
static int keep(const char* path, size_t low) {
    if (strcmp(path, CONTROL) == 0) return 0;
    struct kept* k = *find(path);
    if (k == NULL) {
        k = calloc(1, sizeof *k);
        if (k == NULL || (k->path = strdup(path)) == NULL) {
            free(k);
            return -ENOMEM;
        }
        k->low = (size_t)-1;
        int fd = openat(backing, rel(path), O_RDONLY);
        struct stat st;
        if (fd >= 0 && fstat(fd, &st) == 0 && st.st_size > 0) {
            k->data = malloc((size_t)st.st_size);
            ssize_t got = k->data ? pread(fd, k->data, (size_t)st.st_size, 0) : -1;
            k->size = got > 0 ? (size_t)got : 0;
        }
        if (fd >= 0) close(fd);
        k->next = changed;
        changed = k;
    }
    if (low < k->low) k->low = low;
    return 0;
}

/* The power fails: each changed file gets its flushed contents back, or
 * with --torn that and a random part of what was written after them. */
static void cut(void) {
    while (changed != NULL) {
        struct kept* k = changed;
        int fd = openat(backing, rel(k->path), O_RDWR);
        struct stat st;
        if (fd >= 0 && fstat(fd, &st) == 0) {
            size_t now = (size_t)st.st_size;
            if (torn && now > k->low) {
                size_t size = k->low + (size_t)rand_r(&seed) % (now - k->low + 1);
                if (ftruncate(fd, (off_t)size) == 0) note("cut", k->path, (long long)size);
            } else if (pwrite(fd, k->data, k->size, 0) == (ssize_t)k->size &&
                       ftruncate(fd, (off_t)k->size) == 0) {
                note("cut", k->path, (long long)k->size);
            }
        }
        if (fd >= 0) close(fd);
        forget(k->path);
    }
}

static void command(const char* text, size_t size) {
    if (size >= 3 && strncmp(text, "cut", 3) == 0) {
        cut();
    } else if (size >= 4 && strncmp(text, "sync", 4) == 0) {
        while (changed != NULL) forget(changed->path);
        failing = 0;
    } else if (size >= 4 && strncmp(text, "fail", 4) == 0) {
        failing = 1;
    }
}

static int fail(int result) { return result < 0 ? -errno : result; }

static void* pc_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->use_ino = 1;
    cfg->direct_io = 1;
    cfg->entry_timeout = cfg->attr_timeout = cfg->negative_timeout = 0;
    return NULL;
}

static int pc_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    if (fi != NULL) return fail(fstat((int)fi->fh, st));
    return fail(fstatat(backing, rel(path), st, AT_SYMLINK_NOFOLLOW));
}

static int pc_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)offset, (void)fi, (void)flags;
    int fd = openat(backing, rel(path), O_RDONLY | O_DIRECTORY);
    DIR* dir = fd >= 0 ? fdopendir(fd) : NULL;
    if (dir == NULL) {
        int error = errno;
        if (fd >= 0) close(fd);
        return -error;
    }
    for (struct dirent* e; (e = readdir(dir)) != NULL;) fill(buf, e->d_name, NULL, 0, 0);
    closedir(dir);
    return 0;
}

static int pc_mkdir(const char* path, mode_t mode) {
    return fail(mkdirat(backing, rel(path), mode));
}
static int pc_rmdir(const char* path) { return fail(unlinkat(backing, rel(path), AT_REMOVEDIR)); }

static int pc_unlink(const char* path) {
    int result = fail(unlinkat(backing, rel(path), 0));
    if (result == 0) forget(path);
    return result;
}

static int pc_rename(const char* from, const char* to, unsigned int flags) {
    if (flags != 0) return -EINVAL;
    int result = fail(renameat(backing, rel(from), backing, rel(to)));
    if (result == 0) {
        forget(to);
        struct kept* k = *find(from);
        if (k != NULL) {
            char* name = strdup(to);
            if (name == NULL) return -ENOMEM;
            free(k->path);
            k->path = name;
        }
    }
    return result;
}

static int pc_open_with(const char* path, int flags, mode_t mode, struct fuse_file_info* fi) {
    if ((flags & O_TRUNC) != 0) {
        int result = keep(path, 0);
        if (result != 0) return result;
    }
    int fd = openat(backing, rel(path), flags, mode);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int pc_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
    return pc_open_with(path, fi->flags | O_CREAT, mode, fi);
}

static int pc_open(const char* path, struct fuse_file_info* fi) {
    return pc_open_with(path, fi->flags, 0, fi);
}

static int pc_read(const char* path, char* buf, size_t size, off_t offset,
                   struct fuse_file_info* fi) {
    (void)path;
    return fail((int)pread((int)fi->fh, buf, size, offset));
}

static int pc_write(const char* path, const char* buf, size_t size, off_t offset,
                    struct fuse_file_info* fi) {
    if (strcmp(path, CONTROL) == 0) {
        command(buf, size);
        return (int)size;
    }
    int result = keep(path, (size_t)offset);
    if (result != 0) return result;
    return fail((int)pwrite((int)fi->fh, buf, size, offset));
}

static int pc_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    int result = keep(path, (size_t)size);
    if (result != 0) return result;
    if (fi != NULL) return fail(ftruncate((int)fi->fh, size));
    int fd = openat(backing, rel(path), O_WRONLY);
    if (fd < 0) return -errno;
    result = fail(ftruncate(fd, size));
    close(fd);
    return result;
}

static int pc_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
    if (failing) return -EIO;
    int result = fail(datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
    if (result == 0) {
        forget(path);
        note("fsync", path, -1);
    }
    return result;
}

static int pc_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int pc_statfs(const char* path, struct statvfs* st) {
    (void)path;
    return fail(fstatvfs(backing, st));
}

static const struct fuse_operations operations = {
    .init = pc_init,
    .getattr = pc_getattr,
    .readdir = pc_readdir,
    .mkdir = pc_mkdir,
    .rmdir = pc_rmdir,
    .unlink = pc_unlink,
    .rename = pc_rename,
    .create = pc_create,
    .open = pc_open,
    .read = pc_read,
    .write = pc_write,
    .truncate = pc_truncate,
    .fsync = pc_fsync,
    .release = pc_release,
    .statfs = pc_statfs,
};

int main(int argc, char** argv) {
    int i = 1;
    for (; i + 1 < argc && strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (strcmp(argv[i], "--torn") == 0) {
            torn = 1;
            seed = (unsigned)strtoul(argv[i + 1], NULL, 10);
        } else if (strcmp(argv[i], "--log") == 0) {
            logfile = fopen(argv[i + 1], "a");
        } else {
            break;
        }
    }
    if (argc - i < 2) {
        fprintf(stderr,
                "usage: powercut [--torn SEED] [--log FILE] BACKING MOUNTPOINT [FUSE options]\n");
        return 2;
    }
    backing = open(argv[i], O_RDONLY | O_DIRECTORY);
    if (backing < 0) {
        perror(argv[i]);
        return 1;
    }
    /* The control file exists, so that it can be opened. */
    int control = openat(backing, CONTROL + 1, O_WRONLY | O_CREAT, 0666);
    if (control >= 0) close(control);
    /* FUSE sees the program's name, the mount point and its options; one
     * thread, so the bookkeeping needs no lock. */
    struct fuse_args args = FUSE_ARGS_INIT(0, NULL);
    if (fuse_opt_add_arg(&args, argv[0]) != 0 || fuse_opt_add_arg(&args, "-s") != 0) return 1;
    while (++i < argc) {
        if (fuse_opt_add_arg(&args, argv[i]) != 0) return 1;
    }
    int result = fuse_main(args.argc, args.argv, &operations, NULL);
    fuse_opt_free_args(&args);
    return result != 0 ? 1 : 0;
}
