// Replacing a catalog file as a whole: the new content goes to a temporary file beside it, which
// takes the file's place only when complete, so a failure part-way never costs the old content.
#pragma once

#include <functional>
#include <string>

class TStream;

// Creates the file at `path`, or replaces it, with what `write` puts into the stream it is given.
// When `write` throws or the disk refuses, the file at `path` stays as it was and the error goes on.
void RewriteFile(const std::string& path, const std::function<void(TStream&)>& write);
