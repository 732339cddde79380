// The icon file checker and its fixer over any bytes. Whatever the input, the check ends with
// findings that name entries the directory has; a fix, when one is made, is an icon or cursor
// file whose own check (which the fix reports as what remains) finds nothing the fixer mends,
// and fixing it again changes nothing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconfile/ico_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const gf::Bytes bytes(data, size);
    const gf::IconCheckReport report = gf::CheckIconFile(bytes);
    for (const gf::IconFinding& f : report.Findings) {
        if (f.Entry < -1 || (f.Entry >= 0 && static_cast<std::size_t>(f.Entry) >= 65535) ||
            f.Text.empty())
            std::abort();
    }

    auto fixed = gf::FixIconFile(bytes, report);
    if (!fixed)
        return 0;
    for (const gf::IconFinding& f : fixed->Remaining.Findings) {
        if (f.Fixable)
            std::abort();
    }
    auto twice = gf::FixIconFile(fixed->File, fixed->Remaining);
    if (!twice || twice->File != fixed->File)
        std::abort();
    return 0;
}
