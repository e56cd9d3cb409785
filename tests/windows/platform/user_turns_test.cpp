// The pipe's queues of whole requests: users served in turn, and what gives way when they are
// full. Under Wine every process is the same user, so the pipe itself cannot show this.

#include "platform/windows/user_turns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::win32 {
namespace {

std::vector<std::string> drain(UserTurns<std::string>& turns) {
    std::vector<std::string> served;
    while (auto next = turns.next()) served.push_back(*next);
    return served;
}

TEST(UserTurnsTest, OneUsersFloodDelaysAnotherUsersRequestByOneAtMost) {
    UserTurns<std::string> turns(8, 128);
    for (const char* request : {"a1", "a2", "a3", "a4"}) EXPECT_TRUE(turns.file("alice", request).empty());
    EXPECT_TRUE(turns.file("bob", "b1").empty());
    EXPECT_EQ("a1", *turns.next());
    EXPECT_TRUE(turns.file("carol", "c1").empty());
    EXPECT_TRUE(turns.file("bob", "b2").empty());
    EXPECT_EQ((std::vector<std::string>{"b1", "a2", "c1", "b2", "a3", "a4"}), drain(turns));
    EXPECT_TRUE(turns.empty());
}

TEST(UserTurnsTest, PastItsShareAUsersOldestGivesWay) {
    UserTurns<std::string> turns(2, 128);
    EXPECT_TRUE(turns.file("bob", "b1").empty());
    EXPECT_TRUE(turns.file("alice", "a1").empty());
    EXPECT_TRUE(turns.file("alice", "a2").empty());
    EXPECT_EQ(std::vector<std::string>{"a1"}, turns.file("alice", "a3"));
    EXPECT_EQ(std::vector<std::string>{"a2"}, turns.file("alice", "a4"));
    EXPECT_EQ((std::vector<std::string>{"b1", "a3", "a4"}), drain(turns));
}

TEST(UserTurnsTest, PastTheLimitOfAllTheBusiestUserGivesWay) {
    UserTurns<std::string> turns(8, 4);
    for (const char* request : {"a1", "a2", "a3"}) EXPECT_TRUE(turns.file("alice", request).empty());
    EXPECT_TRUE(turns.file("bob", "b1").empty());
    EXPECT_EQ(std::vector<std::string>{"a1"}, turns.file("carol", "c1"));
    // A user whose last request gave way loses its turn with it (between equals either may go).
    UserTurns<std::string> single(1, 1);
    EXPECT_TRUE(single.file("alice", "a1").empty());
    const auto gone = single.file("bob", "b1");
    ASSERT_EQ(1u, gone.size());
    EXPECT_EQ(std::vector<std::string>{gone[0] == "a1" ? "b1" : "a1"}, drain(single));
    EXPECT_TRUE(single.empty());
    EXPECT_EQ((std::vector<std::string>{"a2", "b1", "c1", "a3"}), drain(turns));
}

}  // namespace
}  // namespace platform::win32
