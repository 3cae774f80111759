// measure RUNS COMMAND [ARG...] runs the command RUNS times, each time with
// its standard output sent to /dev/null, and prints one line per run: wall
// time in microseconds, user and system CPU time in microseconds, peak
// resident memory in KiB, minor and major page faults, exit status.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

long long micros(const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; }

long long now_micros() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: measure RUNS COMMAND [ARG...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    for (int i = 0; i < runs; ++i) {
        const long long start = now_micros();
        const pid_t pid = fork();
        if (pid < 0) {
            std::fprintf(stderr, "measure: fork: %s\n", std::strerror(errno));
            return 1;
        }
        if (pid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) dup2(null, 1);
            execvp(argv[2], argv + 2);
            std::fprintf(stderr, "measure: %s: %s\n", argv[2], std::strerror(errno));
            _exit(127);
        }
        int status = 0;
        rusage use{};
        if (wait4(pid, &status, 0, &use) < 0) {
            std::fprintf(stderr, "measure: wait4: %s\n", std::strerror(errno));
            return 1;
        }
        const long long wall = now_micros() - start;
        std::printf("%lld %lld %lld %ld %ld %ld %d\n", wall, micros(use.ru_utime), micros(use.ru_stime), use.ru_maxrss,
                    use.ru_minflt, use.ru_majflt, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return 0;
}
