// A program that needs the C++ run time: it throws and catches (libstdc++'s
// __cxa_throw) and walks its own stack (libgcc_s's _Unwind_Backtrace).
#include <stdexcept>
#include <unwind.h>

namespace
{

_Unwind_Reason_Code count_frame(_Unwind_Context *, void *frames)
{
    ++*static_cast<int *>(frames);
    return _URC_NO_REASON;
}

} // namespace

int main(int argc, char **)
{
    int frames = 0;
    _Unwind_Backtrace(count_frame, &frames);
    try {
        if (argc > 0) throw std::runtime_error("probe");
    } catch (const std::exception &) {
        return frames > 0 ? 0 : 1;
    }
    return 1;
}
