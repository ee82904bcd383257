// The obs-websocket 5 messages as bytes: what Kestrelcue makes of each
// message OBS (or anything pretending to be it) might send, and the exact
// JSON of what it sends itself.
#include "obs/obs_messages.h"
#ifdef _WINDOWS_
#error "the OBS message reader must build without <windows.h>"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// From a heap block of exactly the message, so that a read past its end is
// seen by the address sanitizer.
bool Read(const std::string& text, ObsMessage* message)
{
    std::unique_ptr<char[]> exact(new char[text.size() + 1]);
    std::memcpy(exact.get(), text.data(), text.size());
    return ReadObsMessage(exact.get(), text.size(), message);
}

TEST(ObsMessages, HelloWithAndWithoutAuthentication)
{
    ObsMessage hello;
    ASSERT_TRUE(Read("{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\",\"rpcVersion\":1,"
                     "\"authentication\":{\"challenge\":\"+IxH4CnCiqpX1rM9scsNynZzbOe4KhDeYcTNS3PDaeY=\","
                     "\"salt\":\"lM1GncleQOaCu9lT1yeUZhFYnqhsLLP1G5lAGo3ixaI=\"}}}",
                     &hello));
    EXPECT_EQ(hello.op, kObsOpHello);
    EXPECT_EQ(hello.webSocketVersion, "5.1.0");
    EXPECT_TRUE(hello.authenticationRequired);
    EXPECT_EQ(hello.challenge, "+IxH4CnCiqpX1rM9scsNynZzbOe4KhDeYcTNS3PDaeY=");
    EXPECT_EQ(hello.salt, "lM1GncleQOaCu9lT1yeUZhFYnqhsLLP1G5lAGo3ixaI=");

    ObsMessage open;
    ASSERT_TRUE(Read("{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\",\"rpcVersion\":1}}", &open));
    EXPECT_FALSE(open.authenticationRequired);
}

TEST(ObsMessages, RequestResponses)
{
    ObsMessage switched;
    ASSERT_TRUE(Read("{\"op\":7,\"d\":{\"requestType\":\"SetCurrentProgramScene\",\"requestId\":\"kestrelcue-3\","
                     "\"requestStatus\":{\"result\":true,\"code\":100}}}",
                     &switched));
    EXPECT_EQ(switched.op, kObsOpRequestResponse);
    EXPECT_EQ(switched.requestId, "kestrelcue-3");
    EXPECT_TRUE(switched.succeeded);
    EXPECT_EQ(switched.code, kObsCodeSuccess);

    ObsMessage missing;
    ASSERT_TRUE(Read("{\"op\":7,\"d\":{\"requestType\":\"SetCurrentProgramScene\",\"requestId\":\"kestrelcue-4\","
                     "\"requestStatus\":{\"result\":false,\"code\":600,"
                     "\"comment\":\"No source was found by the name of `Game`.\"}}}",
                     &missing));
    EXPECT_FALSE(missing.succeeded);
    EXPECT_EQ(missing.code, kObsCodeResourceNotFound);
    EXPECT_EQ(missing.comment, "No source was found by the name of `Game`.");

    ObsMessage list;
    ASSERT_TRUE(Read("{\"op\":7,\"d\":{\"requestType\":\"GetSceneList\",\"requestId\":\"x\","
                     "\"requestStatus\":{\"result\":true,\"code\":100},\"responseData\":{"
                     "\"currentProgramSceneName\":\"Menus\",\"scenes\":[{\"sceneIndex\":1,\"sceneName\":\"Game\"},"
                     "{\"sceneIndex\":0,\"sceneName\":\"Spiel l\\u00e4uft\"},{\"sceneIndex\":2},7]}}}",
                     &list));
    EXPECT_EQ(list.currentProgramScene, "Menus");
    EXPECT_EQ(list.sceneNames, (std::vector<std::string>{"Game", "Spiel l\xC3\xA4uft"}));

    ObsMessage version;
    ASSERT_TRUE(Read("{\"op\":7,\"d\":{\"requestType\":\"GetVersion\",\"requestId\":\"y\","
                     "\"requestStatus\":{\"result\":true,\"code\":100},\"responseData\":{\"obsVersion\":\"29.0.2\","
                     "\"obsWebSocketVersion\":\"5.1.0\",\"rpcVersion\":1}}}",
                     &version));
    EXPECT_EQ(version.obsVersion, "29.0.2");
}

TEST(ObsMessages, SceneEventsAndTheirNames)
{
    ObsMessage renamed, listed, created, bare;
    ASSERT_TRUE(Read("{\"op\":5,\"d\":{\"eventType\":\"SceneNameChanged\",\"eventIntent\":4,"
                     "\"eventData\":{\"oldSceneName\":\"Game\",\"sceneName\":\"Game 1440p\",\"sceneUuid\":\"u\"}}}",
                     &renamed));
    EXPECT_EQ(renamed.op, kObsOpEvent);
    EXPECT_EQ(renamed.eventType, "SceneNameChanged");
    EXPECT_EQ(renamed.oldSceneName, "Game");
    EXPECT_EQ(renamed.sceneName, "Game 1440p");
    ASSERT_TRUE(Read("{\"op\":5,\"d\":{\"eventType\":\"SceneListChanged\",\"eventData\":{\"scenes\":"
                     "[{\"sceneName\":\"A\",\"sceneIndex\":1},{\"sceneIndex\":0},7,{\"sceneName\":\"B\"}]}}}",
                     &listed));
    EXPECT_EQ(listed.sceneNames, (std::vector<std::string>{"A", "B"}));
    ASSERT_TRUE(Read("{\"op\":5,\"d\":{\"eventType\":\"SceneCreated\",\"eventData\":{\"sceneName\":\"G\","
                     "\"isGroup\":true}}}",
                     &created));
    EXPECT_TRUE(created.isGroup);
    // A scene event without the names it needs is no message.
    EXPECT_FALSE(Read("{\"op\":5,\"d\":{\"eventType\":\"SceneNameChanged\",\"eventData\":{\"sceneName\":\"X\"}}}",
                      &bare));
    EXPECT_FALSE(Read("{\"op\":5,\"d\":{\"eventType\":\"SceneRemoved\"}}", &bare));
    EXPECT_TRUE(Read("{\"op\":5,\"d\":{\"eventType\":\"ExitStarted\"}}", &bare));
}

TEST(ObsMessages, WhatIsNotAMessageIsRefusedWhole)
{
    const char* const refused[] = {
        "",
        "not JSON",
        "[]",
        "{\"op\":\"0\",\"d\":{}}",
        "{\"op\":0.5,\"d\":{\"obsWebSocketVersion\":\"5.1.0\"}}",
        "{\"op\":1e10,\"d\":{}}",
        "{\"op\":0}",
        "{\"op\":0,\"d\":[]}",
        "{\"op\":0,\"d\":{}}",
        "{\"op\":0,\"d\":{\"obsWebSocketVersion\":5}}",
        "{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\",\"authentication\":{\"salt\":\"s\"}}}",
        "{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\",\"authentication\":\"yes\"}}",
        "{\"op\":7,\"d\":{\"requestType\":\"X\",\"requestId\":\"1\"}}",
        "{\"op\":7,\"d\":{\"requestType\":\"X\",\"requestId\":1,\"requestStatus\":{\"result\":true,\"code\":100}}}",
        "{\"op\":7,\"d\":{\"requestType\":\"X\",\"requestId\":\"1\",\"requestStatus\":{\"result\":1,\"code\":100}}}",
        "{\"op\":7,\"d\":{\"requestType\":\"X\",\"requestId\":\"1\",\"requestStatus\":{\"result\":true}}}",
        "{\"op\":7,\"d\":{\"requestType\":\"GetVersion\",\"requestId\":\"1\",\"requestStatus\":{\"result\":true,"
        "\"code\":100},\"responseData\":{}}}",
        "{\"op\":7,\"d\":{\"requestType\":\"GetSceneList\",\"requestId\":\"1\",\"requestStatus\":{\"result\":true,"
        "\"code\":100},\"responseData\":{\"scenes\":{}}}}",
        "{\"op\":2,\"d\":{\"negotiatedRpcVersion\":1}} trailing",
        "{\"op\":2,\"d\":{\"negotiatedRpcVersion\":1}",
    };
    for (const char* text : refused) {
        ObsMessage message;
        message.op = 99;
        EXPECT_FALSE(Read(text, &message)) << text;
        EXPECT_EQ(message.op, 99) << "a refused message changed what was there: " << text;
    }
    ObsMessage identified;
    EXPECT_TRUE(Read(" {\"op\":2,\"d\":{\"negotiatedRpcVersion\":1}}\r\n", &identified));
    EXPECT_EQ(identified.op, kObsOpIdentified);
}

// cJSON skips every byte up to 0x20 where JSON allows only its four blanks,
// so a Hello led by 01 02 03 would otherwise be answered.
TEST(ObsMessages, OnlyJsonBlanksMayStandAroundTheValue)
{
    const std::string hello = "{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\",\"rpcVersion\":1}}";
    const struct {
        const char* name;
        std::string text;
        bool read;
    } cases[] = {
        {"bare", hello, true},
        {"the four blanks before and after", " \t\r\n" + hello + "\n\r\t ", true},
        {"01 02 03 before", "\x01\x02\x03" + hello, false},
        {"a NUL before", std::string(1, '\0') + hello, false},
        {"a form feed before", "\f" + hello, false},
        {"a vertical tab after", hello + "\v", false},
        {"a NUL after", hello + std::string(1, '\0'), false},
        {"0x1F after", hello + "\x1F", false},
        {"a control byte between tokens", "{\x01\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\"}}", false},
        {"a raw control byte in a string", "{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1\x02\"}}", false},
        {"an escaped control character in a string", "{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1\\u0002\"}}",
         true},
    };
    for (const auto& c : cases) {
        ObsMessage message;
        EXPECT_EQ(Read(c.text, &message), c.read) << c.name;
        if (c.read) {
            EXPECT_EQ(message.op, kObsOpHello) << c.name;
        }
    }
}

TEST(ObsMessages, AMessageOverTheBoundIsRefused)
{
    const std::string head = "{\"op\":2,\"d\":{\"padding\":\"";
    const std::string tail = "\"}}";
    std::string text = head + std::string(kObsMessageLimitBytes - head.size() - tail.size(), 'x') + tail;
    ObsMessage message;
    EXPECT_TRUE(Read(text, &message));
    text.insert(head.size(), "x");
    EXPECT_FALSE(Read(text, &message));
}

TEST(ObsMessages, WhatKestrelcueSends)
{
    EXPECT_EQ(IdentifyMessage(""), "{\"op\":1,\"d\":{\"rpcVersion\":1,\"eventSubscriptions\":0}}");
    EXPECT_EQ(IdentifyMessage("abc="),
              "{\"op\":1,\"d\":{\"rpcVersion\":1,\"authentication\":\"abc=\",\"eventSubscriptions\":0}}");
    EXPECT_EQ(IdentifyMessage("", kObsEventSubscriptionScenes),
              "{\"op\":1,\"d\":{\"rpcVersion\":1,\"eventSubscriptions\":4}}");
    const std::string scene = "Game \"quoted\" \\ \xC3\xA4";
    EXPECT_EQ(RequestMessage("SetCurrentProgramScene", "kestrelcue-1", &scene),
              "{\"op\":6,\"d\":{\"requestType\":\"SetCurrentProgramScene\",\"requestId\":\"kestrelcue-1\","
              "\"requestData\":{\"sceneName\":\"Game \\\"quoted\\\" \\\\ \xC3\xA4\"}}}");
    EXPECT_EQ(RequestMessage("GetVersion", "kestrelcue-2", nullptr),
              "{\"op\":6,\"d\":{\"requestType\":\"GetVersion\",\"requestId\":\"kestrelcue-2\"}}");
    // The record's text, its other settings overlaid rather than replaced.
    EXPECT_EQ(SetInputTextMessage("kestrelcue-3", "Record \"T\"", "7 - 3\n\xC3\xA4"),
              "{\"op\":6,\"d\":{\"requestType\":\"SetInputSettings\",\"requestId\":\"kestrelcue-3\","
              "\"requestData\":{\"inputName\":\"Record \\\"T\\\"\",\"inputSettings\":{\"text\":\"7 - 3\\n\xC3\xA4\"},"
              "\"overlay\":true}}}");
}

} // namespace
