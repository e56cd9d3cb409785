// Standard output and error of a console program written through platform::writeConsoleText, so
// that the program's UTF-8 texts reach a console as its characters and a file or pipe in the
// system's code page (932 on a Japanese Windows). The Windows build links this file into its
// console programs: a static object puts the stream buffers in place before main runs and takes
// them away again, everything written, when the program ends.

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/console.h"

namespace {

// Collects what the program writes and hands it on by whole lines, on a flush, or when much has
// gathered, always at a character's boundary: writeConsoleText converts whole UTF-8 characters.
class ConsoleTextBuffer final : public std::streambuf {
public:
    explicit ConsoleTextBuffer(std::FILE* stream) : stream_(stream) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        pending_ += ch;
        if (ch == '\n' || pending_.size() >= kGathered) handOnWholeCharacters();
        return c;
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.find('\n') != std::string::npos || pending_.size() >= kGathered) handOnWholeCharacters();
        return count;
    }

    int sync() override {
        handOn(pending_.size());
        std::fflush(stream_);
        return 0;
    }

private:
    static constexpr std::size_t kGathered = 4096;

    // Everything up to the start of the last character, which may still be incomplete.
    void handOnWholeCharacters() {
        std::size_t end = pending_.size();
        const auto continuation = [this](std::size_t i) {
            return (static_cast<unsigned char>(pending_[i]) & 0xC0u) == 0x80u;
        };
        if (end > 0 && static_cast<unsigned char>(pending_[end - 1]) >= 0x80u) {
            std::size_t lead = end - 1;
            while (lead > 0 && continuation(lead)) --lead;
            const auto first = static_cast<unsigned char>(pending_[lead]);
            const std::size_t length = first >= 0xF0u ? 4 : first >= 0xE0u ? 3 : first >= 0xC0u ? 2 : 1;
            if (end - lead < length) end = lead;
        }
        handOn(end);
    }

    void handOn(std::size_t count) {
        if (count == 0) return;
        platform::writeConsoleText(stream_, std::string_view(pending_).substr(0, count));
        pending_.erase(0, count);
    }

    std::FILE* stream_;
    std::string pending_;
};

class ConsoleTextStreams {
public:
    ConsoleTextStreams()
        : outputBuffer_(stdout), errorBuffer_(stderr), output_(std::cout.rdbuf(&outputBuffer_)),
          error_(std::cerr.rdbuf(&errorBuffer_)) {}
    ~ConsoleTextStreams() {
        std::cout.flush();
        std::cerr.flush();
        std::cout.rdbuf(output_);
        std::cerr.rdbuf(error_);
    }
    ConsoleTextStreams(const ConsoleTextStreams&) = delete;
    ConsoleTextStreams& operator=(const ConsoleTextStreams&) = delete;

private:
    ConsoleTextBuffer outputBuffer_;
    ConsoleTextBuffer errorBuffer_;
    std::streambuf* output_;
    std::streambuf* error_;
};

// After std::cout and std::cerr exist (<iostream> above), before main.
const ConsoleTextStreams gConsoleTextStreams;

}  // namespace
