// OpenFile, FmtFile, ScanFile, CloseFile on the C library's streams.
// Writing goes to a temporary file beside the target, which replaces the
// target only when everything was written: a full disk leaves the previous
// file as it was. Where no temporary file can be made beside it (a directory
// the user may not write to), or the new file could not keep the old one's
// owner, the file is written in place. A file the user may not write to is
// left as it is.
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct OpenedFile {
    std::FILE* stream = nullptr;
    bool writing = false;
    bool inPlace = false; // written where it is, no temporary file
    bool failed = false;
    char path[MAX_PATHNAME_LEN] = {};
    char temp[MAX_PATHNAME_LEN + 8] = {};
};

constexpr int kMaxFiles = 8;
OpenedFile files[kMaxFiles];

OpenedFile* lookup(int handle) {
    if (handle < 1 || handle > kMaxFiles || !files[handle - 1].stream)
        return nullptr;
    return &files[handle - 1];
}

// False for a file that exists and may not be written to: it is left
// untouched. A missing file, or something else in the way, is for the write
// itself to find out.
bool writable(const char* path) {
    std::FILE* probe = std::fopen(path, "r+");
    if (probe) {
        std::fclose(probe);
        return true;
    }
    return errno != EACCES && errno != EPERM && errno != EROFS;
}

// Gives the new file the owner of the one it replaces; false when that
// cannot be done (only the owner's own files, or root, can), so that the
// file is written in place and keeps its owner.
bool sameOwner(std::FILE* stream, const char* path) {
#ifndef _WIN32
    struct stat old;
    if (stat(path, &old) != 0)
        return true;
    struct stat mine;
    if (fstat(fileno(stream), &mine) != 0)
        return false;
    if (mine.st_uid == old.st_uid && mine.st_gid == old.st_gid)
        return true;
    return fchown(fileno(stream), old.st_uid, old.st_gid) == 0;
#else
    (void)stream;
    (void)path;
    return true;
#endif
}

} // namespace

int OpenFile(const char* path, int access, int action, int fileType) {
    (void)fileType; // text mode: the C library's line ends of the platform
    int slot = 0;
    while (slot < kMaxFiles && files[slot].stream)
        ++slot;
    if (slot == kMaxFiles || std::strlen(path) >= MAX_PATHNAME_LEN)
        return -1;
    OpenedFile& f = files[slot];
    f = OpenedFile{};
    std::snprintf(f.path, sizeof f.path, "%s", path);
    if (access == VAL_READ_ONLY) {
        f.stream = std::fopen(path, "r");
    } else if (access == VAL_WRITE_ONLY && action == VAL_TRUNCATE) {
        // A linked file is replaced where it really lives, the link kept.
        std::error_code ec;
        std::string target = path;
        if (std::filesystem::is_symlink(target, ec)) {
            std::string real = std::filesystem::weakly_canonical(target, ec).string();
            if (!ec && real.size() < MAX_PATHNAME_LEN)
                target = real;
        }
        std::snprintf(f.path, sizeof f.path, "%s", target.c_str());
        std::snprintf(f.temp, sizeof f.temp, "%s.new", target.c_str());
        f.writing = true;
        if (!writable(f.path))
            return -1;
        f.stream = std::fopen(f.temp, "w");
        if (!f.stream) {
            // A leftover of an interrupted save must not block every later one.
            std::filesystem::remove(f.temp, ec);
            f.stream = std::fopen(f.temp, "w");
        }
        if (f.stream && !sameOwner(f.stream, f.path)) {
            std::fclose(f.stream);
            f.stream = nullptr;
            std::filesystem::remove(f.temp, ec);
        }
        if (!f.stream) {
            f.inPlace = true;
            f.stream = std::fopen(f.path, "w");
        }
    }
    if (!f.stream)
        return -1;
    return slot + 1;
}

int CloseFile(int handle) {
    OpenedFile* f = lookup(handle);
    if (!f)
        return -1;
    bool ok = !f->failed && std::fflush(f->stream) == 0;
#ifndef _WIN32
    if (ok && f->writing)
        ok = fsync(fileno(f->stream)) == 0;
#endif
    ok = std::fclose(f->stream) == 0 && ok;
    f->stream = nullptr;
    if (!f->writing || f->inPlace)
        return ok ? 0 : -1;
    std::error_code ec;
    if (ok) {
        // The new file keeps the permissions the technician gave the old one.
        auto old = std::filesystem::status(f->path, ec);
        if (!ec && std::filesystem::exists(old))
            std::filesystem::permissions(f->temp, old.permissions(), ec);
        ec.clear();
        std::filesystem::rename(f->temp, f->path, ec);
    }
    if (!ok || ec) {
        std::filesystem::remove(f->temp, ec);
        return -1;
    }
    return 0;
}

int fmt_file_render(int handle, const char* format, const fmt_detail::Value* values, int count) {
    OpenedFile* f = lookup(handle);
    if (!f || !f->writing)
        return -1;
    char text[256];
    int n = fmt_detail::render(text, sizeof text, format, values, count);
    if (std::fwrite(text, 1, static_cast<std::size_t>(n), f->stream) !=
        static_cast<std::size_t>(n)) {
        f->failed = true;
        return -1;
    }
    return n;
}

int scan_file(int handle, const char* format, const fmt_detail::Target* targets, int count) {
    OpenedFile* f = lookup(handle);
    if (!f || f->writing)
        return 0;
    // Only the leading number matters: white space of any length is passed
    // over, then the characters that can make up a number are kept, leading
    // zeros but one dropped, as far as the buffer goes; whatever number is
    // cut there has more digits than any port number can have.
    char text[256];
    std::size_t n = 0;
    int c = 0;
    while ((c = std::fgetc(f->stream)) != EOF && c != '\0' && std::strchr(" \t\n\r\v\f", c))
        ;
    while (n < sizeof text && c != EOF && c != '\0' && std::strchr("0123456789+-.eE", c)) {
        std::size_t sign = n > 0 && (text[0] == '+' || text[0] == '-') ? 1 : 0;
        if (!(c == '0' && n == sign + 1 && text[sign] == '0'))
            text[n++] = static_cast<char>(c);
        c = std::fgetc(f->stream);
    }
    if (std::ferror(f->stream))
        return 0;
    return fmt_detail::scan(text, n, format, targets, count);
}
