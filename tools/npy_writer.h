#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Tools {

// Streams fixed-size records into a one-dimensional .npy file (numpy's format version 1.0, C
// order). The header is written first with room for any count and rewritten with the real count
// when the file is closed, so records never have to be held in memory. Every method answers false
// once a write has failed; Error() then says what failed.
class NpyWriter {
 public:
  // `descr` is the dtype's description as numpy writes it (a Python literal: a type string such
  // as '<f8' or a list of fields); every record is `itemsize` bytes laid out as it says.
  NpyWriter(std::string path, std::string descr, std::size_t itemsize);
  ~NpyWriter();
  NpyWriter(const NpyWriter&) = delete;
  NpyWriter& operator=(const NpyWriter&) = delete;

  bool Open();
  bool Append(const void* records, std::size_t count);
  // Writes the final header and closes the file; the file is complete only when this answers true.
  bool Close();

  std::uint64_t Count() const { return count_; }
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& what);

  std::string path_;
  std::string descr_;
  std::size_t itemsize_;
  std::size_t headerBytes_ = 0;
  std::uint64_t count_ = 0;
  std::FILE* file_ = nullptr;
  std::string error_;
};

// The whole header of a .npy file of `count` records of `descr` (magic, version, length,
// dictionary padded with spaces and ended by a line feed), at least `minBytes` long and a multiple
// of 64 bytes long.
std::string NpyHeader(const std::string& descr, std::uint64_t count, std::size_t minBytes = 0);

}  // namespace Tools
