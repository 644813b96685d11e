/* Preloaded into a child process by the random sequences: the process kills
 * itself with SIGKILL just before its N-th rename (QUORVANE_KILL_AT_RENAME=N).
 * Every file the program writes and every write the emulated keyboard takes
 * (its state file is saved at once, as flash) ends in a rename, so N picks a
 * point between a file's write and its rename, or a frame of a transfer.
 *
 * Just before raising, it creates the file QUORVANE_KILL_MARKER names: a
 * SIGKILL without that file came from somewhere else, and any other signal is
 * a crash, never the planned kill. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

typedef int (*rename_fn)(const char*, const char*);

int rename(const char* from, const char* to) {
    static int calls;
    const rename_fn real = (rename_fn)dlsym(RTLD_NEXT, "rename");
    const char* at = getenv("QUORVANE_KILL_AT_RENAME");
    if (at != NULL && __atomic_add_fetch(&calls, 1, __ATOMIC_SEQ_CST) == atoi(at)) {
        const char* marker = getenv("QUORVANE_KILL_MARKER");
        if (marker != NULL) {
            const int fd = open(marker, O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                close(fd);
            }
        }
        raise(SIGKILL);
    }
    return real(from, to);
}
