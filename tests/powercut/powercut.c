// powercut: a FUSE file system for tests that forgets, on command, what was
// not flushed, as a disk does when the power fails.
//
//   powercut BACKING MOUNTPOINT [FUSE options]
//
// Every operation goes through to the folder BACKING. Before a file is first
// changed after its last fsync (or after the last "sync" command), its
// contents are kept in memory. Writing to the file .powercut in the top
// folder gives a command:
//   cut   the power fails: every file changed since its last fsync gets its
//         kept contents back;
//   sync  everything written so far counts as flushed;
//   fail  every fsync fails (EIO) until the next "sync".
// Creating and removing files survive a cut. The kernel caches neither data
// nor attributes, so what a cut leaves is what the next reader sees.
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
#include <unistd.h>

#define CONTROL "/.powercut"

// A file changed since its last fsync, with its flushed contents.
struct kept {
    char* path;
    char* data;
    size_t size;
    struct kept* next;
};

static int backing = -1;
static int failing = 0;
static struct kept* changed = NULL;

static const char* rel(const char* path) { return path[1] != '\0' ? path + 1 : "."; }

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

// Keeps the flushed contents of path before its first change.
static int keep(const char* path) {
    if (strcmp(path, CONTROL) == 0 || *find(path) != NULL) return 0;
    struct kept* k = calloc(1, sizeof *k);
    if (k == NULL || (k->path = strdup(path)) == NULL) {
        free(k);
        return -ENOMEM;
    }
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
    return 0;
}

static void command(const char* text, size_t size) {
    int cut = size >= 3 && strncmp(text, "cut", 3) == 0;
    for (struct kept* k = cut ? changed : NULL; k != NULL; k = k->next) {
        int fd = openat(backing, rel(k->path), O_WRONLY);
        if (fd < 0) continue;
        if (pwrite(fd, k->data, k->size, 0) != (ssize_t)k->size || ftruncate(fd, (off_t)k->size))
            perror(k->path);
        close(fd);
    }
    if (cut || (size >= 4 && strncmp(text, "sync", 4) == 0)) {
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
    (void)fi;
    return fail(fstatat(backing, rel(path), st, AT_SYMLINK_NOFOLLOW));
}

static int pc_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)offset, (void)fi, (void)flags;
    int fd = openat(backing, rel(path), O_RDONLY | O_DIRECTORY);
    DIR* dir = fd >= 0 ? fdopendir(fd) : NULL;
    if (dir == NULL) {
        if (fd >= 0) close(fd);
        return -ENOENT;
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
    forget(path);
    return fail(unlinkat(backing, rel(path), 0));
}

static int pc_open_with(const char* path, int flags, mode_t mode, struct fuse_file_info* fi) {
    int result = (flags & O_TRUNC) != 0 ? keep(path) : 0;
    int fd = result == 0 ? openat(backing, rel(path), flags, mode) : -1;
    fi->fh = (uint64_t)fd;
    return result != 0 ? result : fail(fd < 0 ? -1 : 0);
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
    if (strcmp(path, CONTROL) == 0) command(buf, size);
    int result = keep(path);
    return result != 0 ? result : fail((int)pwrite((int)fi->fh, buf, size, offset));
}

// Wine truncates open files only.
static int pc_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    int result = fi != NULL ? keep(path) : -EBADF;
    return result != 0 ? result : fail(ftruncate((int)fi->fh, size));
}

static int pc_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
    if (failing) return -EIO;
    int result = fail(datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
    if (result == 0) forget(path);
    return result;
}

static int pc_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static const struct fuse_operations operations = {
    .init = pc_init,
    .getattr = pc_getattr,
    .readdir = pc_readdir,
    .mkdir = pc_mkdir,
    .rmdir = pc_rmdir,
    .unlink = pc_unlink,
    .create = pc_create,
    .open = pc_open,
    .read = pc_read,
    .write = pc_write,
    .truncate = pc_truncate,
    .fsync = pc_fsync,
    .release = pc_release,
};

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: powercut BACKING MOUNTPOINT [FUSE options]\n");
        return 2;
    }
    backing = open(argv[1], O_RDONLY | O_DIRECTORY);
    if (backing < 0) {
        perror(argv[1]);
        return 1;
    }
    // The control file exists, so that it can be opened.
    int control = openat(backing, CONTROL + 1, O_WRONLY | O_CREAT, 0666);
    if (control >= 0) close(control);
    // FUSE sees the program's name, the mount point and its options; one
    // thread, so the bookkeeping needs no lock.
    struct fuse_args args = FUSE_ARGS_INIT(0, NULL);
    if (fuse_opt_add_arg(&args, argv[0]) != 0 || fuse_opt_add_arg(&args, "-s") != 0) return 1;
    for (int i = 2; i < argc; ++i) {
        if (fuse_opt_add_arg(&args, argv[i]) != 0) return 1;
    }
    int result = fuse_main(args.argc, args.argv, &operations, NULL);
    fuse_opt_free_args(&args);
    return result != 0 ? 1 : 0;
}
