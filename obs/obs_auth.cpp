#include "obs/obs_auth.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <cstring>

namespace {

constexpr DWORD kSha256Bytes = 32;
// base64 of 32 bytes is 44 characters; room for the terminator and more.
constexpr DWORD kBase64Chars = 64;
// The hash object that BCrypt keeps the hashed bytes in until they are
// done: ours, so that it is wiped after. The platform says how much it
// needs, a few hundred bytes.
constexpr ULONG kHashObjectBytes = 1024;

bool HashBytes(BCRYPT_HASH_HANDLE hash, const char* bytes, size_t size)
{
    return BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes)), ULONG(size), 0));
}

// SHA-256 of `first` followed by `second`, fed in turn: no joined copy of
// a secret is ever made.
bool Sha256(const char* first, const std::string& second, BYTE (&digest)[kSha256Bytes])
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    BYTE object[kHashObjectBytes];
    ULONG objectBytes = 0;
    ULONG written = 0;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = false;
    if (BCRYPT_SUCCESS(BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectBytes),
                                         sizeof objectBytes, &written, 0)) &&
        objectBytes <= kHashObjectBytes &&
        BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, object, objectBytes, nullptr, 0, 0))) {
        done = HashBytes(hash, first, std::strlen(first)) && HashBytes(hash, second.data(), second.size()) &&
               BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, kSha256Bytes, 0));
        BCryptDestroyHash(hash);
    }
    SecureZeroMemory(object, sizeof object);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return done;
}

bool Base64(const BYTE (&digest)[kSha256Bytes], char (&text)[kBase64Chars])
{
    DWORD length = kBase64Chars;
    if (!CryptBinaryToStringA(digest, kSha256Bytes, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, text, &length))
        return false;
    text[kBase64Chars - 1] = '\0';
    return true;
}

} // namespace

bool AnswerObsChallenge(const char* password, const std::string& salt, const std::string& challenge,
                        std::string* answer)
{
    // Every copy of the password and of the secret made from it lives in
    // these buffers or in the hash object, and all are wiped.
    BYTE digest[kSha256Bytes];
    char secret[kBase64Chars] = {};
    char answered[kBase64Chars] = {};
    const bool done = Sha256(password, salt, digest) && Base64(digest, secret) &&
                      Sha256(secret, challenge, digest) && Base64(digest, answered);
    if (done)
        *answer = answered;
    SecureZeroMemory(digest, sizeof digest);
    SecureZeroMemory(secret, sizeof secret);
    return done;
}
