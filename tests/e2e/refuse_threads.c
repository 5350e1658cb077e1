/* Preloaded into a program (LD_PRELOAD) to make the system refuse its threads: pthread_create
 * fails with EAGAIN, as it does when a process is out of threads, on every call
 * (REFUSE_THREADS=all) or on every second call, the second, fourth and so on
 * (REFUSE_THREADS=every-second). Without the variable every call goes through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdlib.h>
#include <string.h>

typedef int (*CreateThread)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

/* Calls so far, for the every-second mode; the counter of this test double alone. */
static atomic_uint calls;

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                   void* arg) {
  const char* mode = getenv("REFUSE_THREADS");
  const unsigned call = atomic_fetch_add(&calls, 1u);
  if (mode != NULL &&
      (strcmp(mode, "all") == 0 || (strcmp(mode, "every-second") == 0 && call % 2u == 1u))) {
    return EAGAIN;
  }
  void* next = dlsym(RTLD_NEXT, "pthread_create");
  CreateThread create;
  memcpy(&create, &next, sizeof create);
  return create(thread, attr, start, arg);
}
