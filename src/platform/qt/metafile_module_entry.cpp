// The metafile player as a module of its own, for programs without windows (see
// platform/metafile_module.h). Built only into that module, never into the windows' library.

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "platform/bmp_codec.h"
#include "platform/metafile_module.h"
#include "platform/qt/metafile_painter.h"
#include "platform/wmf_parser.h"

#if defined(_WIN32)
#define GF_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define GF_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Qt's notes about its own set-up (a missing runtime folder, fonts) mean nothing to a user of a
// command-line tool; only real failures are passed on.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Text needs the font database, which lives in a QGuiApplication. A program without windows
// gets one on the platform that draws off the screen, for the rest of its run.
void EnsureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    qInstallMessageHandler(QuietMessages);
    static int argc = 3;
    static char name[] = "glyphforge-cli";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    new QGuiApplication(argc, argv);
}

void SetError(GfRenderedMetafile* out, const std::string& message) {
    std::snprintf(out->Error, sizeof out->Error, "%s", message.c_str());
}

}  // namespace

GF_MODULE_EXPORT int GfRenderMetafile(const std::uint8_t* data, std::size_t size,
                                      GfRenderedMetafile* out) {
    if (!out)
        return 1;
    *out = GfRenderedMetafile{};
    try {
        auto picture = gf::wmf::ParseWmf(gf::Bytes(data, size));
        if (!picture) {
            SetError(out, picture.ErrorMessage());
            return 1;
        }
        EnsureGuiApplication();
        auto bitmap = gf::RenderMetafile(*picture);
        if (!bitmap) {
            SetError(out, bitmap.ErrorMessage());
            return 1;
        }
        const std::vector<std::uint8_t> bmp = gf::EncodeBmp(*bitmap);
        out->Bmp = static_cast<std::uint8_t*>(std::malloc(bmp.size()));
        if (!out->Bmp) {
            SetError(out, "Not enough memory to draw the metafile.");
            return 1;
        }
        std::memcpy(out->Bmp, bmp.data(), bmp.size());
        out->BmpSize = bmp.size();
        return 0;
    } catch (const std::bad_alloc&) {
        SetError(out, "Not enough memory to draw the metafile.");
    } catch (const std::exception& e) {
        SetError(out, std::string("The metafile can not be drawn: ") + e.what());
    } catch (...) {
        SetError(out, "The metafile can not be drawn.");
    }
    return 1;
}

GF_MODULE_EXPORT void GfFreeRenderedMetafile(GfRenderedMetafile* rendering) {
    if (!rendering)
        return;
    std::free(rendering->Bmp);
    rendering->Bmp = nullptr;
    rendering->BmpSize = 0;
}
