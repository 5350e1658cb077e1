// The .npy writer: headers numpy's loader accepts (magic, version 1.0, the dictionary's length,
// padded to 64 bytes with a line feed last) whose length does not change with the count, so the
// final header overwrites the first one exactly.
#include "npy_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

TEST(NpyHeader, IsAlignedAndSaysItsLengthAndShape) {
  struct Case {
    std::string descr;
    std::uint64_t count;
    std::size_t minBytes;
    std::size_t bytes;  // the header's length
  };
  const Case cases[] = {
      {"'<i4'", 0, 0, 128},
      {"'<i4'", kMost, 0, 128},
      {std::string(65, 'x'), 1, 0, 128},  // the line feed is the 128th byte
      {std::string(66, 'x'), 1, 0, 192},  // one byte more starts a new block
      {"'<f8'", 7, 200, 256},             // asked to be longer than it needs
  };
  for (const Case& c : cases) {
    const std::string header = Tools::NpyHeader(c.descr, c.count, c.minBytes);
    SCOPED_TRACE(header);
    EXPECT_EQ(header.size(), c.bytes);
    EXPECT_EQ(header.substr(0, 8), std::string("\x93NUMPY\x01\x00", 8));
    const std::size_t length =
        static_cast<unsigned char>(header[8]) + 256u * static_cast<unsigned char>(header[9]);
    EXPECT_EQ(length + 10, header.size());
    EXPECT_EQ(header.back(), '\n');
    EXPECT_NE(header.find("'shape': (" + std::to_string(c.count) + ",), }"), std::string::npos);
    EXPECT_NE(header.find("'descr': " + c.descr + ", 'fortran_order': False"), std::string::npos);
  }
}

TEST(NpyWriter, RewritesTheCountIntoTheSameBytes) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "npy_writer_test.npy";
  Tools::NpyWriter writer(path.string(), "'<i4'", 4);
  ASSERT_TRUE(writer.Open()) << writer.Error();
  const std::int32_t values[] = {1, -2, 300000};
  ASSERT_TRUE(writer.Append(values, 2));
  ASSERT_TRUE(writer.Append(values + 2, 1));
  ASSERT_TRUE(writer.Close()) << writer.Error();
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::filesystem::remove(path);
  // The header has room for the longest count and says 3 rows; the rows follow it.
  const std::string header = Tools::NpyHeader("'<i4'", 3, Tools::NpyHeader("'<i4'", kMost).size());
  ASSERT_EQ(bytes.size(), header.size() + sizeof values);
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  EXPECT_EQ(bytes.substr(header.size()), std::string(reinterpret_cast<const char*>(values), 12));
  EXPECT_EQ(writer.Count(), 3u);
}

TEST(NpyWriter, SaysWhenItCannotWrite) {
  Tools::NpyWriter missing("/no/such/folder/x.npy", "'<i4'", 4);
  EXPECT_FALSE(missing.Open());
  EXPECT_NE(missing.Error().find("/no/such/folder/x.npy"), std::string::npos);
  EXPECT_FALSE(missing.Append("abcd", 1));
  EXPECT_FALSE(missing.Close());
}

}  // namespace
