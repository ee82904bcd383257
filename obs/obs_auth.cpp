#include "obs/obs_auth.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

namespace {

constexpr DWORD kSha256Bytes = 32;
// base64 of 32 bytes is 44 characters; room for the terminator and more.
constexpr DWORD kBase64Chars = 64;

bool Sha256(const std::string& text, BYTE (&digest)[kSha256Bytes])
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = false;
    if (BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        done = BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(text.data())),
                                             ULONG(text.size()), 0)) &&
               BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, kSha256Bytes, 0));
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return done;
}

bool Base64(const BYTE (&digest)[kSha256Bytes], std::string* text)
{
    char chars[kBase64Chars] = {};
    DWORD length = kBase64Chars;
    if (!CryptBinaryToStringA(digest, kSha256Bytes, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, chars, &length))
        return false;
    chars[kBase64Chars - 1] = '\0';
    *text = chars;
    return true;
}

bool HashThenBase64(const std::string& text, std::string* out)
{
    BYTE digest[kSha256Bytes];
    const bool done = Sha256(text, digest) && Base64(digest, out);
    SecureZeroMemory(digest, sizeof digest);
    return done;
}

} // namespace

bool AnswerObsChallenge(const std::string& password, const std::string& salt, const std::string& challenge,
                        std::string* answer)
{
    std::string secret;
    const bool done = HashThenBase64(password + salt, &secret) && HashThenBase64(secret + challenge, answer);
    SecureZeroMemory(&secret[0], secret.size());
    return done;
}
