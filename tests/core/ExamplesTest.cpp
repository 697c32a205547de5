#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CoreTestSupport.h"
#include "errors/ErrorTrail.h"

namespace {

std::vector<std::string> Examples() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(VORLEN_EXAMPLES_DIR))
        if (entry.path().extension() == ".vl") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(Examples, ThereAreExamplesToTry) { EXPECT_GE(Examples().size(), 5u); }

// Every example loads, iterates, and takes every button and a mouse stroke without an error.
TEST(Examples, EachLoadsAndRuns) {
    for (const std::string& path : Examples()) {
        SCOPED_TRACE(path);
        ClearErrors();
        Automaton automaton;
        ASSERT_TRUE(automaton.LoadDefinition(path)) << ::testing::PrintToString(coretest::TakeChain());
        EXPECT_FALSE(automaton.Title().empty());
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(automaton.ComputeIteration()) << ::testing::PrintToString(coretest::TakeChain());
        for (int slot = 0; slot < Automaton::UserButtons; ++slot) {
            if (automaton.ButtonVisible(slot)) {
                EXPECT_TRUE(automaton.RunButtonCallback(slot)) << slot;
            }
        }
        EXPECT_TRUE(automaton.MouseDown(true, 1, 1));
        EXPECT_TRUE(automaton.MouseMove(true, 2, 1));
        EXPECT_TRUE(automaton.MouseUp(true, 2, 1));
        EXPECT_TRUE(automaton.ComputeIteration());
        EXPECT_FALSE(ErrorRaised()) << ::testing::PrintToString(coretest::TakeChain());
    }
}

}  // namespace
