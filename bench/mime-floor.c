/* mime-floor: the least a reader built on GMime does with an mbox. Splits it at its "From "
 * lines, has GMime parse each message and decode every leaf part into memory, and frees it
 * again; nothing is converted, rendered or written. Single-threaded; run it under
 * /usr/bin/time to see what the parsing alone costs on the same corpus as Stowline's run.
 *   build/linux/bench/mime_floor MBOX  (or: cc -O2 -o mime-floor mime-floor.c $(pkg-config --cflags --libs gmime-3.0))
 */
#include <fcntl.h>
#include <gmime/gmime.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>

static size_t decoded;

static void decode(GMimeObject* parent, GMimeObject* part, gpointer data) {
    (void)parent;
    (void)data;
    if (!GMIME_IS_PART(part)) return;
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
    if (!content) return;
    GMimeStream* memory = g_mime_stream_mem_new();
    decoded += (size_t)g_mime_data_wrapper_write_to_stream(content, memory);
    g_object_unref(memory);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: mime-floor MBOX\n");
        return 2;
    }
    g_mime_init();
    const int fd = open(argv[1], O_RDONLY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0) {
        perror(argv[1]);
        return 1;
    }
    const char* start = mmap(NULL, (size_t)st.st_size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (start == MAP_FAILED) {
        perror("mmap");
        return 1;
    }
    const char *end = start + st.st_size, *at = start;
    unsigned messages = 0, failed = 0;
    while (at < end) {
        const char* body = memchr(at, '\n', (size_t)(end - at)); /* past the "From " line */
        if (!body) break;
        ++body;
        const char* next = end;
        for (const char* line = body; line < end;) {
            const char* newline = memchr(line, '\n', (size_t)(end - line));
            if (!newline) break;
            if (end - newline > 5 && memcmp(newline + 1, "From ", 5) == 0) {
                next = newline + 1;
                break;
            }
            line = newline + 1;
        }
        GMimeStream* stream = g_mime_stream_mem_new_with_buffer(body, (size_t)(next - body));
        GMimeParser* parser = g_mime_parser_new_with_stream(stream);
        GMimeMessage* message = g_mime_parser_construct_message(parser, NULL);
        if (message) {
            g_mime_message_foreach(message, decode, NULL);
            g_object_unref(message);
            ++messages;
        } else {
            ++failed;
        }
        g_object_unref(parser);
        g_object_unref(stream);
        at = next;
    }
    printf("%u messages, %u not parsed, %zu bytes decoded\n", messages, failed, decoded);
    return 0;
}
