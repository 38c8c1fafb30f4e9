// korvex-benchrun: runs a command several times and prints the median, minimum and
// maximum wall time in seconds and the largest peak resident set size in KiB.
// Standard output of the command goes to /dev/null, or is appended to a file given
// with -o (so a command that reports its own timing leaves one line a run).
// With -w FILE the file is read into the page cache again before any run that
// would find part of it gone from there: some machines page out cache that has
// not been read for a while, and a run that reads the disk measures the disk.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

// Whether every page of the file is in the page cache.
bool Resident(int fd)
{
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size == 0)
        return true;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED)
        return true; // cannot tell: leave it
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> pages((size + page - 1) / page);
    const bool all = mincore(map, size, pages.data()) == 0 &&
                     std::all_of(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; });
    munmap(map, size);
    return all;
}

// Reads the file into the page cache when part of it is not there; true if it was read.
bool Warm(const char* path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool read = false;
    for (int attempt = 0; attempt < 3 && !Resident(fd); ++attempt) {
        static char buffer[1 << 20];
        for (off_t at = 0;;) {
            const ssize_t got = pread(fd, buffer, sizeof buffer, at);
            if (got <= 0)
                break;
            at += got;
        }
        read = true;
    }
    close(fd);
    return read;
}

} // namespace

int main(int argc, char* argv[])
{
    int first = 1;
    const char* output = "/dev/null";
    std::vector<const char*> warm;
    for (; argc - first > 3; first += 2) {
        if (std::strcmp(argv[first], "-o") == 0)
            output = argv[first + 1];
        else if (std::strcmp(argv[first], "-w") == 0)
            warm.push_back(argv[first + 1]);
        else
            break;
    }
    if (argc - first < 3 || std::strcmp(argv[first + 1], "--") != 0) {
        std::fputs("usage: korvex-benchrun [-o OUTPUT] [-w FILE]... RUNS -- COMMAND [ARG...]\n",
                   stderr);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[first]));
    std::vector<Sample> samples(runs);
    int warmed = 0;
    for (Sample& s : samples) {
        bool read = false;
        for (const char* path : warm)
            read |= Warm(path);
        warmed += read;
        if (!RunOnce(argv + first + 2, output, s))
            return 1;
    }
    if (warmed > 0)
        std::fprintf(stderr, "korvex-benchrun: the page cache was filled again before %d of %d runs\n",
                     warmed, runs);
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
