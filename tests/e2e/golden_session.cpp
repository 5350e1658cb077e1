#include "golden_session.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace E2E {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(std::string_view line) {
  std::string bytes;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\') {
      bytes += line[i];
      continue;
    }
    if (++i == line.size()) throw std::invalid_argument("session: '\\' at the end of a line");
    switch (line[i]) {
      case 'n':
        bytes += '\n';
        break;
      case 'r':
        bytes += '\r';
        break;
      case 't':
        bytes += '\t';
        break;
      case '0':
        bytes += '\0';
        break;
      case 's':
        bytes += ' ';
        break;
      case '\\':
        bytes += '\\';
        break;
      case 'x': {
        const int hi = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
        const int lo = i + 2 < line.size() ? HexDigit(line[i + 2]) : -1;
        if (hi < 0 || lo < 0) throw std::invalid_argument("session: bad \\x escape");
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        throw std::invalid_argument(std::string("session: unknown escape \\") + line[i]);
    }
  }
  return bytes;
}

}  // namespace

std::vector<std::string> ParseSession(std::string_view text) {
  std::vector<std::string> commands;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    commands.push_back(Unescape(line));
  }
  return commands;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

SessionRun RunSession(const std::string& enginePath, const std::vector<std::string>& commands) {
  SessionRun run;
  EngineProcess engine(enginePath);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (!engine.Send(commands[i])) {
      run.failure = "command " + std::to_string(i + 1) + " (" + Printable(commands[i]) +
                    ") was not taken in time";
      break;
    }
  }
  run.exit = engine.Finish();
  run.output = engine.output();
  return run;
}

std::vector<std::filesystem::path> SessionFiles(const std::filesystem::path& directory) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.path().extension() == ".session") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Printable(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      text += "\\n\n";
    } else if (c == '\\') {
      text += "\\\\";
    } else if (c == '\r') {
      text += "\\r";
    } else if (c == '\t') {
      text += "\\t";
    } else if (u < 0x20 || u >= 0x7f) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      text += hex;
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace E2E
