#include "platform/keychain_password_vault.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace yarvelin {

namespace {

// Runs a keychain job to its end; the keyring may ask the user to unlock it, so the loop waits.
bool Finish(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

}  // namespace

CKeychainPasswordVault::CKeychainPasswordVault(QString service) : m_service(std::move(service)) {}

bool CKeychainPasswordVault::Save(const std::string& key, const std::string& password) {
    QKeychain::WritePasswordJob job(m_service);
    job.setInsecureFallback(false);
    job.setKey(QString::fromStdString(key));
    job.setBinaryData(QByteArray::fromStdString(password));
    return Finish(job);
}

bool CKeychainPasswordVault::Remove(const std::string& key) {
    QKeychain::DeletePasswordJob job(m_service);
    job.setInsecureFallback(false);
    job.setKey(QString::fromStdString(key));
    // Nothing to remove counts as done.
    return Finish(job) || job.error() == QKeychain::EntryNotFound;
}

std::string CKeychainPasswordVault::Load(const std::string& key) {
    QKeychain::ReadPasswordJob job(m_service);
    job.setInsecureFallback(false);
    job.setKey(QString::fromStdString(key));
    return Finish(job) ? job.binaryData().toStdString() : std::string();
}

}  // namespace yarvelin
