// Any body the game's client API could send to GET /ui or GET /game, through
// the readers the probe uses; both read every input, as either request may
// meet any answer. Besides the sanitizers' reports (cJSON is instrumented
// too), it checks the readers' contract: nothing over the bound is read,
// what they read is stable, and what /game gives is within its bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "watch/client_api_answer.h"

namespace {

void CheckGame(const char* body, size_t size)
{
    ClientApiGame game;
    const bool read = ReadClientApiGame(body, size, &game);
    if (!read)
        return;
    if (size > kClientApiAnswerLimitBytes || game.playerCount > kClientApiMostPlayers)
        std::abort();
    for (size_t i = 0; i < game.playerCount; ++i) {
        if (std::memchr(game.players[i].name, '\0', kClientApiNameBytes) == nullptr)
            std::abort();
    }
    ClientApiGame again;
    if (!ReadClientApiGame(body, size, &again) || again.isReplay != game.isReplay ||
        again.playerCount != game.playerCount)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly as long as the body and not terminated, as the probe hands it
    // over, so that a read past its end is seen.
    std::unique_ptr<char[]> body(new char[size > 0 ? size : 1]);
    std::memcpy(body.get(), data, size);
    const ClientApiScreens screens = ReadClientApiScreens(body.get(), size);
    if (size > kClientApiAnswerLimitBytes && screens != ClientApiScreens::Unreadable)
        std::abort();
    if (ReadClientApiScreens(body.get(), size) != screens)
        std::abort();
    CheckGame(body.get(), size);
    return 0;
}
