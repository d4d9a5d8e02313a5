// Preloaded by tools/tsan.sh in front of the ThreadSanitizer runtime. QProcess starts programs
// with clone(CLONE_VM | CLONE_VFORK); the runtime's clone hook then runs its after-fork handling
// in the child, which shares the parent's memory, and so resets the parent's own record of its
// threads and locks: every lock taken later goes unseen (races reported under a held mutex) and
// the next thread started ends the process ("starting new threads after multi-threaded fork").
// Without CLONE_VM the child gets its own copy of memory, as after fork(), and the hook's handling
// stays in the child; CLONE_VFORK still holds the parent until the child has run exec.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sched.h>
#include <stdarg.h>
#include <sys/types.h>

typedef int (*CloneFn)(int (*)(void*), void*, int, void*, ...);

int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...)
{
    va_list ap;
    va_start(ap, arg);
    pid_t* parentTid = va_arg(ap, pid_t*);
    void* tls = va_arg(ap, void*);
    pid_t* childTid = va_arg(ap, pid_t*);
    va_end(ap);
    static CloneFn next;
    if (!next)
        next = (CloneFn)dlsym(RTLD_NEXT, "clone");
    if ((flags & CLONE_VM) && (flags & CLONE_VFORK))
        flags &= ~CLONE_VM;
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}
