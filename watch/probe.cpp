#include "watch/game_state.h"
#include "app/app_state.h"

#include <cstdint>

GameState ProbeGameState(DWORD processId)
{
    const DWORD address = g_app.StateAddress;
    if (address == 0)
        return GameState::ProbeFailed;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr)
        return GameState::ProbeFailed;
    BYTE window[kProbeBytes];
    SIZE_T bytesRead = 0;
    GameState state = GameState::ProbeFailed;
    if (ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                          window, sizeof window, &bytesRead) &&
        bytesRead == sizeof window)
        state = window[0] != 0 ? GameState::InGame : GameState::NotInGame;
    CloseHandle(process);
    return state;
}
