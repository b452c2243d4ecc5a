#include "keyring.h"

#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace shell {

namespace {

// Runs `job` and waits for it; false with `error` set when it failed or took too long.
bool runJob(QKeychain::Job &job, int timeoutMs, std::string &error)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    job.start();
    if (!done)
        loop.exec();
    if (!done) {
        error = "the keyring did not answer";
        return false;
    }
    if (job.error() != QKeychain::NoError) {
        error = job.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace

KeyringStore::KeyringStore(QString service, int timeoutMs) : m_service(std::move(service)), m_timeoutMs(timeoutMs) {}

bool KeyringStore::write(const std::string &key, const std::string &secret, std::string &error)
{
    QKeychain::WritePasswordJob job(m_service);
    job.setKey(QString::fromStdString(key));
    job.setTextData(QString::fromStdString(secret));
    return runJob(job, m_timeoutMs, error);
}

bool KeyringStore::read(const std::string &key, std::string &secret, std::string &error)
{
    QKeychain::ReadPasswordJob job(m_service);
    job.setKey(QString::fromStdString(key));
    if (!runJob(job, m_timeoutMs, error))
        return false;
    secret = job.textData().toStdString();
    return true;
}

bool KeyringStore::remove(const std::string &key, std::string &error)
{
    QKeychain::DeletePasswordJob job(m_service);
    job.setKey(QString::fromStdString(key));
    return runJob(job, m_timeoutMs, error);
}

} // namespace shell
