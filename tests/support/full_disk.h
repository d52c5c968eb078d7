// A folder on a disk with no room left: a tiny tmpfs, filled up. Only root
// may mount one; elsewhere mounted() is false and the test skips that case.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class FullDisk {
  public:
    FullDisk() {
        char pattern[] = "/tmp/k964-full-XXXXXX";
        if (!mkdtemp(pattern))
            return;
        path_ = pattern;
        mounted_ = geteuid() == 0 && mount("tmpfs", pattern, "tmpfs", 0, "size=64k") == 0;
        std::ofstream fill(path_ + "/fill", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; mounted_ && fill && i < 64; ++i)
            fill.write(block.data(), static_cast<std::streamsize>(block.size())).flush();
    }
    ~FullDisk() {
        if (mounted_)
            umount2(path_.c_str(), MNT_DETACH);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    // The names in the folder besides the filling.
    int others() const {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            n += entry.path().filename() != "fill";
        return n;
    }

  private:
    std::string path_;
    bool mounted_ = false;
};
