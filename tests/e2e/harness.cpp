#include "harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "mmap.h"

extern char **environ;

namespace e2e
{
namespace
{

std::string temp_dir()
{
    char pattern[] = "/tmp/norlet-e2e-XXXXXX";
    const char *dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

// The environment of the run: ours without any FAKEFB_ settings, plus the
// fake panel's.
std::vector<std::string> environment(const Panel &panel, const std::string &dir)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "FAKEFB_", 7) != 0 && std::strncmp(*e, "LD_PRELOAD=", 11) != 0 &&
            std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0)
            env.push_back(*e);
    env.push_back("LD_PRELOAD=" NORLET_BINARY_DIR "/libfakefb.so");
    // The sanitizer runtime must let the fake panel come first, and must
    // report an impossible allocation as a failure, as malloc does.
    env.push_back(
        "ASAN_OPTIONS=verify_asan_link_order=0:allocator_may_return_null=1:detect_leaks=1");
    env.push_back("FAKEFB_XRES=" + std::to_string(panel.xres));
    env.push_back("FAKEFB_YRES=" + std::to_string(panel.yres));
    env.push_back("FAKEFB_XRES_VIRTUAL=" +
                  std::to_string(panel.xres_virtual ? panel.xres_virtual : panel.xres));
    env.push_back("FAKEFB_BPP=" + std::to_string(panel.bits_per_pixel));
    if (panel.capture) env.push_back("FAKEFB_CAPTURE=" + dir + "/frame.bin");
    env.push_back("FAKEFB_LOG=" + dir + "/calls.log");
    if (!panel.fail.empty()) env.push_back("FAKEFB_FAIL=" + panel.fail);
    env.push_back("FAKEFB_ERRNO=" + std::to_string(panel.fail_errno));
    env.push_back("FAKEFB_FONT_DIR=" + (panel.font_dir.empty() ? font_dir() : panel.font_dir));
    return env;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> out;
    for (auto &s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Reads both pipes to their ends without letting either fill up.
void drain(int out_fd, int err_fd, Run *run)
{
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string *sinks[2] = {&run->out, &run->err};
    int open_count = 2;
    char buffer[65536];
    while (open_count > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

} // namespace

std::string font_dir()
{
    return NORLET_BINARY_DIR "/fonts";
}

std::string read_text(const std::string &path)
{
    std::string text;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) return text;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

std::vector<std::string> wrapper()
{
    std::vector<std::string> words;
    const char *value = std::getenv("NORLET_RUN_WRAPPER");
    std::string word;
    for (const char *c = value ? value : "";; ++c) {
        if (*c && *c != ' ') {
            word += *c;
            continue;
        }
        if (!word.empty()) words.push_back(word);
        word.clear();
        if (!*c) break;
    }
    return words;
}

bool wrapped()
{
    return !wrapper().empty();
}

Run run_display(const std::vector<std::string> &args, const Panel &panel, const char *argv0)
{
    std::string dir = temp_dir();
    std::vector<std::string> env = environment(panel, dir);
    // Under a wrapper (valgrind, an emulator) the wrapper is started and
    // given the program's path; argv[0] is then the path.
    std::vector<std::string> argv_strings = wrapper();
    bool is_wrapped = !argv_strings.empty();
    argv_strings.push_back(argv0 && !is_wrapped ? argv0 : NORLET_BINARY_DIR "/norlet-display");
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char *> argv = pointers(argv_strings), envp = pointers(env);

    int out_pipe[2], err_pipe[2];
    Run run;
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return run;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(out_pipe[0]);
        close(err_pipe[0]);
        if (panel.address_space_limit) {
            rlim_t bytes = static_cast<rlim_t>(panel.address_space_limit);
            rlimit limit = {bytes, bytes};
            setrlimit(RLIMIT_AS, &limit);
        }
        execvpe(is_wrapped ? argv[0] : NORLET_BINARY_DIR "/norlet-display", argv.data(),
                envp.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    drain(out_pipe[0], err_pipe[0], &run);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);

    std::string frame_path = dir + "/frame.bin";
    struct stat info;
    run.wrote_frame = stat(frame_path.c_str(), &info) == 0;
    std::string frame = read_text(frame_path);
    run.frame.assign(frame.begin(), frame.end());
    run.calls = read_text(dir + "/calls.log");
    std::remove(frame_path.c_str());
    std::remove((dir + "/calls.log").c_str());
    rmdir(dir.c_str());
    return run;
}

std::string frame_art(const std::vector<uint8_t> &frame, int32_t width, int32_t height,
                      int32_t visible)
{
    std::vector<uint8_t> bytes = frame;
    uint64_t needed = mmap_pixel_bytes(width, height);
    if (bytes.size() < needed) bytes.resize(needed, 0);
    Canvas canvas = {bytes.data(), width, height, 0, 0};
    std::string art;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < visible; ++x)
            art += mmap_get_pixel(&canvas, x, y) ? '#' : '.';
        art += '\n';
    }
    return art;
}

std::string side_by_side(const std::string &expected, const std::string &actual)
{
    auto lines = [](const std::string &text) {
        std::vector<std::string> out;
        size_t start = 0, end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            out.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        if (start < text.size()) out.push_back(text.substr(start));
        return out;
    };
    std::vector<std::string> left = lines(expected), right = lines(actual);
    size_t width = 8;
    for (auto &l : left)
        width = std::max(width, l.size());
    std::string out = "expected" + std::string(width - 8 + 3, ' ') + "actual\n";
    for (size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        std::string l = i < left.size() ? left[i] : "", r = i < right.size() ? right[i] : "";
        out += l + std::string(width - l.size(), ' ') + (l == r ? "   " : " ! ") + r + "\n";
    }
    return out;
}

} // namespace e2e
