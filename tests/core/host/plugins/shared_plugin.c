/* A plugin for the Shared API tests. Every request runs on a thread of the
 * plugin's own, as a plugin serving remote users would make it: the test starts
 * one with tsp_run and serves the main thread until tsp_finished says it is done.
 * Browsed entries and the OnSharedAdd/OnSharedRemove records go to the shared
 * log; a request's result and the real-path buffer are kept for the test. */
#include <pthread.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "keplinor_plugin.h"
#include "recorder.h"

KP_IMPORT(SharedStartDirectory);
KP_IMPORT(SharedGetNextResult);
KP_IMPORT(SharedEndDirectory);
KP_IMPORT(SharedCheckReadAccess);
KP_IMPORT(SharedCheckWriteAccess);
KP_IMPORT(SharedDirectoryExists);
KP_IMPORT(SharedFileExists);
KP_IMPORT(SharedGetRealPath);
KP_IMPORT(SharedRemoveDirectory);
KP_IMPORT(SharedDeleteFile);
KP_IMPORT(SharedCreateDirectory);

enum {
  TSP_BROWSE = 0,
  TSP_BROWSE_RECURSIVE,
  TSP_READ,
  TSP_WRITE,
  TSP_DIRECTORY_EXISTS,
  TSP_FILE_EXISTS,
  TSP_REAL_PATH,
  TSP_REMOVE_DIRECTORY,
  TSP_DELETE_FILE,
  TSP_CREATE_DIRECTORY
};

struct request {
  int op;
  kp_handle service;
  char user[256];
  char password[256];
  char path[1024];
};

static struct request job;
static pthread_t worker;
static atomic_int finished = 1;
KP_EXPORT int32_t tsp_result;
KP_EXPORT char tsp_buffer[256];

static void browse(int recursive) {
  char line[1200];
  kp_handle handle = SharedStartDirectory(job.service, job.user, job.password, job.path, recursive ? 1 : 0);
  const kp_shared_result* r = kp_shared_result_at(handle);
  int count = 0;
  while (SharedGetNextResult(handle)) {
    snprintf(line, sizeof line, "%s|%s|%s|size=%d|audio=%d,%d,%d,%u|dir=%u|search=%u", kp_text(r->sName),
             kp_text(r->sVirtualPath), kp_text(r->sRealPath), r->iSize, r->iBitrate, r->iLength,
             r->iFrequency, r->bMP3, r->bDirectory, r->bIncludeInSearchRequests);
    kp_test_record(line);
    ++count;
  }
  SharedEndDirectory(handle);
  tsp_result = count;
}

static void* work(void* unused) {
  (void)unused;
  const char* u = job.user;
  const char* p = job.password;
  const char* v = job.path;
  switch (job.op) {
    case TSP_BROWSE:
    case TSP_BROWSE_RECURSIVE:
      browse(job.op == TSP_BROWSE_RECURSIVE);
      break;
    case TSP_READ:
      tsp_result = SharedCheckReadAccess(job.service, u, p, v);
      break;
    case TSP_WRITE:
      tsp_result = SharedCheckWriteAccess(job.service, u, p, v);
      break;
    case TSP_DIRECTORY_EXISTS:
      tsp_result = SharedDirectoryExists(job.service, u, p, v);
      break;
    case TSP_FILE_EXISTS:
      tsp_result = SharedFileExists(job.service, u, p, v);
      break;
    case TSP_REAL_PATH:
      memset(tsp_buffer, 'x', sizeof tsp_buffer);
      tsp_result = SharedGetRealPath(job.service, u, p, v, tsp_buffer);
      break;
    case TSP_REMOVE_DIRECTORY:
      tsp_result = SharedRemoveDirectory(job.service, u, p, v);
      break;
    case TSP_DELETE_FILE:
      tsp_result = SharedDeleteFile(job.service, u, p, v);
      break;
    case TSP_CREATE_DIRECTORY:
      tsp_result = SharedCreateDirectory(job.service, u, p, v);
      break;
    default:
      tsp_result = 12345;
  }
  atomic_store(&finished, 1);
  return NULL;
}

/* Starts the request on a new thread; one at a time. */
KP_EXPORT int32_t tsp_run(int32_t op, kp_handle service, const char* user, const char* password,
                          const char* path) {
  if (!atomic_load(&finished)) return 0;
  job.op = op;
  job.service = service;
  snprintf(job.user, sizeof job.user, "%s", user);
  snprintf(job.password, sizeof job.password, "%s", password);
  snprintf(job.path, sizeof job.path, "%s", path);
  tsp_result = 12345;
  atomic_store(&finished, 0);
  if (pthread_create(&worker, NULL, work, NULL) != 0) {
    atomic_store(&finished, 1);
    return 0;
  }
  return 1;
}

/* 1 once the request is done; the thread is then joined. */
KP_EXPORT int32_t tsp_finished(void) {
  if (!atomic_load(&finished)) return 0;
  pthread_join(worker, NULL);
  return 1;
}

static void record_event(const char* event, kp_handle pResult) {
  char line[600];
  const kp_shared_result* r = kp_shared_result_at(pResult);
  snprintf(line, sizeof line, "%s %s dir=%u size=%d", event, kp_text(r->sVirtualPath), r->bDirectory,
           r->iSize);
  kp_test_record(line);
}

KP_EVENT(OnSharedAdd) { record_event("OnSharedAdd", pResult); }
KP_EVENT(OnSharedRemove) { record_event("OnSharedRemove", pResult); }

KP_STARTUP {
  (void)applicationBlock;
  (void)pluginBlock;
}

KP_SHUTDOWN {
  if (!atomic_load(&finished)) pthread_join(worker, NULL);
}
