#include "npy_writer.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

namespace Tools {

namespace {

// "\x93NUMPY", major and minor version, the dictionary's length (two bytes, little-endian).
constexpr std::size_t kPreambleBytes = 10;
constexpr std::size_t kAlignment = 64;

}  // namespace

std::string NpyHeader(const std::string& descr, std::uint64_t count, std::size_t minBytes) {
  std::string dict = "{'descr': " + descr + ", 'fortran_order': False, 'shape': (" +
                     std::to_string(count) + ",), }";
  std::size_t total = kPreambleBytes + dict.size() + 1;  // + the line feed
  if (total < minBytes) total = minBytes;
  total = (total + kAlignment - 1) / kAlignment * kAlignment;
  dict.append(total - kPreambleBytes - dict.size() - 1, ' ');
  dict.push_back('\n');
  const std::size_t length = dict.size();
  std::string header = "\x93NUMPY";
  header.push_back('\x01');
  header.push_back('\x00');
  header.push_back(static_cast<char>(length & 0xff));
  header.push_back(static_cast<char>(length >> 8));
  return header + dict;
}

NpyWriter::NpyWriter(std::string path, std::string descr, std::size_t itemsize)
    : path_(std::move(path)), descr_(std::move(descr)), itemsize_(itemsize) {}

NpyWriter::~NpyWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

bool NpyWriter::Fail(const std::string& what) {
  if (error_.empty()) {
    error_ = what + " " + path_ + (errno != 0 ? std::string(": ") + std::strerror(errno) : "");
  }
  return false;
}

bool NpyWriter::Open() {
  errno = 0;
  file_ = std::fopen(path_.c_str(), "wb");
  if (file_ == nullptr) return Fail("cannot create");
  // Room for the longest count, so that the final header takes the same bytes.
  const std::string header = NpyHeader(descr_, std::numeric_limits<std::uint64_t>::max());
  headerBytes_ = header.size();
  if (headerBytes_ - kPreambleBytes > 0xffff) return Fail("dtype too long for the header of");
  const std::string first = NpyHeader(descr_, 0, headerBytes_);
  if (std::fwrite(first.data(), 1, first.size(), file_) != first.size()) {
    return Fail("cannot write");
  }
  return true;
}

bool NpyWriter::Append(const void* records, std::size_t count) {
  if (file_ == nullptr || !error_.empty()) return Fail("not open:");
  errno = 0;
  if (std::fwrite(records, itemsize_, count, file_) != count) return Fail("cannot write");
  count_ += count;
  return true;
}

bool NpyWriter::Close() {
  if (file_ == nullptr || !error_.empty()) return Fail("not open:");
  errno = 0;
  const std::string header = NpyHeader(descr_, count_, headerBytes_);
  bool ok = header.size() == headerBytes_ && std::fflush(file_) == 0 &&
            std::fseek(file_, 0, SEEK_SET) == 0 &&
            std::fwrite(header.data(), 1, header.size(), file_) == header.size();
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok || Fail("cannot write");
}

}  // namespace Tools
