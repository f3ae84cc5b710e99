#include "analysis/function_table.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(CNameArena, KeepsEveryNameWhereItWasPutAcrossBlocks) {
  // Names of every length up to the longest, until several blocks are
  // full: none may straddle a block or move when another is added.
  CNameArena arena;
  std::vector<std::pair<std::uint32_t, std::string>> put;
  for (int i = 0; i < 3000; ++i) {
    std::string name(static_cast<std::size_t>(i % 256), static_cast<char>('a' + i % 26));
    put.emplace_back(arena.Add(name), name);
  }
  for (const auto& [at, name] : put) ASSERT_EQ(arena.Get(at), name) << at;
  EXPECT_THROW(arena.Add(std::string(256, 'x')), std::length_error);
  arena.Clear();
  EXPECT_EQ(arena.Get(arena.Add("f")), "f");
}

}  // namespace
