// Runs the real norlet-display binary on the fake panel and collects what it
// did: its output, its exit status, the device calls and the written frame.
#ifndef NORLET_E2E_HARNESS_H
#define NORLET_E2E_HARNESS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace e2e
{

// What the fake driver reports and how it misbehaves.
struct Panel {
    uint32_t xres = 128;
    uint32_t yres = 64;
    uint32_t xres_virtual = 0; // 0: same as xres
    uint32_t bits_per_pixel = 1;
    std::string fail;                 // "", "open", "ioctl", "write" or "short"
    int fail_errno = 5;               // EIO
    std::string font_dir;             // where the font paths lead; empty: the generated fonts
    uint64_t address_space_limit = 0; // RLIMIT_AS for the run, 0 = none
    bool capture = true;              // keep the written frame (else it is discarded)
};

struct Run {
    int exit_status = -1;       // -1 when the program did not exit normally
    int signal = 0;             // the signal that ended it, if any
    std::string out;            // everything written to stdout
    std::string err;            // everything written to stderr
    std::string calls;          // the device calls, one per line
    std::vector<uint8_t> frame; // the bytes written to the device
    bool wrote_frame = false;   // the capture file exists
};

// Runs the binary with these arguments (argv[0] is the binary's path unless
// argv0 is given) on the panel. When NORLET_RUN_WRAPPER is set (for example
// "valgrind --error-exitcode=99" or an emulator), its words are run with the
// binary's path and the arguments after them.
Run run_display(const std::vector<std::string> &args, const Panel &panel = {},
                const char *argv0 = nullptr);

// Whether runs go through NORLET_RUN_WRAPPER.
bool wrapped();

// The first `visible` columns of a frame of width x height as text art, '#'
// for a pixel that is on; bytes the frame lacks read as off.
std::string frame_art(const std::vector<uint8_t> &frame, int32_t width, int32_t height,
                      int32_t visible);

// Expected and actual text art side by side, rows that differ marked.
std::string side_by_side(const std::string &expected, const std::string &actual);

// The directory of the generated device fonts.
std::string font_dir();

// Reads a whole file; empty when it cannot be read.
std::string read_text(const std::string &path);

} // namespace e2e

#endif
