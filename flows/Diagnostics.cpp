#include "Diagnostics.h"

#include <fmt/format.h>

#include <fstream>
#include <ostream>
#include <stdexcept>
#include <streambuf>

namespace vantix {

namespace {

// Passes what the driver writes on to the file and keeps a copy.
class CopyingBuffer : public std::streambuf {
public:
    explicit CopyingBuffer(std::streambuf& file) : file_(file) {}
    const std::string& text() const { return copy_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        copy_.push_back(traits_type::to_char_type(c));
        return file_.sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        copy_.append(text, static_cast<std::size_t>(count));
        return file_.sputn(text, count);
    }
    int sync() override { return file_.pubsync(); }

private:
    std::streambuf& file_;
    std::string copy_;
};

} // namespace

std::string saveDiagnostics(RVX::Encoder& encoder, const std::string& path, Conversation& conversation) {
    std::ofstream file(path, std::ios::out | std::ios::trunc);
    const auto unwritable = [&] {
        return std::runtime_error(fmt::format("Unable to write diagnostics to \"{}\"", path));
    };
    if (!file) throw unwritable();
    CopyingBuffer copy(*file.rdbuf());
    std::ostream out(&copy);
    {
        auto progress = conversation.progress("Getting RVX Encoder Diagnostics", "Getting diagnostics...");
        encoder.diagnostics(out, progress->step());
    }
    out.flush();
    file.close();
    if (!out || !file) throw unwritable();
    return copy.text();
}

} // namespace vantix
