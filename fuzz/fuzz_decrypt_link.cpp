// An encrypted server link through decryption with a fixed key.
#include "FuzzSupport.h"
#include "security/CryptoUtil.h"

using Orvo::Api::Security::CryptoUtil;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Orvo::Fuzz::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Orvo::Fuzz::bytes(data, size);
    (void)CryptoUtil::decryptVmessLink(QString::fromLatin1(input), QStringLiteral("orvo-link-key"));
    (void)CryptoUtil::aesDecrypt(input, QStringLiteral("orvo-link-key"));
    return 0;
}
