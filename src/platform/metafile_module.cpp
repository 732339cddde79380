#include "platform/metafile_module.h"

#include <string>
#include <system_error>
#include <vector>

#include "platform/bmp_codec.h"
#include "platform/file_io.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

#ifndef GF_METAFILE_MODULE_DIR
#define GF_METAFILE_MODULE_DIR "../lib/glyphforge"
#endif

namespace gf {

namespace fs = std::filesystem;

namespace {

// The folder of the running program, or empty when the system does not say.
fs::path ProgramFolder() {
    std::error_code ec;
#if defined(_WIN32)
    std::wstring buffer(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size())
        return {};
    buffer.resize(n);
    return fs::path(buffer).parent_path();
#elif defined(__APPLE__)
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string buffer(size, '\0');
    if (_NSGetExecutablePath(buffer.data(), &size) != 0)
        return {};
    return fs::canonical(buffer.c_str(), ec).parent_path();
#else
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
#endif
}

struct LoadedModule {
    GfRenderMetafileFn Render = nullptr;
    GfFreeRenderedMetafileFn Free = nullptr;
    std::string Error;  // why it could not be loaded
};

#if defined(_WIN32)
void* OpenLibrary(const fs::path& file, std::string& error) {
    HMODULE h = LoadLibraryW(file.wstring().c_str());
    if (!h)
        error = "error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(h);
}
void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
#else
void* OpenLibrary(const fs::path& file, std::string& error) {
    void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = dlerror();
        error = why ? why : "unknown error";
    }
    return h;
}
void* FindSymbol(void* library, const char* name) {
    return dlsym(library, name);
}
#endif

LoadedModule OpenModule() {
    LoadedModule module;
    const fs::path folder = ProgramFolder();
    std::vector<fs::path> candidates;
    if (!folder.empty()) {
        candidates.push_back(folder / MetafileModuleName());
        candidates.push_back((folder / GF_METAFILE_MODULE_DIR / MetafileModuleName()).lexically_normal());
    }
    std::string tried;
    for (const fs::path& file : candidates) {
        std::error_code ec;
        if (!fs::is_regular_file(file, ec))
            continue;
        std::string error;
        void* library = OpenLibrary(file, error);
        if (!library) {
            module.Error = "The metafile player " + PathText(file) + " can not be loaded: " + error;
            return module;
        }
        // The module stays loaded for the rest of the run.
        module.Render = reinterpret_cast<GfRenderMetafileFn>(
            FindSymbol(library, MetafileModuleRenderSymbol));
        module.Free = reinterpret_cast<GfFreeRenderedMetafileFn>(
            FindSymbol(library, MetafileModuleFreeSymbol));
        if (!module.Render || !module.Free)
            module.Error = "The metafile player " + PathText(file) + " is not the one of this program.";
        return module;
    }
    for (const fs::path& file : candidates)
        tried += "\n  " + PathText(file);
    module.Error = std::string("Metafiles are drawn by ") + MetafileModuleName() +
                   ", which is not installed with this program (looked for" +
                   (candidates.empty() ? std::string(" it beside the program") : ":" + tried) + ").";
    return module;
}

const LoadedModule& Module() {
    static const LoadedModule module = OpenModule();
    return module;
}

}  // namespace

const char* MetafileModuleName() {
#if defined(_WIN32)
    return "glyphforge-metafile.dll";
#else
    return "glyphforge-metafile.so";
#endif
}

Result<Bitmap> RenderMetafileThroughModule(Bytes metafile) {
    const LoadedModule& module = Module();
    if (!module.Render)
        return Error{module.Error};
    GfRenderedMetafile rendering;
    const int status = module.Render(metafile.data(), metafile.size(), &rendering);
    Result<Bitmap> picture = Error{""};
    if (status == 0 && rendering.Bmp) {
        picture = DecodeBmp(Bytes(rendering.Bmp, rendering.BmpSize));
    } else {
        rendering.Error[sizeof rendering.Error - 1] = '\0';
        picture = Error{rendering.Error[0] ? rendering.Error : "The metafile can not be drawn."};
    }
    module.Free(&rendering);
    return picture;
}

}  // namespace gf
