// One reading of the in-game flag, against the simulated game's memory.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "drive/simulators.h"
#include "watch/game_state.h"

namespace {

class ProbeTest : public testing::Test {
protected:
    void TearDown() override { g_app.StateAddress = 0; }
};

TEST_F(ProbeTest, FlagValuesGiveTheGameState)
{
    SimulatedGame game;
    ASSERT_TRUE(game.Launch());
    g_app.StateAddress = kSimFlagAddress;
    const struct {
        BYTE flag;
        GameState expected;
    } cases[] = {{0x00, GameState::NotInGame}, {0x01, GameState::InGame}, {0xFF, GameState::InGame},
                 {0x00, GameState::NotInGame}, {0x80, GameState::InGame}};
    for (const auto& c : cases) {
        ASSERT_TRUE(game.SetFlag(c.flag));
        EXPECT_EQ(ProbeGameState(game.Process().Id()), c.expected) << "flag 0x" << std::hex << int(c.flag);
    }
}

TEST_F(ProbeTest, NoKnownAddressFailsWithoutTouchingTheGame)
{
    SimulatedGame game;
    ASSERT_TRUE(game.Launch(kSimFlagAddress, true));
    g_app.StateAddress = 0;
    EXPECT_EQ(ProbeGameState(game.Process().Id()), GameState::ProbeFailed);
}

TEST_F(ProbeTest, AProcessThatHasEndedFails)
{
    SimulatedGame game;
    ASSERT_TRUE(game.Launch(kSimFlagAddress, true));
    g_app.StateAddress = kSimFlagAddress;
    const DWORD id = game.Process().Id();
    ASSERT_EQ(ProbeGameState(id), GameState::InGame);
    game.Kill();
    EXPECT_EQ(ProbeGameState(id), GameState::ProbeFailed);
}

TEST_F(ProbeTest, AnAddressWithNothingMappedFails)
{
    SimulatedGame game;
    ASSERT_TRUE(game.Launch(kSimFlagAddress, true));
    g_app.StateAddress = 0x70000000;
    EXPECT_EQ(ProbeGameState(game.Process().Id()), GameState::ProbeFailed);
}

// The simulated game maps only the 64 KiB block that holds its flag. Wine
// reads free memory below 0x68000000 as zeros, so the block lies above it.
TEST_F(ProbeTest, AllOf256BytesMustBeReadable)
{
    const DWORD blockEnd = 0x70010000;
    {
        SimulatedGame game;
        ASSERT_TRUE(game.Launch(blockEnd - 256, true));
        g_app.StateAddress = blockEnd - 256;
        EXPECT_EQ(ProbeGameState(game.Process().Id()), GameState::InGame);
    }
    {
        SimulatedGame game;
        ASSERT_TRUE(game.Launch(blockEnd - 255, true));
        g_app.StateAddress = blockEnd - 255;
        EXPECT_EQ(ProbeGameState(game.Process().Id()), GameState::ProbeFailed)
            << "the flag byte itself is readable, but not the 256 bytes from it";
    }
}

} // namespace
