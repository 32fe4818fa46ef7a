// Jobs as forked processes: the child runs the work and ends with _exit, so
// that none of the show's exit handlers (the audio layer's release) run in it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/job.h"

namespace {
// A signal's death reads as this status.
constexpr int kKilledStatus = 255;

int statusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : kKilledStatus; }
}  // namespace

Job jobStart(int (*work)(void* arg), void* arg) {
  const pid_t pid = fork();
  if (pid < 0) return 0;
  if (pid == 0) _exit(work(arg) & 0xFF);
  return static_cast<Job>(pid);
}

int jobPoll(Job job) {
  if (job <= 0) return kKilledStatus;
  int raw = 0;
  pid_t got;
  while ((got = waitpid(job, &raw, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (got == 0) return -1;
  return got == job ? statusOf(raw) : kKilledStatus;
}

void jobCancel(Job job) {
  if (job <= 0) return;
  kill(job, SIGKILL);
  int raw = 0;
  while (waitpid(job, &raw, 0) < 0 && errno == EINTR) {
  }
}
