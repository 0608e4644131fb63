// A slow disc for the cold-start benchmark: a read-only FUSE file system over
// a folder that reads like a disc drive. Each file has its place on a disc
// image (xorriso's report_lba). A read continues when it starts within the
// stretch of blocks that the drive has read since its last seek (which its
// buffer still holds) or at the block after it; any other read costs a seek.
// Blocks new to the stretch stream at the drive's rate. Nothing else is
// cached, here or in the kernel (direct I/O); SIGUSR1 puts a fresh disc in,
// of which the drive has read nothing, so the next run starts cold.
//
// Usage: slow_disc FOLDER LAYOUT SEEK_MS BYTES_PER_SECOND MOUNTPOINT [FUSE OPTIONS]
// LAYOUT holds lines "BLOCK PATH": the file's first 2048-byte block on the
// image and its path from the folder, starting with "/". A file that is not
// in it is not disc data (the drive label Wine reads) and reads at once.
// BYTES_PER_SECOND 0 reads at once. With SLOW_DISC_LOG set to a file name,
// each read of disc data is logged there: path, offset, size, whether it sought.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { BLOCK = 2048, MAX_FILES = 4096, DRIVE_BUFFER = 2 << 20 };

struct Place {
    char *path;
    long long start; // byte offset on the image
};

static struct {
    const char *folder;
    struct Place places[MAX_FILES];
    int count;
    double seekMs, bytesPerMs;
    // The stretch read since the last seek: from its first block to the
    // furthest byte; runEnd is -1 before the first read.
    long long runStart, runEnd;
    pthread_mutex_t drive;
    FILE *log;
} disc = {.runEnd = -1, .drive = PTHREAD_MUTEX_INITIALIZER};

static volatile sig_atomic_t fresh;

static void InsertFreshDisc(int signal)
{
    (void)signal;
    fresh = 1;
}

static void SleepMs(double ms)
{
    if (ms <= 0)
        return;
    struct timespec wait = {(time_t)(ms / 1000), (long)((ms - 1000.0 * (long)(ms / 1000)) * 1e6)};
    while (nanosleep(&wait, &wait) == -1 && errno == EINTR)
        ;
}

// The file's place on the image, -1 when it is not there.
static long long FindPlace(const char *path)
{
    for (int i = 0; i < disc.count; i++) {
        if (strcmp(disc.places[i].path, path) == 0)
            return disc.places[i].start;
    }
    return -1;
}

static int RealPath(const char *path, char *real)
{
    return snprintf(real, PATH_MAX, "%s%s", disc.folder, path) < PATH_MAX ? 0 : -ENAMETOOLONG;
}

static void *StartDisc(struct fuse_conn_info *connection, struct fuse_config *config)
{
    (void)connection;
    config->direct_io = 1;
    config->kernel_cache = 0;
    return NULL;
}

static int GetAttributes(const char *path, struct stat *status, struct fuse_file_info *file)
{
    (void)file;
    char real[PATH_MAX];
    int bad = RealPath(path, real);
    if (bad)
        return bad;
    return stat(real, status) == 0 ? 0 : -errno;
}

static int ReadFolder(const char *path, void *buffer, fuse_fill_dir_t fill, off_t offset,
                      struct fuse_file_info *file, enum fuse_readdir_flags flags)
{
    (void)offset, (void)file, (void)flags;
    char real[PATH_MAX];
    int bad = RealPath(path, real);
    if (bad)
        return bad;
    DIR *folder = opendir(real);
    if (!folder)
        return -errno;
    for (struct dirent *entry; (entry = readdir(folder));)
        fill(buffer, entry->d_name, NULL, 0, 0);
    closedir(folder);
    return 0;
}

static int OpenFile(const char *path, struct fuse_file_info *file)
{
    if ((file->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    char real[PATH_MAX];
    int bad = RealPath(path, real);
    if (bad)
        return bad;
    int handle = open(real, O_RDONLY);
    if (handle < 0)
        return -errno;
    file->fh = (uint64_t)handle;
    file->direct_io = 1;
    file->keep_cache = 0;
    return 0;
}

// One read at a time, as a drive has one head.
static int ReadFile(const char *path, char *buffer, size_t size, off_t offset,
                    struct fuse_file_info *file)
{
    long long place = FindPlace(path);
    pthread_mutex_lock(&disc.drive);
    ssize_t got = pread((int)file->fh, buffer, size, offset);
    if (fresh)
        disc.runEnd = -1, fresh = 0;
    if (got > 0 && place >= 0) {
        long long at = place + offset;
        long long nextBlock = (disc.runEnd + BLOCK - 1) / BLOCK * BLOCK;
        int seek = disc.runEnd < 0 || at < disc.runStart || at > nextBlock;
        if (seek) {
            SleepMs(disc.seekMs);
            disc.runStart = at / BLOCK * BLOCK;
            disc.runEnd = at;
        }
        long long unread = at + got - (at > disc.runEnd ? at : disc.runEnd);
        if (disc.bytesPerMs > 0 && unread > 0)
            SleepMs(unread / disc.bytesPerMs);
        if (at + got > disc.runEnd)
            disc.runEnd = at + got;
        if (disc.runEnd - disc.runStart > DRIVE_BUFFER)
            disc.runStart = (disc.runEnd - DRIVE_BUFFER + BLOCK - 1) / BLOCK * BLOCK;
        if (disc.log)
            fprintf(disc.log, "%s %lld %zd%s\n", path, (long long)offset, got, seek ? " seek" : ""),
                fflush(disc.log);
    }
    pthread_mutex_unlock(&disc.drive);
    return got < 0 ? -errno : (int)got;
}

static int ReleaseFile(const char *path, struct fuse_file_info *file)
{
    (void)path;
    close((int)file->fh);
    return 0;
}

static int ReadLayout(const char *name)
{
    FILE *layout = fopen(name, "r");
    if (!layout)
        return 0;
    char line[PATH_MAX + 32], path[PATH_MAX];
    long long block;
    while (fgets(line, sizeof line, layout) && disc.count < MAX_FILES) {
        if (sscanf(line, "%lld %4095[^\n]", &block, path) != 2)
            continue;
        disc.places[disc.count].path = strdup(path);
        disc.places[disc.count++].start = block * BLOCK;
    }
    fclose(layout);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 6) {
        fprintf(stderr, "usage: slow_disc FOLDER LAYOUT SEEK_MS BYTES_PER_SECOND MOUNTPOINT "
                        "[FUSE OPTIONS]\n");
        return 2;
    }
    static char folder[PATH_MAX];
    if (!realpath(argv[1], folder) || !ReadLayout(argv[2])) {
        fprintf(stderr, "slow_disc: cannot read %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    disc.folder = folder;
    if (getenv("SLOW_DISC_LOG"))
        disc.log = fopen(getenv("SLOW_DISC_LOG"), "a");
    disc.seekMs = atof(argv[3]);
    disc.bytesPerMs = atof(argv[4]) / 1000.0;
    static const struct fuse_operations operations = {
        .init = StartDisc,
        .getattr = GetAttributes,
        .readdir = ReadFolder,
        .open = OpenFile,
        .read = ReadFile,
        .release = ReleaseFile,
    };
    signal(SIGUSR1, InsertFreshDisc);
    // FUSE takes the program name, the mount point and the options.
    argv[4] = argv[0];
    return fuse_main(argc - 4, argv + 4, &operations, NULL);
}
