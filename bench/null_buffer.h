#pragma once

#include <streambuf>

// A stream buffer that drops everything: the benchmarks' searches and candidate lists write their
// diagnostics into an std::ostream over it.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};
