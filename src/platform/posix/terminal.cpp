// POSIX: arguments and the standard streams are bytes; what they mean is the locale's business.
#include "platform/terminal.h"

#include <cerrno>
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
    // Straight to the descriptor, after whatever stdio holds: stdio splits a large block into the
    // piece that fills its buffer, the whole pages after it and a rest, three calls instead of one.
    if (std::fflush(file) != 0) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t written = write(fileno(file), bytes.data(), bytes.size());
        if (written < 0 && errno != EINTR) {
            return false;
        }
        bytes.remove_prefix(written < 0 ? 0 : static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace platform
