// Answers of the game's client API to GET /ui, as bytes: each case is a
// whole body and what the probe must make of it. The bytes come from a
// socket; only an object with an "activeScreens" array is an answer.
#include "watch/client_api_answer.h"
#ifdef _WINDOWS_
#error "the answer reader must build without <windows.h>"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

const char* NameOf(ClientApiScreens screens)
{
    switch (screens) {
    case ClientApiScreens::Unreadable: return "Unreadable";
    case ClientApiScreens::None:       return "None (in a game)";
    case ClientApiScreens::Some:       return "Some (not in a game)";
    }
    return "?";
}

// From a heap block of exactly the body, without a terminator, so that a
// read past its end is seen by the address sanitizer.
ClientApiScreens Read(const std::string& body)
{
    std::unique_ptr<char[]> exact(new char[body.size() + 1]);
    std::memcpy(exact.get(), body.data(), body.size());
    return ReadClientApiScreens(exact.get(), body.size());
}

struct AnswerCase {
    const char* name;
    std::string body;
    ClientApiScreens expected;
};

const AnswerCase kAnswerCases[] = {
    // What the game answers.
    {"in a game or a replay", "{\"activeScreens\": []}", ClientApiScreens::None},
    {"loading", "{\"activeScreens\": [\"ScreenLoading/ScreenLoading\"]}", ClientApiScreens::Some},
    {"the menus",
     "{\"activeScreens\": [\"ScreenBackgroundSC2/ScreenBackgroundSC2\", \"ScreenNavigationSC2/ScreenNavigationSC2\","
     " \"ScreenForegroundSC2/ScreenForegroundSC2\", \"ScreenHome/ScreenHome\"]}",
     ClientApiScreens::Some},
    {"the score screen", "{\"activeScreens\":[\"ScreenScore/ScreenScore\"]}", ClientApiScreens::Some},
    {"blanks around and inside", " \r\n{ \"activeScreens\" :\t[ ] }\r\n", ClientApiScreens::None},
    {"other members beside it", "{\"version\": 3, \"activeScreens\": [], \"extra\": {\"a\": [1, 2]}}",
     ClientApiScreens::None},
    {"screens of any kind count", "{\"activeScreens\": [null]}", ClientApiScreens::Some},
    {"the first of two members of that name counts",
     "{\"activeScreens\": [\"ScreenHome/ScreenHome\"], \"activeScreens\": []}", ClientApiScreens::Some},
    {"non-ASCII in a screen's name", "{\"activeScreens\": [\"Men\\u00fc/\xC3\xA9" "cran\"]}", ClientApiScreens::Some},

    // What is not such an answer.
    {"an empty body", "", ClientApiScreens::Unreadable},
    {"blanks only", " \r\n", ClientApiScreens::Unreadable},
    {"an HTML error page", "<html><body>Service Unavailable</body></html>", ClientApiScreens::Unreadable},
    {"the answer to /game", "{\"isReplay\": false, \"displayTime\": 100.0, \"players\": []}",
     ClientApiScreens::Unreadable},
    {"the member's name in another letter case", "{\"ActiveScreens\": []}", ClientApiScreens::Unreadable},
    {"the member is not an array", "{\"activeScreens\": \"ScreenHome/ScreenHome\"}", ClientApiScreens::Unreadable},
    {"the member is an object", "{\"activeScreens\": {}}", ClientApiScreens::Unreadable},
    {"the member is null", "{\"activeScreens\": null}", ClientApiScreens::Unreadable},
    {"an array at the top", "[]", ClientApiScreens::Unreadable},
    {"the array nested deeper", "{\"ui\": {\"activeScreens\": []}}", ClientApiScreens::Unreadable},
    {"cut short", "{\"activeScreens\": [", ClientApiScreens::Unreadable},
    {"cut inside a string", "{\"activeScreens\": [\"ScreenHo", ClientApiScreens::Unreadable},
    {"text after the object", "{\"activeScreens\": []} and more", ClientApiScreens::Unreadable},
    {"a second object after the first", "{\"activeScreens\": []}{\"activeScreens\": [\"x\"]}",
     ClientApiScreens::Unreadable},
    {"a zero byte after the object", std::string("{\"activeScreens\": []}\0", 22), ClientApiScreens::Unreadable},
    {"a trailing comma", "{\"activeScreens\": [],}", ClientApiScreens::Unreadable},
    {"single quotes", "{'activeScreens': []}", ClientApiScreens::Unreadable},
};

TEST(ClientApiAnswer, EachBodyReadsAsItsScreens)
{
    for (const AnswerCase& c : kAnswerCases) {
        const ClientApiScreens actual = Read(c.body);
        EXPECT_EQ(actual, c.expected) << "case \"" << c.name << "\": expected " << NameOf(c.expected) << ", actual "
                                      << NameOf(actual);
    }
}

TEST(ClientApiAnswer, ABodyLongerThanTheBoundIsNoAnswer)
{
    const std::string head = "{\"activeScreens\": [], \"padding\": \"";
    const std::string tail = "\"}";
    std::string fits = head + std::string(kClientApiAnswerLimitBytes - head.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(fits.size(), kClientApiAnswerLimitBytes);
    EXPECT_EQ(Read(fits), ClientApiScreens::None);
    fits.insert(head.size(), "x");
    EXPECT_EQ(Read(fits), ClientApiScreens::Unreadable);
}

// Deep nesting must end in a refusal, not in a stack that runs out.
TEST(ClientApiAnswer, DeepNestingIsNoAnswer)
{
    const size_t depth = kClientApiAnswerLimitBytes / 2 - 16;
    const std::string body = "{\"activeScreens\": [" + std::string(depth, '[') + std::string(depth, ']') + "]}";
    ASSERT_LE(body.size(), kClientApiAnswerLimitBytes);
    EXPECT_EQ(Read(body), ClientApiScreens::Unreadable);
}

} // namespace
