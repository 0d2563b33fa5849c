#include "library_chatter.h"

#include <array>
#include <atomic>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace echodelve {

namespace {

std::atomic<bool> shown{false};
std::atomic<int> toolFd{STDERR_FILENO};

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

// An unbuffered stream onto a file descriptor: each message is written as
// the tool writes it, in its order with what the libraries' lines pass on.
class FdBuffer : public std::streambuf {
  public:
    explicit FdBuffer(int fd) : fd_(fd) {}

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        const char byte = traits_type::to_char_type(c);
        return write(fd_, &byte, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        WriteAll(fd_, std::string_view(data, static_cast<std::size_t>(count)));
        return count;
    }

  private:
    int fd_;
};

}  // namespace

void ShowLibraryChatter(bool show) {
    shown = show;
}

int LibraryChatter::ToolFd() {
    return toolFd;
}

LibraryChatter::LibraryChatter(std::string name)
    : mark_(std::move(name) + ": library: "), tool_(&std::cerr) {
    std::array<int, 2> ends{-1, -1};
    if (pipe2(ends.data(), O_CLOEXEC) != 0) {
        return;
    }
    real_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (real_ < 0 || dup2(ends[1], STDERR_FILENO) < 0) {
        close(ends[0]);
        close(ends[1]);
        if (real_ >= 0) {
            close(real_);
            real_ = -1;
        }
        return;
    }
    close(ends[1]);  // stderr is the writing end now
    reader_ = ends[0];
    buffer_ = std::make_unique<FdBuffer>(real_);
    ownTool_ = std::make_unique<std::ostream>(buffer_.get());
    tool_ = ownTool_.get();
    toolFd = real_;
    thread_ = std::thread([this] { Pass(); });
}

LibraryChatter::~LibraryChatter() {
    if (real_ < 0) {
        return;
    }
    // The real stderr back in its place closes the pipe's writing end: the
    // reader sees its end and passes on what was left.
    dup2(real_, STDERR_FILENO);
    toolFd = STDERR_FILENO;
    thread_.join();
    close(reader_);
    close(real_);
}

void LibraryChatter::Pass() {
    std::array<char, 4096> block{};
    std::string line;
    for (;;) {
        const ssize_t n = read(reader_, block.data(), block.size());
        if (n <= 0) {
            break;
        }
        line.append(block.data(), static_cast<std::size_t>(n));
        for (std::size_t end = line.find('\n'); end != std::string::npos; end = line.find('\n')) {
            if (shown) {
                WriteAll(real_, mark_ + line.substr(0, end + 1));
            }
            line.erase(0, end + 1);
        }
    }
    if (shown && !line.empty()) {
        WriteAll(real_, mark_ + line + "\n");
    }
}

}  // namespace echodelve
