#pragma once
// How zevahv fails: one exception type that carries the process exit code,
// the library result code it stands for (when there is one) and a message.
// main() prints it as "zevahv: <system> at <address>: <message> (code N)".

#include <stdexcept>
#include <string>

namespace zcli {

// Exit codes of the program; the README and --help list them.
enum Exit : int {
    kExitOk = 0,
    kExitLibrary = 1,   // the library or the device refused a call
    kExitUsage = 2,     // the command line is wrong
    kExitOpen = 3,      // the system could not be opened
    kExitNotFound = 4,  // no such slot, channel, parameter, property or command
    kExitBadValue = 5,  // a value that is not a number or a choice, or out of range
    kExitEvents = 6,    // the event connection failed or stayed silent
};

class Failure : public std::runtime_error {
public:
    // `code` is the library result code the failure stands for, -1 for none.
    Failure(int exit_code, int code, const std::string& message)
        : std::runtime_error(message), exit_code_(exit_code), code_(code) {}
    int exit_code() const { return exit_code_; }
    int code() const { return code_; }

private:
    int exit_code_;
    int code_;
};

// What a library result code means, in words, for codes the library returns
// without a text of its own (module families report by code only).
const char* code_text(int code);

// The exit code for a call the library refused with `code`: "not found"
// for the codes that name something missing, else "refused".
int exit_code_for(int code);

// "message (code N)", or the message alone for code -1.
std::string with_code(const std::string& message, int code);

}  // namespace zcli
