// The commands of mirolan-cli. Each lives in its own file and is one row of the table in main.cpp;
// a command gets its arguments (after its name) as bytes and returns the exit status.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

struct TInvocation {
    std::string toolPath; // argv[0], for what lies beside the tool
    std::vector<std::string> arguments;
};

struct TCommand {
    const char* name;
    const char* usage;   // the arguments, as the help shows them
    const char* summary; // one line in the tool's help
    const char* help;    // the rest of the command's help
    int (*run)(const TInvocation& invocation);
};

constexpr int kExitSuccess = 0;
constexpr int kExitNoMatch = 1; // a search that printed nothing
constexpr int kExitFailure = 2;

// Wrong arguments: the tool prints the message and the command's usage.
class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes all of `bytes` to standard output, or throws "Stream write error". On Windows a console is
// given the characters.
void WriteOut(const std::string& bytes);
// Tells the user on standard error, after the tool's name, in words the terminal shows.
void Complain(const std::string& text);

int ListCommand(const TInvocation& invocation);
int PackCommand(const TInvocation& invocation);
int UnpackCommand(const TInvocation& invocation);
int CatalogsCommand(const TInvocation& invocation);
int CreateCommand(const TInvocation& invocation);
int SearchCommand(const TInvocation& invocation);
