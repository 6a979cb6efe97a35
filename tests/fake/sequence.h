// Compares a recorded call log with the expected lines as a whole sequence
// and, on a mismatch, prints both side by side.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

inline ::testing::AssertionResult SequenceIs(const std::vector<std::string>& actual,
                                             const std::vector<std::string>& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::ostringstream out;
  out << "call sequences differ (expected | actual):\n";
  const size_t rows = actual.size() > expected.size() ? actual.size() : expected.size();
  for (size_t i = 0; i < rows; ++i) {
    const std::string want = i < expected.size() ? expected[i] : "";
    const std::string got = i < actual.size() ? actual[i] : "";
    out << (want == got ? "   " : "!! ") << i << ": " << want;
    out << std::string(want.size() < 48 ? 48 - want.size() : 1, ' ') << "| " << got << "\n";
  }
  return ::testing::AssertionFailure() << out.str();
}

#define EXPECT_SEQUENCE(actual, ...) EXPECT_TRUE(SequenceIs((actual), std::vector<std::string>(__VA_ARGS__)))
