#pragma once
// A FIFO for the tests of code that must refuse one without opening it. Opening a FIFO waits
// for its other end, so a test whose code under test opened it after all would hang: while a
// Fifo lives, a thread of its own keeps opening the other end without waiting, which lets such
// an open return (the test then fails on what follows), and counts every time it found the
// FIFO open at the other end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace zunq::tests {

class Fifo {
public:
    explicit Fifo(std::filesystem::path path) : path_(std::move(path)) {
        made_ = ::mkfifo(path_.c_str(), 0666) == 0;
        if (made_)
            other_end_ = std::thread([this] { Serve(); });
    }
    ~Fifo() {
        Stop();
        std::error_code ignored;
        if (made_)
            std::filesystem::remove(path_, ignored);
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool Made() const { return made_; }
    std::string Path() const { return path_.string(); }
    // Stops serving the other end; how many times the FIFO was found opened by someone else
    // (0 for code that refuses it before opening it).
    std::size_t Stop() {
        stop_ = true;
        if (other_end_.joinable())
            other_end_.join();
        return openings_;
    }

private:
    void Serve() {
        while (!stop_) {
            // A writing end opens without waiting only while a reader has the FIFO open (one
            // waiting in open() then goes on, and reads the end once this one is closed).
            if (const int writer = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); writer >= 0) {
                ++openings_;
                ::close(writer);
            }
            // A writer waiting in open() goes on once a reader is there; what it writes is read
            // until it closes its end.
            if (const int reader = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); reader >= 0) {
                char bytes[4096];
                ssize_t got = ::read(reader, bytes, sizeof bytes);
                if (got != 0)
                    ++openings_;
                while (got != 0 && !stop_) {
                    if (got < 0 && errno == EAGAIN)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    got = ::read(reader, bytes, sizeof bytes);
                }
                ::close(reader);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    std::filesystem::path path_;
    bool made_ = false;
    std::atomic<bool> stop_{false};
    std::size_t openings_ = 0;
    std::thread other_end_;
};

} // namespace zunq::tests
