#include "relay/relay.h"

// The relay arrives with network mode; until then the XSplit side ends its worker at once.
void RunRelayReceiver()
{
}
