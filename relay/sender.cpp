#include "relay/relay.h"

// The relay arrives with network mode; until then requests on the game side go nowhere.
void SendSceneToRemote(const wchar_t*)
{
}
