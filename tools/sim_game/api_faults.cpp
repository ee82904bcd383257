// One place that reads a fault switch, for the command line and the window
// message alike.
#include "sim_game/api_faults.h"

namespace {

constexpr LPARAM kLowestStatus = 100;
constexpr LPARAM kHighestStatus = 999;

bool SwitchAnswerFault(ApiFaults* faults, AnswerFault fault, LPARAM value)
{
    if (value != 0 && value != 1)
        return false;
    if (value == 1)
        faults->answer = fault;
    else if (faults->answer == fault)
        faults->answer = AnswerFault::None;
    return true;
}

} // namespace

bool SwitchApiFault(ApiFaults* faults, WPARAM kind, LPARAM value)
{
    switch (kind) {
    case kSimApiNoFaults:
        *faults = ApiFaults();
        return true;
    case kSimApiClosed:
        if (value != 0 && value != 1)
            return false;
        faults->closed = value == 1;
        return true;
    case kSimApiSlow:
        if (value < 0 || value > kSimApiSlowestMs)
            return false;
        faults->slowMs = DWORD(value);
        return true;
    case kSimApiStatus:
        if (value == 0) {
            if (faults->answer == AnswerFault::Status)
                faults->answer = AnswerFault::None;
            return true;
        }
        if (value < kLowestStatus || value > kHighestStatus)
            return false;
        faults->answer = AnswerFault::Status;
        faults->status = int(value);
        return true;
    case kSimApiGarbage:
        return SwitchAnswerFault(faults, AnswerFault::Garbage, value);
    case kSimApiOversized:
        return SwitchAnswerFault(faults, AnswerFault::Oversized, value);
    case kSimApiReset:
        return SwitchAnswerFault(faults, AnswerFault::Reset, value);
    case kSimApiHalfThenHang:
        return SwitchAnswerFault(faults, AnswerFault::HalfThenHang, value);
    case kSimApiRedirect:
        if (value == 0) {
            if (faults->answer == AnswerFault::Redirect)
                faults->answer = AnswerFault::None;
            return true;
        }
        if (value < 1 || value > 65535)
            return false;
        faults->answer = AnswerFault::Redirect;
        faults->redirectPort = int(value);
        return true;
    case kSimApiControlBytes:
        return SwitchAnswerFault(faults, AnswerFault::ControlBytes, value);
    case kSimApiChunked:
        return SwitchAnswerFault(faults, AnswerFault::Chunked, value);
    case kSimApiGameSlow:
        if (value < 0 || value > kSimApiSlowestMs)
            return false;
        faults->gameSlowMs = DWORD(value);
        return true;
    case kSimApiGameBroken:
        if (value < 0 || value > 2)
            return false;
        faults->gameBroken = int(value);
        return true;
    default:
        return false;
    }
}

std::wstring DescribeApiFaults(const ApiFaults& faults)
{
    std::wstring text;
    if (faults.slowMs > 0)
        text += L", slow " + std::to_wstring(faults.slowMs) + L" ms";
    switch (faults.answer) {
    case AnswerFault::None: break;
    case AnswerFault::Status: text += L", status " + std::to_wstring(faults.status); break;
    case AnswerFault::Garbage: text += L", garbage"; break;
    case AnswerFault::Oversized: text += L", 10 MB answers"; break;
    case AnswerFault::Reset: text += L", reset mid-answer"; break;
    case AnswerFault::HalfThenHang: text += L", half an answer then silence"; break;
    case AnswerFault::Redirect: text += L", redirects to port " + std::to_wstring(faults.redirectPort); break;
    case AnswerFault::ControlBytes: text += L", control bytes before the body"; break;
    case AnswerFault::Chunked: text += L", chunked answers"; break;
    }
    if (faults.gameSlowMs > 0)
        text += L", /game slow " + std::to_wstring(faults.gameSlowMs) + L" ms";
    if (faults.gameBroken == 1)
        text += L", /game answers 500";
    else if (faults.gameBroken == 2)
        text += L", /game answers garbage";
    return text;
}
