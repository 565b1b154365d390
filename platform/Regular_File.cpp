#include "platform/Regular_File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace platform {

namespace {

std::string Kind_Refusal(mode_t mode) {
    if (S_ISDIR(mode))
        return "is a directory";
    const char* kind = S_ISFIFO(mode)   ? "is a FIFO"
                       : S_ISCHR(mode)  ? "is a character device"
                       : S_ISBLK(mode)  ? "is a block device"
                       : S_ISSOCK(mode) ? "is a socket"
                                        : "is something else";
    return std::string(kind) + ", not a regular file";
}

std::string System_Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

} // namespace

Regular_File::Regular_File(const char* path, int flags, mode_t mode) {
    struct stat named {};
    if (path == nullptr || ::stat(path, &named) != 0) {
        const int error = path == nullptr ? ENOENT : errno;
        if (error != ENOENT || (flags & O_CREAT) == 0) {
            missing_ = error == ENOENT;
            refusal_ = System_Reason(error);
            return;
        }
    } else if (!S_ISREG(named.st_mode)) {
        refusal_ = Kind_Refusal(named.st_mode);
        return;
    }
    const int descriptor = ::open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (descriptor < 0) {
        // Replaced since the look (a FIFO without a reader refuses a writer with ENXIO).
        const int error = errno;
        if (::stat(path, &named) == 0 && !S_ISREG(named.st_mode)) {
            refusal_ = Kind_Refusal(named.st_mode);
        } else {
            missing_ = error == ENOENT;
            refusal_ = System_Reason(error);
        }
        return;
    }
    struct stat opened {};
    const bool looked = ::fstat(descriptor, &opened) == 0;
    if (!looked || !S_ISREG(opened.st_mode)) {
        refusal_ = looked ? Kind_Refusal(opened.st_mode) : System_Reason(errno);
        ::close(descriptor);
        return;
    }
    descriptor_ = descriptor;
    size_ = static_cast<std::uint64_t>(opened.st_size);
}

Regular_File::~Regular_File() {
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

int Regular_File::Release() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

int Regular_File::Replace_Contents(const std::uint8_t* data, std::size_t size) {
    if (descriptor_ < 0)
        return EBADF;
    if (::lseek(descriptor_, 0, SEEK_SET) < 0)
        return errno;
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = ::write(descriptor_, data + done, size - done);
        if (written < 0 && errno != EINTR)
            return errno;
        done += written > 0 ? static_cast<std::size_t>(written) : 0;
    }
    return ::ftruncate(descriptor_, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

std::string Not_A_Regular_File(const char* path) {
    struct stat named {};
    if (path == nullptr || ::stat(path, &named) != 0 || S_ISREG(named.st_mode))
        return {};
    return Kind_Refusal(named.st_mode);
}

namespace {

template <typename Bytes>
Read_Outcome Read_Into(const char* path, std::size_t most, Bytes& out, std::string* why) {
    const auto refused = [why](Read_Outcome outcome, std::string reason) {
        if (why != nullptr)
            *why = std::move(reason);
        return outcome;
    };
    const auto too_large = [&] {
        return refused(Read_Outcome::Too_Large, "holds more than " + std::to_string(most) + " bytes");
    };
    Regular_File file(path, O_RDONLY);
    if (!file.Is_Open())
        return refused(file.Missing() ? Read_Outcome::Missing : Read_Outcome::Refused, file.Refusal());
    if (file.Size() > most)
        return too_large();
    // The size may change while the file is read: the bound holds for what is read.
    Bytes bytes;
    bytes.reserve(static_cast<std::size_t>(file.Size()));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(file.Descriptor(), chunk, sizeof chunk);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return refused(Read_Outcome::Refused, System_Reason(errno));
        }
        if (bytes.size() + static_cast<std::size_t>(got) > most)
            return too_large();
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    out = std::move(bytes);
    return Read_Outcome::Read;
}

} // namespace

Read_Outcome Read_Regular_File(const char* path, std::size_t most, std::vector<std::uint8_t>& bytes,
                               std::string* why) {
    return Read_Into(path, most, bytes, why);
}

Read_Outcome Read_Regular_File(const char* path, std::size_t most, std::string& bytes, std::string* why) {
    return Read_Into(path, most, bytes, why);
}

} // namespace platform
