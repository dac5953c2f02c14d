#include <UT/UT_MD5.h>

#include <openssl/evp.h>

std::string UT_md5_base64(const void *data, std::size_t size)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(data, size, digest, &length, EVP_md5(), nullptr))
        return {};
    static const char theAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    // Six bits at a time, the last group padded with zero bits; no '=' padding.
    unsigned bits = 0, pending = 0;
    for (unsigned i = 0; i < length; ++i)
    {
        bits = (bits << 8) | digest[i];
        pending += 8;
        while (pending >= 6)
        {
            pending -= 6;
            out += theAlphabet[(bits >> pending) & 63u];
        }
    }
    if (pending > 0)
        out += theAlphabet[(bits << (6 - pending)) & 63u];
    return out;
}
