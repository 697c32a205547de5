#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <zlib.h>

#include "errors/Checks.h"
#include "errors/ErrorReport.h"
#include "errors/ErrorTrail.h"

namespace {

class Trail : public ::testing::Test {
protected:
    void SetUp() override { ClearErrors(); }
    void TearDown() override { ClearErrors(); }
};

TEST_F(Trail, EntriesCarryTheModuleAndLineOfTheirCallSite) {
    int line = __LINE__ + 1;
    RaiseError("Pierwszy");
    AddErrorAt("Bez pozycji", ErrorPosition::None());
    AddErrorAt("Z pozycji", {"C:/src/gfx/Gfx.cpp", 12});
    ASSERT_EQ(ErrorEntries().size(), 3u);
    EXPECT_EQ(ErrorEntries()[0], "[ErrorTrailTest," + std::to_string(line) + "] Pierwszy");
    EXPECT_EQ(ErrorEntries()[1], "Bez pozycji");
    EXPECT_EQ(ErrorEntries()[2], "[Gfx,12] Z pozycji");
    EXPECT_TRUE(ErrorRaised());
}

TEST_F(Trail, RaiseStartsANewChainAndTakingReadsNewestFirst) {
    AddError("stary");
    RaiseError("nowy");
    AddError("kontekst");
    std::string entry;
    ASSERT_TRUE(TakeLastError(entry));
    EXPECT_NE(entry.find("kontekst"), std::string::npos);
    ASSERT_TRUE(TakeLastError(entry));
    EXPECT_NE(entry.find("nowy"), std::string::npos);
    EXPECT_FALSE(ErrorRaised());  // taking lowers the flag
    entry = "kept";
    EXPECT_FALSE(TakeLastError(entry));
    EXPECT_EQ(entry, "kept");

    AddErrorAt("x", ErrorPosition::None());
    ClearErrors();
    EXPECT_FALSE(ErrorRaised());
    EXPECT_TRUE(ErrorEntries().empty());
}

TEST_F(Trail, TakingFromAnEmptyTrailStillLowersTheFlag) {
    AddErrorAt("x", ErrorPosition::None());
    std::string entry;
    ASSERT_TRUE(TakeLastError(entry));
    AddErrorAt("y", ErrorPosition::None());
    TakeAllErrors();
    EXPECT_FALSE(ErrorRaised());
}

TEST_F(Trail, SystemCheckNamesTheErrorNumberAndItsText) {
    AddError("earlier chain");
    errno = ENOENT;
    CheckSystem("Nie można otworzyć pliku");
    ASSERT_EQ(ErrorEntries().size(), 2u);
    EXPECT_NE(ErrorEntries()[0].find("] (System,2) No such file or directory"), std::string::npos);
    EXPECT_NE(ErrorEntries()[1].find("] Nie można otworzyć pliku"), std::string::npos);

    CheckSystemCode(EACCES, "");
    ASSERT_EQ(ErrorEntries().size(), 1u);
    EXPECT_NE(ErrorEntries()[0].find("(System,13) Permission denied"), std::string::npos);
}

TEST_F(Trail, ZlibCheckIgnoresSuccessAndEntersFailuresWithoutPosition) {
    EXPECT_EQ(CheckZlib(Z_OK, "never"), Z_OK);
    EXPECT_EQ(CheckZlib(Z_STREAM_END, "never"), Z_STREAM_END);
    EXPECT_FALSE(ErrorRaised());

    AddError("earlier chain");
    EXPECT_EQ(CheckZlib(Z_DATA_ERROR, "Błąd dekompresji"), Z_DATA_ERROR);
    ASSERT_EQ(ErrorEntries().size(), 2u);
    EXPECT_EQ(ErrorEntries()[0], std::string("(Zlib,-3) ") + zError(Z_DATA_ERROR));
    EXPECT_NE(ErrorEntries()[1].find("] Błąd dekompresji"), std::string::npos);

    CheckZlib(Z_MEM_ERROR, "");
    EXPECT_EQ(ErrorEntries().size(), 1u);
}

TEST_F(Trail, GuardedRunConvertsExceptionsAfterTheChainSoFar) {
    AddErrorAt("before", ErrorPosition::None());
    int code = GuardedRun([]() -> int { throw std::length_error("vector too long"); });
    EXPECT_EQ(code, -11);
    std::vector<std::string> chain = TakeAllErrors();
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_NE(chain[0].find("] Błąd biblioteki standardowej C++"), std::string::npos);
    EXPECT_EQ(chain[1], "vector too long");
    EXPECT_EQ(chain[2], "before");

    EXPECT_EQ(GuardedRun([]() -> int { throw 42; }), -11);
    chain = TakeAllErrors();
    ASSERT_EQ(chain.size(), 1u);
    EXPECT_NE(chain[0].find("] Nieznany błąd (najprawdopodobniej błąd ochrony)"), std::string::npos);

    EXPECT_EQ(GuardedRun([] { return 3; }), 3);
    EXPECT_FALSE(ErrorRaised());
}

}  // namespace
