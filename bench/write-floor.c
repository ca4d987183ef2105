/* write-floor: the least a program can do to write an archive that is already made.
 * Loads every file below SOURCE into memory, then writes the same bytes to the same relative
 * paths below TARGET (which must not exist): each folder made, each file created, written at
 * once, dated like the source file and closed. Prints the files, bytes and seconds of the
 * writing alone; run it under /usr/bin/time for the whole process.
 *   cc -O2 -o write-floor write-floor.c && write-floor SOURCE TARGET
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

struct file {
    char* path;
    char* bytes;
    size_t size;
    struct timespec mtime;
    int folder;
};
static struct file* files;
static size_t count, capacity, prefix;

static int load(const char* path, const struct stat* st, int type, struct FTW* ftw) {
    (void)ftw;
    if (strlen(path) <= prefix) return 0; /* SOURCE itself */
    if (count == capacity) {
        capacity = capacity ? 2 * capacity : 1024;
        files = realloc(files, capacity * sizeof *files);
        if (!files) {
            perror("realloc");
            exit(1);
        }
    }
    struct file* f = &files[count++];
    memset(f, 0, sizeof *f);
    f->path = strdup(path + prefix + 1);
    f->folder = type == FTW_D;
    f->mtime = st->st_mtim;
    if (f->folder) return 0;
    f->size = (size_t)st->st_size;
    f->bytes = malloc(f->size ? f->size : 1);
    FILE* in = fopen(path, "rb");
    if (!in || fread(f->bytes, 1, f->size, in) != f->size) {
        perror(path);
        exit(1);
    }
    fclose(in);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: write-floor SOURCE TARGET\n");
        return 2;
    }
    prefix = strlen(argv[1]);
    while (prefix > 1 && argv[1][prefix - 1] == '/') argv[1][--prefix] = 0;
    if (nftw(argv[1], load, 32, FTW_PHYS) != 0) {
        perror(argv[1]);
        return 1;
    }
    if (mkdir(argv[2], 0755) != 0 || chdir(argv[2]) != 0) {
        perror(argv[2]);
        return 1;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    size_t written = 0, bytes = 0;
    for (size_t i = 0; i < count; i++) {
        struct file* f = &files[i];
        if (f->folder) {
            if (mkdir(f->path, 0755) != 0 && errno != EEXIST) {
                perror(f->path);
                return 1;
            }
            continue;
        }
        int fd = open(f->path, O_WRONLY | O_CREAT | O_EXCL, 0644);
        struct timespec times[2] = {f->mtime, f->mtime};
        if (fd < 0 || (f->size && write(fd, f->bytes, f->size) != (ssize_t)f->size) || futimens(fd, times) != 0 ||
            close(fd) != 0) {
            perror(f->path);
            return 1;
        }
        written++;
        bytes += f->size;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    printf("%zu files, %zu bytes, %.3f s\n", written, bytes,
           (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9);
    return 0;
}
