// A folder on a disk with no room left: a filled 64 KiB tmpfs. Only root may
// mount one; elsewhere mounted() is false and the test skips that case.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class FullDisk {
  public:
    FullDisk() : path_(mkdtemp(pattern_) ? pattern_ : "") {
        mounted_ = geteuid() == 0 && mount("tmpfs", pattern_, "tmpfs", 0, "size=64k") == 0;
        std::ofstream fill(path_ + "/fill", std::ios::binary);
        for (int i = 0; mounted_ && fill && i < 64; ++i)
            fill << std::string(4096, 'x') << std::flush;
    }
    ~FullDisk() {
        if (mounted_)
            umount2(pattern_, MNT_DETACH);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    // How many files besides the filling it holds.
    long others() const {
        const auto all = std::filesystem::directory_iterator(path_);
        return std::distance(begin(all), end(all)) - 1;
    }

  private:
    char pattern_[32] = "/tmp/k964-full-XXXXXX";
    std::string path_;
    bool mounted_ = false;
};
