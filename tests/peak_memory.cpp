// peak_memory REPORT COMMAND [ARGUMENT...]: runs the command and writes the largest resident set
// it had, in kilobytes, into the file REPORT; exits as the command did. The measure is only
// that of the command when the process that forks it is small: a child counts the pages of its
// parent from the fork on, so the test suite itself cannot take it.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: peak_memory REPORT COMMAND [ARGUMENT...]\n");
    return 2;
  }
  pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return 126;
  if (FILE* report = std::fopen(argv[1], "w")) {
    std::fprintf(report, "%ld\n", usage.ru_maxrss);
    std::fclose(report);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
