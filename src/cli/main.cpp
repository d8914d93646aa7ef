// mirolan-cli: the catalogs from a terminal or a script. One row of the table per command.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "catalogs/container.h"
#include "commands.h"
#include "platform/terminal.h"
#include "terminal_text.h"

namespace {

const TCommand kCommands[] = {
    {"list", "[--encoding] CATALOG", "print a catalog's text, packed or plain",
     "Writes the whole text of CATALOG to standard output as the search reads it: a packed catalog comes\n"
     "unpacked, and a listing in UTF-16, UTF-8 or code page 866, or a file list of the Everything search\n"
     "tool, comes in the ANSI code page. With --encoding, prints only the encoding it was read in.",
     ListCommand},
    {"pack", "CATALOG", "pack a catalog file in place",
     "Turns CATALOG into a packed catalog under the same name. The file is replaced only once the\n"
     "packed form is complete; on any failure it stays as it was.",
     PackCommand},
    {"unpack", "CATALOG", "unpack a catalog file in place",
     "Turns CATALOG into a plain catalog under the same name, as safely as pack.", UnpackCommand},
    {"catalogs", "[FOLDER]", "list the catalogs of a folder",
     "Prints the name of every catalog in FOLDER, one a line, as the window's catalog list shows them.\n"
     "FOLDER defaults to ListPath of mirolan.ini beside the tool, else LIST.",
     CatalogsCommand},
    {"create", "[--force] FOLDER CATALOG", "make a catalog of a folder tree",
     "Lists every file and folder below FOLDER, one full path a line, backslashes throughout, into the\n"
     "plain catalog CATALOG. An existing CATALOG is overwritten only with --force. Off Windows, under a\n"
     "UTF-8 locale, the names are written in the code page of --code-page N (866, 1251 by default,\n"
     "1252), \"?\" for what it cannot hold; --raw writes them as the file system gives them.",
     CreateCommand},
    {"search", "[OPTIONS] EXPRESSION [CATALOG...]", "find catalog lines by a regular expression",
     "Searches each CATALOG (by default every catalog of the catalog folder, as if all were ticked) and\n"
     "prints what the window's result pane would show: for each catalog with matches an empty line,\n"
     "the heading \" ------ Found in disk : \" and its name, then the line of every match.\n"
     "MODIFIERS is the modifier string, by default irgm-sx (letters i r s g m x: on before the \"-\",\n"
     "off after it). Exit status: 0 when a line matched, 1 when nothing matched, 2 on error.\n"
     "Options, before EXPRESSION (\"--\" ends them, for an expression that begins with \"-\"):\n"
     "  -m MODIFIERS    the modifier string\n"
     "  -j N            N catalogs read and searched at a time (by default one per core); the output\n"
     "                  is exactly that of -j 1, in the same order\n"
     "  -c              only \"NAME:COUNT\" for each catalog searched, one a line: its name as the heading\n"
     "                  shows it, a colon and the number of its lines with a match (a line with two\n"
     "                  matches counts once)\n"
     "  -l              only the name of each catalog with a match, one a line\n"
     "  -q              nothing printed: the exit status tells\n"
     "  --color=WHEN    the match in red and the heading in magenta: auto (the default: when standard\n"
     "                  output is a terminal and NO_COLOR is unset or empty), always or never\n"
     "  --code-page N   the catalogs' code page off Windows: 866, 1251 (the default) or 1252\n"
     "  --raw           the lines as bytes, unconverted (a Windows console reads them in its own code\n"
     "                  page), and off Windows the expression too\n"
     "Off Windows, under a UTF-8 locale, EXPRESSION is converted to the catalogs' code page (a character\n"
     "it cannot hold is an error) and the lines back to UTF-8. On Windows, EXPRESSION is taken from the\n"
     "wide command line into the ANSI code page, likewise strictly, and a console is given the lines'\n"
     "characters; a file or a pipe gets the ANSI code page's bytes.",
     SearchCommand},
};

void PrintToolHelp(std::FILE* out) {
    std::fputs("Usage: mirolan-cli COMMAND [ARGUMENTS]\n"
               "Works with Mirolan's disk catalogs: plain text files of full paths, or packed ones.\n\n"
               "Commands:\n",
               out);
    for (const TCommand& command : kCommands) {
        std::fprintf(out, "  %-10s %-26s %s\n", command.name, command.usage, command.summary);
    }
    std::fputs("\n'mirolan-cli COMMAND --help' tells more. Exit status: 0 on success, 2 on failure\n"
               "(search: 1 when nothing matched).\n",
               out);
}

void PrintCommandHelp(const TCommand& command, std::FILE* out) {
    std::fprintf(out, "Usage: mirolan-cli %s %s\n%s\n", command.name, command.usage, command.help);
}

const TCommand* FindCommand(const std::string& name) {
    for (const TCommand& command : kCommands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

} // namespace

void Complain(const std::string& text) {
    // A failure of standard error itself has nowhere left to be told.
    WriteToTerminal(platform::TStandardStream::Err, "mirolan-cli: " + text + "\n");
}

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    try {
        arguments = platform::CommandArguments(argc, argv);
    } catch (const std::exception& e) {
        Complain(e.what());
        return kExitFailure;
    }
    if (arguments.empty()) {
        PrintToolHelp(stderr);
        return kExitFailure;
    }
    const std::string name = arguments[0];
    if (name == "--help") {
        PrintToolHelp(stdout);
        return kExitSuccess;
    }
    const TCommand* command = FindCommand(name);
    if (command == nullptr) {
        Complain("unknown command \"" + name + "\"; 'mirolan-cli --help' lists the commands");
        return kExitFailure;
    }
    TInvocation invocation{argv[0], {arguments.begin() + 1, arguments.end()}};
    for (const std::string& argument : invocation.arguments) {
        if (argument == "--") {
            break;
        }
        if (argument == "--help") {
            PrintCommandHelp(*command, stdout);
            return kExitSuccess;
        }
    }
    SetContainerMessageCallback(
        [](const std::string& caption, const std::string& text) { Complain(caption + ": " + text); });
    try {
        return command->run(invocation);
    } catch (const EUsage& e) {
        Complain(std::string(command->name) + " " + e.what());
        PrintCommandHelp(*command, stderr);
    } catch (const std::exception& e) {
        Complain(e.what());
    }
    return kExitFailure;
}
