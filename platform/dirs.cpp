#include "platform/dirs.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string InstalledDataDir(const std::string& programDir) {
    return (fs::path(programDir) / K964_DATA_DIR_FROM_BIN_DIR).lexically_normal().string();
}

std::string UserFilesDir(const char* configHome, const std::string& home) {
    if (configHome && fs::path(configHome).is_absolute())
        return (fs::path(configHome) / "k964").string();
    return (fs::path(home) / ".config" / "k964").string();
}

ProgramDirs ChooseProgramDirs(const std::string& programDir, const std::string& resourceFile,
                              const std::string& userFilesDir) {
    ProgramDirs dirs{programDir, programDir, programDir, false};
    std::error_code ec;
    if (fs::exists(fs::path(programDir) / resourceFile, ec))
        return dirs;
    const std::string data = InstalledDataDir(programDir);
    if (!fs::is_directory(data, ec))
        return dirs;
    dirs.resources = data;
    dirs.files = userFilesDir;
    dirs.installed = true;
    return dirs;
}
