// The catalog commands of mirolan-cli: list, pack, unpack, catalogs, create.
#include "commands.h"

#include <algorithm>
#include <cstdio>

#include "catalogs/catalog_files.h"
#include "catalogs/catalog_tree.h"
#include "cli_settings.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "terminal_text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const std::string& OneArgument(const TInvocation& invocation) {
    if (invocation.arguments.size() != 1) {
        throw EUsage("expects one argument");
    }
    return invocation.arguments[0];
}

// The tool names an existing catalog file; a missing one is reported as the file layer words it.
const std::string& ExistingCatalog(const TInvocation& invocation) {
    const std::string& path = OneArgument(invocation);
    if (!platform::FileExists(path)) {
        platform::TFile file(path, platform::TFile::Mode::Read);
    }
    return path;
}

// The folder the command works on; a missing one ends it.
void RequireFolder(const std::string& folder) {
    if (!platform::FolderExists(folder)) {
        throw platform::EFileError("Cannot find folder \"" + platform::FullPath(folder) + "\"");
    }
}

} // namespace

void WriteOut(const std::string& bytes) {
    if (!WriteToTerminal(platform::TStandardStream::Out, bytes)) {
        throw platform::EFileError("Stream write error");
    }
}

int ListCommand(const TInvocation& invocation) {
    TInvocation catalog = invocation;
    const auto flag = std::find(catalog.arguments.begin(), catalog.arguments.end(), "--encoding");
    const bool encodingOnly = flag != catalog.arguments.end();
    if (encodingOnly) {
        catalog.arguments.erase(flag);
    }
    std::string text;
    const TListingFormat format = ReadCatalogText(ExistingCatalog(catalog), text);
    if (encodingOnly) {
        WriteOut(DescribeListingFormat(format, platform::ActiveCodePage()) + "\n");
        return kExitSuccess;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // the text's CR LF as they are, no LF widened
#endif
    WriteOut(text);
    return kExitSuccess;
}

int PackCommand(const TInvocation& invocation) {
    PackCatalogFile(ExistingCatalog(invocation));
    return kExitSuccess;
}

int UnpackCommand(const TInvocation& invocation) {
    UnpackCatalogFile(ExistingCatalog(invocation));
    return kExitSuccess;
}

int CatalogsCommand(const TInvocation& invocation) {
    if (invocation.arguments.size() > 1) {
        throw EUsage("expects at most one argument");
    }
    const std::string folder =
        invocation.arguments.empty() ? DefaultCatalogFolder(invocation.toolPath) : invocation.arguments[0];
    RequireFolder(folder);
    std::string out;
    for (const std::string& name : ListCatalogNames(folder)) {
        out += name + "\n";
    }
    WriteOut(out);
    return kExitSuccess;
}

int CreateCommand(const TInvocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const TTerminalText terminal(arguments);
    std::vector<std::string> paths;
    bool force = false;
    for (const std::string& argument : arguments) {
        if (argument == "--force") {
            force = true;
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 2) {
        throw EUsage("expects a folder and a catalog");
    }
    const std::string& catalog = paths[1];
    RequireFolder(paths[0]);
    if (platform::FileExists(catalog) && !force) {
        throw platform::EFileError("File \"" + platform::FullPath(catalog) +
                                   "\" already exists; --force overwrites it");
    }
    // Full paths with the backslash of Windows catalogs throughout, so that both builds' catalogs
    // read alike; the file layer off Windows takes a backslash for a slash.
    std::string folder = platform::FullPath(paths[0]);
    std::replace(folder.begin(), folder.end(), '/', '\\');
    std::vector<std::string> lines = ListCatalogTree(folder);
    for (std::string& line : lines) {
        line = terminal.ToCatalog(line, false);
    }
    WriteCatalog(catalog, lines);
    return kExitSuccess;
}
