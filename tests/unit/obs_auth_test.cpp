// The answer to OBS's authentication challenge, against values computed
// outside the project (Python's hashlib and base64) from the formula the
// obs-websocket 5 protocol gives.
#include <gtest/gtest.h>

#include <string>

#include "obs/obs_auth.h"

namespace {

TEST(ObsChallenge, AnswersAsTheProtocolSays)
{
    const struct {
        const char* password;
        const char* salt;
        const char* challenge;
        const char* answer;
    } cases[] = {
        {"supersecretpassword", "lM1GncleQOaCu9lT1yeUZhFYnqhsLLP1G5lAGo3ixaI=",
         "+IxH4CnCiqpX1rM9scsNynZzbOe4KhDeYcTNS3PDaeY=", "1Ct943GAT+6YQUUX47Ia/ncufilbe6+oD6lY+5kaCu4="},
        {"s3cret-\xC3\x9Cn\xC3\xAF", "c2FsdA==", "Y2hhbGxlbmdl", "Rrm+jIgLvKHEbx/KZXENpqr6e2lESo/6vNk7WGwj+Q4="},
    };
    for (const auto& c : cases) {
        std::string answer;
        ASSERT_TRUE(AnswerObsChallenge(c.password, c.salt, c.challenge, &answer));
        EXPECT_EQ(answer, c.answer) << c.password;
    }
}

} // namespace
