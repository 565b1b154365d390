#pragma once
// A FIFO for the tests of code that must refuse one without opening it. Opening a FIFO waits
// for its other end, so a test whose code under test opened it after all would hang: while a
// Fifo lives, it holds both ends open itself, so that any open of it, for reading or writing,
// waiting or not, returns at once (the test then fails on what follows), and a thread of its
// own reads whatever is written. Every open of the FIFO is counted by the kernel's file
// notifications, queued before that open returns, so the count never depends on timing.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace zunq::tests {

class Fifo {
public:
    explicit Fifo(std::filesystem::path path) : path_(std::move(path)) {
        if (::mkfifo(path_.c_str(), 0666) != 0)
            return;
        // Read and write ends both: an open on Linux that never waits. It is made before the
        // watch, so only others' opens are counted.
        both_ends_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        made_ = both_ends_ >= 0 && ::pipe2(stop_, O_CLOEXEC) == 0 && watch_ >= 0 &&
                ::inotify_add_watch(watch_, path_.c_str(), IN_OPEN) >= 0;
        if (made_)
            reader_ = std::thread([this] { Read_What_Is_Written(); });
    }
    ~Fifo() {
        Stop();
        for (const int descriptor : {both_ends_, watch_, stop_[0], stop_[1]})
            if (descriptor >= 0)
                ::close(descriptor);
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool Made() const { return made_; }
    std::string Path() const { return path_.string(); }
    // Stops serving the FIFO; how many times someone else opened it so far, opens in a row
    // counted as one (0 for code that refuses it before opening it).
    std::size_t Stop() {
        if (reader_.joinable()) {
            const char stop = 0;
            if (::write(stop_[1], &stop, 1) == 1)
                reader_.join();
        }
        alignas(inotify_event) char events[4096];
        for (ssize_t got; (got = ::read(watch_, events, sizeof events)) > 0;)
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                openings_ += (event->mask & IN_OPEN) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        return openings_;
    }

private:
    void Read_What_Is_Written() {
        pollfd waits[] = {{both_ends_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        char bytes[4096];
        for (;;) {
            if (::poll(waits, 2, -1) < 0 && errno != EINTR)
                return;
            if (waits[1].revents != 0)
                return;
            if (waits[0].revents != 0 && ::read(both_ends_, bytes, sizeof bytes) < 0 && errno != EAGAIN)
                return;
        }
    }

    std::filesystem::path path_;
    bool made_ = false;
    int both_ends_ = -1;
    int watch_ = -1;
    int stop_[2] = {-1, -1};
    std::size_t openings_ = 0;
    std::thread reader_;
};

} // namespace zunq::tests
