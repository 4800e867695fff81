#pragma once
// What the shared sequences need from whoever runs them: answers to their
// questions and a display of a long operation's progress. The window answers
// with its dialogs; the command line with --yes, a terminal prompt, or a refusal.
#include "encoders/Encoder.h"

#include <functional>
#include <memory>
#include <string>

namespace vantix {

// The questions the sequences ask, so that an answerer can tell them apart.
enum class Question { RestoreDefaults, UpdateFirmware, RetryUpdate };

// The progress display of one long operation, closed when destroyed.
class Progress {
public:
    virtual ~Progress() = default;
    // Takes each line of a re-flash's progress text.
    virtual StatusCallback status() = 0;
    // Takes each step of a diagnostics acquisition.
    virtual std::function<void()> step() = 0;
};

class Conversation {
public:
    virtual ~Conversation() = default;
    // Yes (true) or no to a question, with the text and caption the window shows.
    virtual bool ask(Question question, const std::string& text, const std::string& caption) = 0;
    // Opens a progress display with a title and a message.
    virtual std::unique_ptr<Progress> progress(const std::string& title, const std::string& message) = 0;
};

inline constexpr const char* programmingMessage = "Programming encoder...\nDo not disconnect";

} // namespace vantix
