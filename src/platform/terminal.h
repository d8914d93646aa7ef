// The command line and the standard streams as a terminal user meets them. On Windows the arguments
// come from the wide command line and a console is given characters, not bytes, so that neither the
// ANSI calls' best fit nor the console's own code page (the OEM one, 866 on a Russian system) changes
// the text; elsewhere both are bytes as they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class TStandardStream { Out, Err };

// The arguments after the program's name. POSIX: argv as it is. Windows: the wide command line in the
// ANSI code page, without a best fit; an argument with a character the code page lacks throws
// std::runtime_error, naming the character.
std::vector<std::string> CommandArguments(int argc, char** argv);

// Whether standard output reaches a terminal that acts on colour escape sequences; a Windows console
// is asked to act on them.
bool EnableColorOutput();

// Writes all of `bytes`; false when the stream took less. With `asCharacters`, a Windows console is
// given them as characters of the ANSI code page through the wide-character API. A file, a pipe, and
// everything off Windows get the bytes as they are.
bool WriteStandard(TStandardStream stream, std::string_view bytes, bool asCharacters);

} // namespace platform
