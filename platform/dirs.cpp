#include "platform/dirs.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string InstalledDataDir(const std::string& programDir) {
    return (fs::path(programDir) / K964_DATA_DIR_FROM_BIN_DIR).lexically_normal().string();
}

namespace {

// An XDG base directory: the variable's value when it is absolute, else
// the default under the home directory.
std::string xdg_dir(const char* value, const std::string& home, const char* fallback) {
    if (value && fs::path(value).is_absolute())
        return (fs::path(value) / "k964").string();
    return (fs::path(home) / fallback / "k964").string();
}

} // namespace

std::string UserFilesDir(const char* configHome, const std::string& home) {
    return xdg_dir(configHome, home, ".config");
}

std::string UserDataDir(const char* dataHome, const std::string& home) {
    return xdg_dir(dataHome, home, ".local/share");
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
