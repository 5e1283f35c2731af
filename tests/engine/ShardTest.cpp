// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Shard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

namespace orv {
namespace {

std::vector<CueItem> Library(int count, const std::string& root = "/mnt/lib/") {
  std::vector<CueItem> cue;
  for (int i = 0; i < count; ++i)
    cue.push_back({root + (i % 3 ? "2020/" : "2021/") + "IMG_" + std::to_string(1000 + i) + ".jpg"});
  return cue;
}

std::vector<std::string> Paths(const std::vector<CueItem>& cue) {
  std::vector<std::string> out;
  for (const CueItem& c : cue) out.push_back(c.path);
  return out;
}

TEST(Shard, HashIsFnv1a64AndNeverChanges) {
  // Machines of different versions must split a library the same way.
  EXPECT_EQ(ShardHash(""), 0xcbf29ce484222325ull);
  EXPECT_EQ(ShardHash("a"), 0xaf63dc4c8601ec8cull);
  EXPECT_EQ(ShardHash("foobar"), 0x85944171f73967e8ull);
  EXPECT_EQ(ShardOf("anything", 1), 1);
  EXPECT_EQ(ShardOf("a", 3), 3);  // floor(hash * 3 / 2^64) + 1
  EXPECT_EQ(ShardOf("foobar", 3), 2);
  EXPECT_EQ(ShardOf("2020/x.jpg", 3), 2);
}

TEST(Shard, ShardsPartitionTheQueueEvenlyAndStayPutWhenAPhotoIsAdded) {
  const std::vector<CueItem> all = Library(300);
  ShardKeys keys(std::vector<QueueRoot>{{"/mnt/lib", "lib"}});
  for (int n = 1; n <= 5; ++n) {
    std::multiset<std::string> seen;
    for (int k = 1; k <= n; ++k) {
      std::vector<CueItem> part = all;
      KeepShard(part, keys, {k, n});
      EXPECT_GT(int(part.size()), 300 / n * 7 / 10) << k << "/" << n;
      EXPECT_LT(int(part.size()), 300 / n * 13 / 10) << k << "/" << n;
      for (const CueItem& c : part) seen.insert(c.path);
    }
    std::vector<std::string> union_(seen.begin(), seen.end());
    std::vector<std::string> expected = Paths(all);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(union_, expected) << "n=" << n;  // everything, and nothing twice
  }
  // One more photo: every shard keeps what it had, one of them gains the new one.
  std::vector<CueItem> grown = all;
  grown.push_back({"/mnt/lib/2021/IMG_new.jpg"});
  size_t gained = 0;
  for (int k = 1; k <= 4; ++k) {
    std::vector<CueItem> before = all, after = grown;
    KeepShard(before, keys, {k, 4});
    KeepShard(after, keys, {k, 4});
    std::vector<std::string> b = Paths(before), a = Paths(after);
    ASSERT_GE(a.size(), b.size());
    EXPECT_TRUE(std::equal(b.begin(), b.end(), a.begin()));
    gained += a.size() - b.size();
  }
  EXPECT_EQ(gained, 1u);
}

TEST(Shard, KeysDoNotDependOnWhereTheLibraryIsMounted) {
  ShardKeys here(std::vector<QueueRoot>{{"/mnt/a/lib", "lib"}, {"/mnt/a/lib/2020/x.jpg", "./2020//x.jpg"}});
  ShardKeys there(std::vector<QueueRoot>{{"/data/photos", "/data/photos/"}, {"/data/photos/2020/x.jpg", "2020/x.jpg"}});
  EXPECT_EQ(here.KeyOf("/mnt/a/lib/2021/y.jpg"), "2021/y.jpg");
  EXPECT_EQ(there.KeyOf("/data/photos/2021/y.jpg"), "2021/y.jpg");
  EXPECT_EQ(here.KeyOf("/mnt/a/lib/2020/x.jpg"), "2020/x.jpg");  // a listed file: its given text
  EXPECT_EQ(there.KeyOf("/data/photos/2020/x.jpg"), "2020/x.jpg");
  // Nested roots: the first-listed folder above the photo counts.
  ShardKeys nested(std::vector<QueueRoot>{{"/l", "/l"}, {"/l/sub", "/l/sub"}});
  EXPECT_EQ(nested.KeyOf("/l/sub/a.jpg"), "sub/a.jpg");
  ShardKeys nestedOther(std::vector<QueueRoot>{{"/l/sub", "/l/sub"}, {"/l", "/l"}});
  EXPECT_EQ(nestedOther.KeyOf("/l/sub/a.jpg"), "a.jpg");
  EXPECT_EQ(ShardKeys(std::vector<QueueRoot>{{"/", "/"}}).KeyOf("/x/a.jpg"), "x/a.jpg");
}

TEST(Shard, ParsesKOfNAndRejectsTheRest) {
  Shard s;
  std::string error;
  ASSERT_TRUE(ParseShard("3/4", s, error));
  EXPECT_EQ(s.index, 3);
  EXPECT_EQ(s.count, 4);
  EXPECT_TRUE(ParseShard("1/1", s, error));
  for (const char* bad : {"0/2", "3/2", "a/b", "1/", "/2", "1/2/3", "+1/2", "-1/2", "1 /2", "2",
                          "99999999999/99999999999", ""}) {
    error.clear();
    EXPECT_FALSE(ParseShard(bad, s, error)) << bad;
    EXPECT_NE(error.find("K/N"), std::string::npos) << bad;
  }
}

using Env = std::map<std::string, std::string>;

auto EnvOf(Env env) {
  return [env = std::move(env)](const char* name) -> const char* {
    auto it = env.find(name);
    return it == env.end() ? nullptr : it->second.c_str();
  };
}

TEST(Shard, AutoTakesTheIndexOfEachJobArrayEngine) {
  Shard s;
  std::string error;
  // The whole Slurm array, --array=0-15, with the count given.
  ASSERT_TRUE(ShardFromEnvironment(EnvOf({{"SLURM_ARRAY_TASK_ID", "7"},
                                          {"SLURM_ARRAY_TASK_MIN", "0"},
                                          {"SLURM_ARRAY_TASK_MAX", "15"},
                                          {"SLURM_ARRAY_TASK_STEP", "1"},
                                          {"SLURM_ARRAY_TASK_COUNT", "16"}}),
                                   16, s, error))
      << error;
  EXPECT_EQ(s.index, 8);
  EXPECT_EQ(s.count, 16);
  // A re-submission of two failed tasks (--array=3,7): their own shards, not 1/2 and 2/2.
  for (const char* id : {"3", "7"}) {
    Env env{{"SLURM_ARRAY_TASK_ID", id},
            {"SLURM_ARRAY_TASK_MIN", "3"},
            {"SLURM_ARRAY_TASK_MAX", "7"},
            {"SLURM_ARRAY_TASK_STEP", "1"},
            {"SLURM_ARRAY_TASK_COUNT", "2"},
            {"ORV_SHARD_COUNT", "15"}};
    ASSERT_TRUE(ShardFromEnvironment(EnvOf(env), 0, s, error)) << error;
    EXPECT_EQ(s.index, std::atoi(id) + 1);
    EXPECT_EQ(s.count, 15);
  }
  // A stepped array, --array=0-14:2.
  ASSERT_TRUE(ShardFromEnvironment(EnvOf({{"SLURM_ARRAY_TASK_ID", "6"},
                                          {"SLURM_ARRAY_TASK_MIN", "0"},
                                          {"SLURM_ARRAY_TASK_MAX", "14"},
                                          {"SLURM_ARRAY_TASK_STEP", "2"},
                                          {"SLURM_ARRAY_TASK_COUNT", "8"}}),
                                   15, s, error))
      << error;
  EXPECT_EQ(s.index, 7);
  EXPECT_EQ(s.count, 15);
  ASSERT_TRUE(ShardFromEnvironment(
      EnvOf({{"AWS_BATCH_JOB_ARRAY_INDEX", "0"}, {"AWS_BATCH_JOB_ARRAY_SIZE", "3"}}), 0, s, error));
  EXPECT_EQ(s.index, 1);
  EXPECT_EQ(s.count, 3);
  ASSERT_TRUE(ShardFromEnvironment(
      EnvOf({{"JOB_COMPLETION_INDEX", "2"}, {"ORV_SHARD_COUNT", "3"}}), 0, s, error));
  EXPECT_EQ(s.index, 3);
  EXPECT_EQ(s.count, 3);
  ASSERT_TRUE(ShardFromEnvironment(EnvOf({{"JOB_COMPLETION_INDEX", "2"}}), 4, s, error));
  EXPECT_EQ(s.index, 3);
  EXPECT_EQ(s.count, 4);
}

TEST(Shard, AutoNeverGuessesAndNamesTheVariablesThatDoNotFit) {
  Shard s;
  std::string error;
  auto fails = [&](Env env, int given, std::vector<std::string> named) {
    EXPECT_FALSE(ShardFromEnvironment(EnvOf(env), given, s, error));
    for (const std::string& n : named) EXPECT_NE(error.find(n), std::string::npos) << n << ": " << error;
  };
  // Slurm's task count never stands in for the shard count.
  fails({{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "3"},
         {"SLURM_ARRAY_TASK_MAX", "7"}, {"SLURM_ARRAY_TASK_COUNT", "2"}},
        0, {"SLURM_ARRAY_TASK_COUNT", "ORV_SHARD_COUNT", "auto/N"});
  // An id the array variables cannot hold, a step it is off, an array reaching past the count.
  fails({{"SLURM_ARRAY_TASK_ID", "1"}, {"SLURM_ARRAY_TASK_MIN", "2"},
         {"SLURM_ARRAY_TASK_MAX", "4"}},
        8, {"SLURM_ARRAY_TASK_ID=1", "SLURM_ARRAY_TASK_MIN=2"});
  fails({{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "0"},
         {"SLURM_ARRAY_TASK_MAX", "14"}, {"SLURM_ARRAY_TASK_STEP", "2"}},
        15, {"SLURM_ARRAY_TASK_STEP=2"});
  fails({{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"},
         {"SLURM_ARRAY_TASK_MAX", "16"}},
        16, {"SLURM_ARRAY_TASK_MAX=16"});
  fails({{"SLURM_ARRAY_TASK_ID", "x"}}, 4, {"SLURM_ARRAY_TASK_ID=x"});
  // The two explicit counts disagree.
  fails({{"JOB_COMPLETION_INDEX", "0"}, {"ORV_SHARD_COUNT", "3"}}, 4, {"ORV_SHARD_COUNT=3"});
  fails({{"AWS_BATCH_JOB_ARRAY_INDEX", "0"}, {"AWS_BATCH_JOB_ARRAY_SIZE", "3"}}, 4,
        {"AWS_BATCH_JOB_ARRAY_SIZE=3"});
  fails({{"JOB_COMPLETION_INDEX", "2"}}, 0, {"ORV_SHARD_COUNT"});
  fails({{"AWS_BATCH_JOB_ARRAY_INDEX", "3"}, {"AWS_BATCH_JOB_ARRAY_SIZE", "3"}}, 0,
        {"AWS_BATCH_JOB_ARRAY_INDEX"});
  fails({{"JOB_COMPLETION_INDEX", "x"}, {"ORV_SHARD_COUNT", "3"}}, 0, {"JOB_COMPLETION_INDEX"});
  fails({}, 0,
        {"SLURM_ARRAY_TASK_ID", "AWS_BATCH_JOB_ARRAY_INDEX", "JOB_COMPLETION_INDEX",
         "ORV_SHARD_COUNT"});

  int count = -1;
  EXPECT_TRUE(ParseAutoShardCount("auto", count, error));
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(ParseAutoShardCount("auto/15", count, error));
  EXPECT_EQ(count, 15);
  for (const char* bad : {"auto/0", "auto/", "auto/x", "auto15", "auto/-1"})
    EXPECT_FALSE(ParseAutoShardCount(bad, count, error)) << bad;
}

}  // namespace
}  // namespace orv
