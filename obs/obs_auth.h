// The answer to OBS's authentication challenge:
//   base64(sha256(base64(sha256(password + salt)) + challenge))
// with the platform's own SHA-256 (BCrypt) and base64 (CryptoAPI). The
// password never leaves the computer but inside this hash.
#pragma once
#include <string>

// All three texts UTF-8, the password terminated. False when the
// platform's functions fail. Nothing of the password or of the secret made
// from it is left in memory when it returns.
bool AnswerObsChallenge(const char* password, const std::string& salt, const std::string& challenge,
                        std::string* answer);
