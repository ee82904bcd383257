#include "events/game_news.h"

#include "events/webhook.h"
#include "record/session_record.h"
#include "settings/scene_fields.h"
#include "watch/situation.h"

namespace {

static_assert(kMatchRecordTextBytes == kRecordTextBytes, "the record's text is formatted in place");

// The user's index among the players, or -1 when the game is not one the
// record would count.
int UserOfCountedGame(const ClientApiGame& game)
{
    wchar_t names[kPlayerNameListChars];
    CopyPlayerNames(names);
    if (game.isReplay || !ArePlayerNamesSet(names))
        return -1;
    const int user = FindUserAmong(game, names);
    if (user < 0)
        return -1;
    for (size_t i = 0; i < game.playerCount; ++i) {
        if (int(i) != user && game.players[i].type == PlayerType::User)
            return user;
    }
    return -1;
}

void Tell(GameEventKind kind, const ClientApiGame& game)
{
    if (!IsWebhookOn())
        return;
    const int user = UserOfCountedGame(game);
    if (user < 0)
        return;
    GameEvent event = {};
    event.kind = kind;
    TakeEventPlayers(game, user, &event);
    event.result = kind == GameEventKind::End ? game.players[user].result : PlayerResult::Undecided;
    event.seconds = kind == GameEventKind::End && game.displayTime >= 0 && game.displayTime < 1e9 ? game.displayTime : -1;
    RecordSnapshot record;
    TakeRecordSnapshot(&record);
    event.recordKept = IsRecordKept(record.places);
    event.counts = record.counts;
    FormatRecordUtf8(record.places, record.counts, event.recordText);
    QueueGameEvent(event);
}

} // namespace

void TellGameStarted(const ClientApiGame& game)
{
    Tell(GameEventKind::Start, game);
}

void TellGameEnded(const ClientApiGame& game)
{
    Tell(GameEventKind::End, game);
}
