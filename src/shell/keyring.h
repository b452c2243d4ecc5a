#pragma once
// The desktop's keyring (Secret Service on Linux) through QtKeychain, as the
// SecretStore of credentials.h. Each call waits for its job in a local event
// loop, at most a few seconds, so a keyring that does not answer cannot hang the
// program; it then counts as not available and the encoded form is used.
#include "credentials.h"

#include <QString>

namespace shell {

class KeyringStore : public SecretStore {
public:
    explicit KeyringStore(QString service = "SQL*Vigil", int timeoutMs = 5000);
    bool write(const std::string &key, const std::string &secret, std::string &error) override;
    bool read(const std::string &key, std::string &secret, std::string &error) override;
    bool remove(const std::string &key, std::string &error) override;

private:
    QString m_service;
    int m_timeoutMs;
};

} // namespace shell
