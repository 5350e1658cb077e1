#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine_process.h"

namespace E2E {

// A golden session: a file of commands (NAME.session) and the byte-exact standard output the
// engine must produce for them (NAME.expected, raw bytes, no terminator added).
//
// Session file: one command per line, each sent as one write without the line's end. Empty lines
// and lines starting with '#' are skipped. Escapes: \n, \r, \t, \0 (a zero byte), \s (a space,
// for spaces at the end of a line), \\ and \xHH (any byte).
std::vector<std::string> ParseSession(std::string_view text);

// The whole content of a file, as bytes; throws when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// What one session run gave.
struct SessionRun {
  std::string output;
  ExitResult exit;
  std::string failure;  // empty when every command was taken in time
};

// Starts the engine, sends the commands one by one, ends its input and collects its output.
SessionRun RunSession(const std::string& enginePath, const std::vector<std::string>& commands);

// The session files (*.session) of a directory, sorted by name.
std::vector<std::filesystem::path> SessionFiles(const std::filesystem::path& directory);

// Shows bytes readably in a failure message: escapes as in session files, line feeds kept.
std::string Printable(std::string_view bytes);

}  // namespace E2E
