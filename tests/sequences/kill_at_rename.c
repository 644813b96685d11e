/* Preloaded into a child process by the random sequences: the process kills
 * itself with SIGKILL just before its N-th rename (QUORVANE_KILL_AT_RENAME=N).
 * Every file the program writes and every write the emulated keyboard takes
 * (its state file is saved at once, as flash) ends in a rename, so N picks a
 * point between a file's write and its rename, or a frame of a transfer. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

typedef int (*rename_fn)(const char*, const char*);

int rename(const char* from, const char* to) {
    static int calls;
    const rename_fn real = (rename_fn)dlsym(RTLD_NEXT, "rename");
    const char* at = getenv("QUORVANE_KILL_AT_RENAME");
    if (at != NULL && __atomic_add_fetch(&calls, 1, __ATOMIC_SEQ_CST) == atoi(at)) {
        raise(SIGKILL);
    }
    return real(from, to);
}
