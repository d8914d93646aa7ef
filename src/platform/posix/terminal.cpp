// POSIX: arguments and the standard streams are bytes; what they mean is the locale's business.
#include "platform/terminal.h"

#include <cstdio>
#include <unistd.h>

namespace platform {

std::vector<std::string> CommandArguments(int argc, char** argv) {
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

bool EnableColorOutput() {
    return isatty(STDOUT_FILENO) != 0;
}

bool WriteStandard(TStandardStream stream, std::string_view bytes, bool) {
    std::FILE* file = stream == TStandardStream::Out ? stdout : stderr;
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
}

} // namespace platform
