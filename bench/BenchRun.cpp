// korvex-benchrun: runs a command several times and prints the median, minimum and
// maximum wall time in seconds and the largest peak resident set size in KiB.
// Standard output of the command goes to /dev/null, or is appended to a file given
// with -o (so a command that reports its own timing leaves one line a run).

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Sample {
    double seconds;
    long maxRssKb;
};

bool RunOnce(char** argv, const char* output, Sample& sample)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const int fd = open(output, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0)
            _exit(126);
        execvp(argv[0], argv);
        std::fprintf(stderr, "korvex-benchrun: %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(child, &status, 0, &usage) != child)
        return false;
    sample.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.maxRssKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "korvex-benchrun: %s failed (status %d)\n", argv[0], status);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    int first = 1;
    const char* output = "/dev/null";
    if (argc > 3 && std::strcmp(argv[1], "-o") == 0) {
        output = argv[2];
        first = 3;
    }
    if (argc - first < 3 || std::strcmp(argv[first + 1], "--") != 0) {
        std::fputs("usage: korvex-benchrun [-o OUTPUT] RUNS -- COMMAND [ARG...]\n", stderr);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[first]));
    std::vector<Sample> samples(runs);
    for (Sample& s : samples) {
        if (!RunOnce(argv + first + 2, output, s))
            return 1;
    }
    std::vector<double> times;
    long rss = 0;
    for (const Sample& s : samples) {
        times.push_back(s.seconds);
        rss = std::max(rss, s.maxRssKb);
    }
    std::sort(times.begin(), times.end());
    std::printf("%.4f %.4f %.4f %ld\n", times[times.size() / 2], times.front(), times.back(), rss);
    return 0;
}
