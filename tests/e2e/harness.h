// Runs the real norlet-display on the fake panel (tools/fakefb.cpp) and tells
// what it did as text: exit status, standard output, device calls, frame.
#ifndef NORLET_E2E_HARNESS_H
#define NORLET_E2E_HARNESS_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace e2e
{

namespace fs = std::filesystem;

// What the fake driver reports and how the program's world misbehaves.
struct Panel {
    uint32_t xres = 128, yres = 64, xres_virtual = 0, bits_per_pixel = 1; // line 0: xres
    const char *fail = "";    // the failing device call: open, ioctl, fscreeninfo, blank,
                              // write, short or fsync
    int fail_errno = 5;       // EIO
    const char *font = "";    // tests/fixtures/adversarial/FONT as 6x16.bdf; "": device fonts
    bool log = true;          // false: no call log; each device call sets ENOENT
    rlim_t address_space = 0; // RLIMIT_AS of the run, 0: none
    const char *driver = "";  // the driver the fake panel plays; "": plain
    const char *setting = ""; // NAME=value in the program's environment
    const char *device = "";  // the device path the fake panel plays; "": /dev/fb0
    int closed = -1;          // 0, 1 or 2: that standard stream closed, as a boot
                              // script may start it; the device then gets it
    long fail_call = -1;      // 0 and up: counted by libfailcall.so, that call failing
    const char *sysfs = "";   // the tree of sysfs-trees.txt the fake serves as /sys;
                              // "": an empty one
    int con2fb = -1;          // the frame buffer every console maps to; -1: none
};

// Writes tree NAME of tests/e2e/sysfs-trees.txt under dir: each line "PATH =
// TEXT" of its [NAME] section becomes the file PATH holding TEXT and a newline.
inline void write_sysfs_tree(const std::string &name, const fs::path &dir)
{
    fs::create_directories(dir);
    std::ifstream trees(NORLET_SOURCE_DIR "/tests/e2e/sysfs-trees.txt");
    bool inside = false;
    for (std::string line; std::getline(trees, line);) {
        if (line.starts_with("[")) inside = line == "[" + name + "]";
        size_t equals = line.find(" = ");
        if (!inside || equals == std::string::npos) continue;
        fs::path file = dir / line.substr(0, equals);
        fs::create_directories(file.parent_path());
        std::ofstream(file) << line.substr(equals + 3) << '\n';
    }
}

// The device calls with a run of equal lines shown once, with its count.
inline std::string collapsed(const std::string &calls)
{
    std::istringstream lines(calls);
    std::string out, previous, line;
    int repeats = 0;
    auto flush = [&] {
        if (repeats)
            out +=
                previous + (repeats > 1 ? " (" + std::to_string(repeats) + " times)" : "") + "\n";
    };
    while (std::getline(lines, line)) {
        if (line == previous && repeats) {
            ++repeats;
            continue;
        }
        flush();
        previous = line, repeats = 1;
    }
    flush();
    return out;
}

// Where libfailcall.so leaves how many calls the last run counted (named
// by the test process, before any run forks).
inline const std::string call_count_file =
    (std::filesystem::temp_directory_path() / ("norlet-e2e-calls-" + std::to_string(getpid())))
        .string();

const std::string program = NORLET_BINARY_DIR "/norlet-display";

inline std::string read_file(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// In the child: the fake panel's settings, the limit and the output files,
// then the program.
[[noreturn]] inline void start(const std::string &file, std::vector<std::string> argv,
                               const Panel &p, const fs::path &dir, bool keep_frame)
{
    auto set = [](const char *name, const std::string &value) { setenv(name, value.c_str(), 1); };
    set("LD_PRELOAD", NORLET_BINARY_DIR "/libfakefb.so");
    if (p.fail_call >= 0) {
        set("LD_PRELOAD",
            NORLET_BINARY_DIR "/tests/e2e/libfailcall.so:" NORLET_BINARY_DIR "/libfakefb.so");
        set("NORLET_FAIL_CALL", std::to_string(p.fail_call));
        set("NORLET_FAIL_COUNT", call_count_file);
    }
    // The sanitizer runtime must let the fake panel come first, and report an
    // impossible allocation as a failure, as malloc does.
    set("ASAN_OPTIONS", "verify_asan_link_order=0:allocator_may_return_null=1:detect_leaks=1");
    set("FAKEFB_XRES", std::to_string(p.xres));
    set("FAKEFB_YRES", std::to_string(p.yres));
    set("FAKEFB_XRES_VIRTUAL", std::to_string(p.xres_virtual ? p.xres_virtual : p.xres));
    set("FAKEFB_BPP", std::to_string(p.bits_per_pixel));
    set("FAKEFB_FAIL", p.fail);
    set("FAKEFB_ERRNO", std::to_string(p.fail_errno));
    set("FAKEFB_LOG", dir / (p.log ? "calls" : "missing/calls"));
    set("FAKEFB_FONT_DIR", *p.font ? dir.string() : NORLET_BINARY_DIR "/fonts");
    set("FAKEFB_DRIVER", p.driver);
    set("FAKEFB_DEVICE", *p.device ? p.device : "/dev/fb0");
    set("FAKEFB_SYSFS", dir / "sys"); // never the machine's own
    if (p.con2fb >= 0)
        set("FAKEFB_CON2FB", std::to_string(p.con2fb));
    else
        unsetenv("FAKEFB_CON2FB");
    // Only the row's own setting reaches the program.
    for (const char *name : {"FRAMEBUFFER", "NORLET_MONO_LAYOUT", "NORLET_ROTATE"})
        unsetenv(name);
    if (*p.setting) putenv(const_cast<char *>(p.setting));
    unsetenv("FAKEFB_CAPTURE"); // the fake then writes to /dev/null
    if (keep_frame) set("FAKEFB_CAPTURE", dir / "frame");
    rlimit limit = {p.address_space, p.address_space};
    if (p.address_space) setrlimit(RLIMIT_AS, &limit);
    // Standard error too: the program writes nothing there, any report shows.
    dup2(open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    dup2(1, 2);
    std::vector<char *> pointers;
    for (auto &arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    if (p.closed >= 0) close(p.closed);
    execvp(file.c_str(), pointers.data());
    _exit(127);
}

// The frame's size, its bytes past the one-bit canvas that are not zero, and
// the canvas as text art ('#' on); pixel (x, y) is bit 7 - x % 8 of byte
// x / 8 + width * y / 8, as the panel reads it.
inline std::string picture(const std::string &frame, uint64_t width, uint64_t height)
{
    std::string text = "frame: " + std::to_string(frame.size()) + " bytes";
    if (frame.empty()) return text + "\n";
    uint64_t canvas = width && height ? (width - 1) / 8 + width * (height - 1) / 8 + 1 : 0;
    auto past = frame.begin() + static_cast<long>(std::min<uint64_t>(canvas, frame.size()));
    text += ", " + std::to_string(std::count_if(past, frame.end(), [](char c) { return c; })) +
            " non-zero past the canvas\n";
    for (uint64_t y = 0; y < height && width * height <= 1 << 20; ++y) {
        for (uint64_t x = 0; x < width; ++x) {
            uint64_t byte = x / 8 + width * y / 8;
            text += byte < frame.size() && frame[byte] & 0x80 >> x % 8 ? '#' : '.';
        }
        text += '\n';
    }
    return text;
}

// The frame as the driver's panel shows it, drawn by the frame viewer (under
// the wrapper when it is built for another machine).
inline std::string viewed(const fs::path &frame, const Panel &p)
{
    const char *wrapper = NORLET_TOOLS_WRAPPED ? std::getenv("NORLET_RUN_WRAPPER") : nullptr;
    std::string command = std::string(wrapper ? wrapper : "") + " " NORLET_BINARY_DIR "/fbview" +
                          " --driver " + p.driver + " --bpp " + std::to_string(p.bits_per_pixel) +
                          " --width " + std::to_string(p.xres) + " --height " +
                          std::to_string(p.yres) + " " + frame.string() + " 2>&1";
    size_t bytes = read_file(frame).size();
    std::string text = "frame: " + std::to_string(bytes) + " bytes\n";
    if (bytes == 0) return text;
    FILE *pipe = popen(command.c_str(), "r");
    for (int c; pipe && (c = std::fgetc(pipe)) != EOF;)
        text += static_cast<char>(c);
    if (pipe) pclose(pipe);
    return text;
}

// Runs the program (or another binary of the build) with args (as argv0 when
// given) and returns what it did:
// exit status, output, device calls, frame. With NORLET_RUN_WRAPPER set
// (valgrind, an emulator) its words start the program by its path, which the
// output then shows as argv0.
inline std::string run_display(const std::vector<std::string> &args, const Panel &p,
                               const char *argv0 = nullptr, const std::string &binary = program)
{
    fs::path dir = fs::temp_directory_path() / ("norlet-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directory(dir);
    write_sysfs_tree(p.sysfs, dir / "sys");
    if (*p.font)
        fs::create_symlink(NORLET_SOURCE_DIR "/tests/fixtures/adversarial/" + std::string(p.font),
                           dir / "6x16.bdf");
    uint64_t width = p.xres_virtual ? p.xres_virtual : p.xres;
    // Frames over 64 MiB are written to /dev/null instead of kept.
    bool keep_frame = double(width) * p.yres * p.bits_per_pixel / 8 <= 64 << 20;
    const char *wrapper = std::getenv("NORLET_RUN_WRAPPER");
    std::istringstream words(wrapper ? wrapper : "");
    std::vector<std::string> argv{std::istream_iterator<std::string>(words), {}};
    bool wrapped = !argv.empty();
    argv.push_back(argv0 && !wrapped ? argv0 : binary);
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = fork();
    if (pid == 0) start(wrapped ? argv[0] : binary, argv, p, dir, keep_frame);
    int status = 0;
    waitpid(pid, &status, 0);

    // The sanitizer notes an allocation it refuses (the program reports it):
    // that line goes, from the newline before it (npos + 1 = 0) to its own.
    std::string out = read_file(dir / "out");
    if (size_t at = out.find("WARNING: AddressSanitizer failed to allocate"); at != out.npos)
        out.erase(out.rfind('\n', at) + 1, out.find('\n', at) - out.rfind('\n', at));
    if (size_t at = out.find(binary); wrapped && argv0 && at != std::string::npos)
        out.replace(at, binary.size(), argv0);
    std::string record = WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                           : "signal " + std::to_string(WTERMSIG(status));
    record += "\noutput:\n" + out + (out.empty() || out.back() == '\n' ? "" : "<no newline>\n");
    record += "device calls:\n" + collapsed(read_file(dir / "calls"));
    record += !keep_frame ? "frame: not kept\n"
              : *p.driver ? viewed(dir / "frame", p)
                          : picture(read_file(dir / "frame"), width, p.yres);
    fs::remove_all(dir);
    return record;
}

} // namespace e2e

#endif
