// SPDX-License-Identifier: MIT
#include "KeychainHelper.h"

#include <QCoroSignal>
#include <QObject>
#include <QStringDecoder>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace {

// Settles exactly once: when the job finishes or when time runs out, whichever comes first.
// The job's results are copied out the moment it finishes, because a finished job deletes
// itself. Only one `settled` is ever emitted, so no queued call can outlive the waiter.
class JobWatch : public QObject {
    Q_OBJECT
public:
    JobWatch(QKeychain::Job *job, std::chrono::milliseconds timeout)
    {
        connect(job, &QKeychain::Job::finished, this, [this](QKeychain::Job *finished) {
            m_error = finished->error();
            if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(finished))
                m_data = read->binaryData();
            settle(true);
        });
        QTimer::singleShot(timeout, this, [this] { settle(false); });
    }

    bool m_finished = false;
    QKeychain::Error m_error = QKeychain::OtherError;
    QByteArray m_data;

Q_SIGNALS:
    void settled();

private:
    void settle(bool finished)
    {
        if (m_settled)
            return;
        m_settled = true;
        m_finished = finished;
        Q_EMIT settled();
    }

    bool m_settled = false;
};

struct JobResult {
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QByteArray data;
};

QCoro::Task<JobResult> runJob(QKeychain::Job *job, std::chrono::milliseconds timeout)
{
    // Never owned by anyone but itself: it may outlive both its caller and the helper.
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    JobWatch watch(job, timeout);
    // Started from the event loop so that a job reporting straight away is still seen.
    QMetaObject::invokeMethod(job, &QKeychain::Job::start, Qt::QueuedConnection);
    co_await qCoro(&watch, &JobWatch::settled);
    co_return JobResult{watch.m_finished, watch.m_error, watch.m_data};
}

// The stored bytes as text, or nothing when they are not valid UTF-8.
std::optional<QString> strictUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

KeychainHelper::KeychainHelper(QString service, std::chrono::milliseconds timeout)
    : m_service(std::move(service)), m_timeout(timeout)
{
}

QCoro::Task<std::optional<QString>> KeychainHelper::read(const QString &account)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(account);
    const JobResult result = co_await runJob(job, m_timeout);
    if (!result.finished || result.error != QKeychain::NoError)
        co_return std::nullopt;
    co_return strictUtf8(result.data);
}

QCoro::Task<bool> KeychainHelper::save(const QString &account, const QString &value)
{
    // Copies: nothing of the caller's or of this object is touched after the first wait.
    const QString service = m_service;
    const QString key = account;
    const QString text = value;
    const auto timeout = m_timeout;

    auto *removal = new QKeychain::DeletePasswordJob(service);
    removal->setKey(key);
    const JobResult removed = co_await runJob(removal, timeout);
    // A keyring that did not answer the removal will not answer the write either, and a
    // removal finishing late could take the new item with it.
    if (!removed.finished)
        co_return false;

    auto *write = new QKeychain::WritePasswordJob(service);
    write->setKey(key);
    // As text, so the keyring holds the plain UTF-8 bytes (binary data would go in as base64).
    write->setTextData(text);
    const JobResult written = co_await runJob(write, timeout);
    co_return written.finished &&written.error == QKeychain::NoError;
}

QCoro::Task<> KeychainHelper::remove(const QString &account)
{
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(account);
    co_await runJob(job, m_timeout);
}

#include "KeychainHelper.moc"
