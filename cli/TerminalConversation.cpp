#include "TerminalConversation.h"

#include "Outcome.h"
#include "flows/ProgressReading.h"

#include <fmt/format.h>

#include <string>

namespace vantix::cli {

namespace {

// One operation's progress on stderr. A bar rewrites one line on a terminal;
// otherwise a line is written when the phase changes or the estimate passes
// another tenth, so that a log holds a readable trace.
class StreamProgress : public Progress {
public:
    StreamProgress(std::ostream& err, std::string title, bool bar)
        : err_(err), title_(std::move(title)), bar_(bar) {}
    ~StreamProgress() override {
        if (bar_ && drawn_) err_ << "\n" << std::flush;
    }

    StatusCallback status() override {
        return [this](const std::string& line) {
            flash_.read(line);
            show(flash_.percent(), flash_.summary(), static_cast<int>(flash_.phase()), line);
        };
    }
    std::function<void()> step() override {
        return [this] {
            acquisition_.step();
            show(acquisition_.percent(), acquisition_.summary(), acquisition_.percent() < 2 ? 0 : 1, "");
        };
    }

private:
    void show(int percent, const std::string& summary, int phase, const std::string& line) {
        if (bar_) {
            constexpr int width = 30;
            const int filled = percent * width / 100;
            std::string text = fmt::format("\r{}: [{}{}] {}", title_, std::string(filled, '#'),
                                           std::string(width - filled, '-'), summary);
            if (!line.empty()) text += "  " + line.substr(0, 40);
            // Pad over what a longer line before left on the terminal.
            const std::size_t length = text.size();
            if (length < lastLength_) text += std::string(lastLength_ - length, ' ');
            lastLength_ = length;
            err_ << text << std::flush;
            drawn_ = true;
            return;
        }
        if (phase == lastPhase_ && percent / 10 == lastTenth_) return;
        lastPhase_ = phase;
        lastTenth_ = percent / 10;
        err_ << title_ << ": " << summary << "\n" << std::flush;
    }

    std::ostream& err_;
    std::string title_;
    bool bar_;
    bool drawn_ = false;
    std::size_t lastLength_ = 0;
    int lastPhase_ = -1, lastTenth_ = -1;
    FlashProgress flash_;
    AcquisitionProgress acquisition_;
};

} // namespace

bool TerminalConversation::ask(Question question, const std::string& text, const std::string& caption) {
    // Each update offer (one per encoder `apply` works through) has its own retries.
    if (question == Question::UpdateFirmware) retries_ = 0;
    if (question == Question::UpdateFirmware && updateAnswered_) return true;
    if (answers_.yes) {
        if (question != Question::RetryUpdate) return true;
        return retries_++ < retriesUnderYes;
    }
    if (!answers_.interactive) {
        // Stopping is the answer that changes nothing on the encoder.
        if (question == Question::RetryUpdate) return false;
        throw usageError(
            fmt::format("{}\nNo answer without a terminal: run with --yes to answer yes.", text));
    }
    err_ << caption << ": " << text << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

std::optional<std::size_t> TerminalConversation::choose(const std::string& text,
                                                        const std::vector<std::string>& choices) {
    if (!answers_.interactive || choices.empty()) return std::nullopt;
    err_ << text << ":\n";
    for (std::size_t i = 0; i < choices.size(); ++i)
        err_ << fmt::format("{:>3}  {}\n", i, choices[i]);
    err_ << fmt::format("Number (0 to {}, empty to cancel): ", choices.size() - 1) << std::flush;
    std::string answer;
    if (!std::getline(in_, answer) || answer.empty() || answer.size() > 4 ||
        answer.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::size_t chosen = std::stoul(answer);
    if (chosen >= choices.size()) return std::nullopt;
    return chosen;
}

std::unique_ptr<Progress> TerminalConversation::progress(const std::string& title, const std::string&) {
    return std::make_unique<StreamProgress>(err_, subject_.empty() ? title : subject_ + ": " + title,
                                            answers_.progressBar);
}

} // namespace vantix::cli
