#pragma once
// Paths between Qt text and std::filesystem. On Windows paths are UTF-16 on both sides; elsewhere
// file names are UTF-8 bytes.

#include <QString>
#include <filesystem>

namespace gf {

inline std::filesystem::path ToPath(const QString& text) {
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    return std::filesystem::path(text.toStdString());
#endif
}

inline QString ToQString(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QString::fromStdString(path.string());
#endif
}

}  // namespace gf
