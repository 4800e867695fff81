#pragma once
// The command line's side of the shared sequences: a question is answered
// yes by --yes, asked on a terminal, and refused without one (a failure with
// the usage exit code, never a guess); progress is a bar on a terminal and a
// few plain lines otherwise.
#include "flows/Conversation.h"

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vantix::cli {

struct Answers {
    bool yes = false;         // --yes
    bool interactive = false; // questions may be asked on the terminal
    bool progressBar = false; // stderr is a terminal: redraw one line
};

class TerminalConversation : public Conversation {
public:
    // A failing re-flash is retried at most this often under --yes, so that an
    // unattended run cannot loop for ever on a module that is gone.
    static constexpr int retriesUnderYes = 2;

    TerminalConversation(const Answers& answers, std::istream& in, std::ostream& err)
        : answers_(answers), in_(in), err_(err) {}

    bool ask(Question question, const std::string& text, const std::string& caption) override;
    std::unique_ptr<Progress> progress(const std::string& title, const std::string& message) override;

    // Lets the user at a terminal pick one of `choices` (the window's module
    // choice); none without a terminal, or for an answer that picks none.
    std::optional<std::size_t> choose(const std::string& text, const std::vector<std::string>& choices);

    // Answers the firmware update offer yes without asking (the command asked for it).
    void answerUpdateOffer() { updateAnswered_ = true; }
    // Names the encoder the progress lines are about (the module's serial, when
    // a command works through several); empty for none.
    void setSubject(const std::string& subject) { subject_ = subject; }

private:
    Answers answers_;
    std::istream& in_;
    std::ostream& err_;
    bool updateAnswered_ = false;
    std::string subject_;
    int retries_ = 0;
};

} // namespace vantix::cli
