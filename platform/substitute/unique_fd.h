#pragma once
// A file descriptor, closed by its owner, and where a descriptor really is.

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace nivaro {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    void reset(int fd = -1)
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

// Where a descriptor really is: the kernel keeps the path it was reached by, links resolved.
inline std::optional<std::string> RealPathOf(int fd)
{
    std::error_code error;
    const std::filesystem::path real = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
    if (error) {
        return std::nullopt;
    }
    return real.native();
}

}  // namespace nivaro
