// The simulator's side of the line: a pseudo-terminal whose slave side stays
// open, and the COM<n> link to it, which never replaces a link to anything
// but a simulator's pseudo-terminal.
#pragma once

#include <fcntl.h>
#include <limits.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

class Pty {
  public:
    ~Pty() { close(); }

    bool open(std::string* error) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        char name[PATH_MAX];
        if (ptsname_r(master_, name, sizeof name) != 0) {
            *error = std::string("no pseudo-terminal name: ") + std::strerror(errno);
            return false;
        }
        slavePath_ = name;
        // Held open for the whole run: without a slave, reads on the master
        // fail with EIO whenever no client has the device open.
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) {
            *error = std::string("cannot open ") + name + ": " + std::strerror(errno);
            return false;
        }
        // QSerialPort makes the device exclusive while it has it open. With
        // our slave held open, a client that ends without closing the port
        // (as k964 does on exit) would leave it exclusive for good: watch the
        // clients come and go, and lift it when the last one has gone.
        watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch_ < 0 || inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0) {
            *error = std::string("cannot watch ") + name + ": " + std::strerror(errno);
            return false;
        }
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave_, TCSANOW, &t);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        return true;
    }

    void close() {
        for (int* fd : {&master_, &slave_, &watch_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    int master() const { return master_; }
    int watch() const { return watch_; }
    const std::string& slavePath() const { return slavePath_; }

    // Counts the clients' opens and closes of the device.
    void clientsChanged() {
        alignas(inotify_event) char buf[4096];
        ssize_t n;
        while ((n = ::read(watch_, buf, sizeof buf)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                if (e->mask & IN_OPEN)
                    ++clients_;
                if (e->mask & IN_CLOSE)
                    --clients_;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        if (clients_ <= 0) {
            clients_ = 0;
            ioctl(slave_, TIOCNXCL);
        }
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    int clients_ = 0;
    std::string slavePath_;
};

class Link {
  public:
    // Points `path` at `target`, replacing a link left by a simulator that
    // did not clean up: one into /dev/pts. Anything else, above all a
    // technician's link to a real adapter, is left alone.
    bool make(const std::string& path, const std::string& target, std::string* error) {
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                *error = path + " exists and is not a symbolic link";
                return false;
            }
            char buf[PATH_MAX];
            ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
            const std::string old = n >= 0 ? std::string(buf, static_cast<std::size_t>(n)) : "";
            if (!old.starts_with("/dev/pts/")) {
                *error = path + " links to " + old +
                         ", not to a simulator's pseudo-terminal: left alone (choose another "
                         "number with --port)";
                return false;
            }
        }
        std::string temp = path + ".k964-sim." + std::to_string(getpid());
        unlink(temp.c_str());
        if (symlink(target.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
            *error = "cannot create " + path + ": " + std::strerror(errno);
            unlink(temp.c_str());
            return false;
        }
        path_ = path;
        target_ = target;
        return true;
    }

    // Removes the link if it is still ours.
    void remove() {
        if (path_.empty())
            return;
        char buf[PATH_MAX];
        ssize_t n = readlink(path_.c_str(), buf, sizeof buf - 1);
        if (n >= 0 && std::string(buf, static_cast<std::size_t>(n)) == target_)
            unlink(path_.c_str());
        path_.clear();
    }

  private:
    std::string path_;
    std::string target_;
};
