#pragma once

// Lets the game and XSplit be opened for reading even when they run under
// another account or elevated. Failure is ignored: most setups work without it.
void EnableDebugPrivilege();
