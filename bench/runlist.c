/* Times whole processes for the bench scripts: runs every command of a list once, one after the
   other, and that REPEATS times; prints the median and the fastest time of one pass over the list
   in nanoseconds. A command is a line of the list with its arguments separated by tabs; the first
   is the program's path. Each command's standard output goes to /dev/null; a command that fails
   stops the timing with exit code 1.
   Usage: runlist REPEATS LIST */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static long long Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

static int Compare(const void* a, const void* b) {
  const long long x = *(const long long*)a, y = *(const long long*)b;
  return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: runlist REPEATS LIST\n");
    return 2;
  }
  const int repeats = atoi(argv[1]);
  FILE* list = fopen(argv[2], "r");
  if (repeats <= 0 || !list) {
    fprintf(stderr, "runlist: cannot read %s\n", argv[2]);
    return 2;
  }
  char*** commands = NULL;
  size_t count = 0;
  char* line = NULL;
  size_t size = 0;
  while (getline(&line, &size, list) > 0) {
    line[strcspn(line, "\n")] = '\0';
    if (line[0] == '\0') continue;
    char** args = calloc(strlen(line) + 2, sizeof(char*));
    size_t n = 0;
    for (char* field = strtok(strdup(line), "\t"); field; field = strtok(NULL, "\t")) args[n++] = field;
    commands = realloc(commands, (count + 1) * sizeof(char**));
    commands[count++] = args;
  }
  fclose(list);
  const int devnull = open("/dev/null", O_WRONLY);
  long long* times = calloc((size_t)repeats, sizeof(long long));
  for (int r = 0; r < repeats; ++r) {
    const long long start = Now();
    for (size_t c = 0; c < count; ++c) {
      const pid_t pid = fork();
      if (pid == 0) {
        dup2(devnull, 1);
        execv(commands[c][0], commands[c]);
        _exit(127);
      }
      int status = 0;
      if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
          WEXITSTATUS(status) != 0) {
        fprintf(stderr, "runlist: %s failed\n", commands[c][0]);
        return 1;
      }
    }
    times[r] = Now() - start;
  }
  qsort(times, (size_t)repeats, sizeof(long long), Compare);
  printf("%lld %lld\n", times[repeats / 2], times[0]);
  return 0;
}
