// SPDX-License-Identifier: MIT
// A card's attachments: loading them, adding links, uploading files, deleting.
#include "AttachmentsArea.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QtConcurrent/QtConcurrentRun>

#include <variant>

using namespace Qt::StringLiterals;

namespace {
const QString FallbackMimeType = u"application/octet-stream"_s;

using ReadResult = std::variant<QByteArray, QString>;

// The file as bytes, or the one line that says why not. Runs on a worker thread. The buffer
// grows with what is really there (the file's own size, plus one byte to notice growth), and
// reading stops one byte past the limit, so neither a huge file nor one that grows (or a device
// that never ends) can exhaust memory.
ReadResult readUpload(const QString &path, const QString &fileName)
{
    const auto failure = [&fileName](const QString &reason) -> QString {
        return QCoreApplication::translate("AttachmentsArea", "Could not read “%1”: %2").arg(fileName, reason);
    };
    const auto tooLarge = [&fileName]() -> QString {
        return QCoreApplication::translate("AttachmentsArea",
                                           "“%1” is too large to attach: the limit is %2 per file.")
            .arg(fileName, QLocale::c().formattedDataSize(AttachmentsArea::maxUploadBytes, 0,
                                                          QLocale::DataSizeTraditionalFormat));
    };
    if (path.isEmpty()) {
        return failure(QCoreApplication::translate("AttachmentsArea", "not a local file"));
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        return failure(QCoreApplication::translate("AttachmentsArea", "it is a folder"));
    }
    if (info.exists() && info.size() > AttachmentsArea::maxUploadBytes) {
        return tooLarge();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return failure(file.errorString());
    }
    constexpr qint64 chunk = 1 << 20;
    QByteArray data;
    data.reserve(std::min<qint64>(info.size(), AttachmentsArea::maxUploadBytes) + 1);
    while (data.size() <= AttachmentsArea::maxUploadBytes) {
        const qint64 want = std::min<qint64>(chunk, AttachmentsArea::maxUploadBytes + 1 - data.size());
        const QByteArray piece = file.read(want);
        if (file.error() != QFileDevice::NoError) {
            return failure(file.errorString());
        }
        if (piece.isEmpty()) {
            break;
        }
        data.append(piece);
    }
    if (data.size() > AttachmentsArea::maxUploadBytes) {
        return tooLarge();
    }
    return data;
}
} // namespace

AttachmentsArea::AttachmentsArea(StoreContext &context, QObject *parent)
    : QObject(parent), m_context(context)
{
    m_attachments.setLoadingHandler([this] { Q_EMIT loadingAttachmentsChanged(); });
}

void AttachmentsArea::loadMissing(const QString &cardID)
{
    if (!m_attachments.contains(cardID) && !m_attachments.isLoading(cardID)) {
        refreshAttachments(cardID);
    }
}

Operation AttachmentsArea::refreshAttachments(const QString &cardID)
{
    return m_context.operation(u"refreshAttachments"_s, {{"card", cardID}}, [this, cardID] { return loadAttachments(cardID); });
}

QCoro::Task<> AttachmentsArea::loadAttachments(QString cardID)
{
    // Newest first; an undated attachment counts as the oldest possible one.
    const auto newestFirst = [](QList<TrelloAttachment> &attachments) {
        std::stable_sort(attachments.begin(), attachments.end(),
                         [](const TrelloAttachment &a, const TrelloAttachment &b) {
                             if (!b.date) {
                                 return a.date.has_value();
                             }
                             return a.date && *a.date > *b.date;
                         });
    };
    co_await m_context.load(m_attachments, cardID, &TrelloAPI::fetchAttachments, newestFirst);
}

Operation AttachmentsArea::addAttachment(const QString &cardID, const QString &url, const QString &name)
{
    return m_context.operation(u"addAttachment"_s, {{"card", cardID}}, [=, this]() -> QCoro::Task<> {
        co_await m_context.api().addAttachment(cardID, url, name);
        co_await StoreContext::reloadAfterChange(loadAttachments(cardID));
    });
}

QString AttachmentsArea::mimeTypeForFileName(const QString &fileName)
{
    // The extension alone decides: whole-name patterns such as "Makefile" or "README*" would
    // otherwise name a type for a file that has none.
    const QString lastComponent = fileName.section(u'/', -1);
    const qsizetype dot = lastComponent.lastIndexOf(u'.');
    if (dot < 0 || dot == lastComponent.size() - 1) {
        return FallbackMimeType;
    }
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(u"file."_s + lastComponent.mid(dot + 1),
                                                    QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault() || type.name().isEmpty()) {
        return FallbackMimeType;
    }
    return type.name();
}

Operation AttachmentsArea::uploadAttachment(const QString &cardID, const QUrl &fileURL)
{
    return m_context.operation(u"uploadAttachment"_s, {{"card", cardID}}, [this, cardID, fileURL]() -> QCoro::Task<> {
        // The card shows progress from the first byte read until the reload is done: the upload
        // counts as a load of the card's attachments, one that stores nothing itself.
        const auto uploading = m_attachments.beginLoad(cardID);
        const QString path = fileURL.toLocalFile();
        const QString fileName = path.isEmpty() ? fileURL.fileName() : QFileInfo(path).fileName();
        // Read on a worker thread: a large file on a slow disk must not freeze the panel.
        ReadResult read = co_await QtConcurrent::run(&readUpload, path, fileName);
        if (const QString *failure = std::get_if<QString>(&read)) {
            throw ReportedFailure(
                m_context.errors().record(ErrorLog::Kind::Local, u"uploadAttachment"_s, *failure));
        }
        const QByteArray data = std::get<QByteArray>(std::move(read));
        co_await m_context.api().uploadAttachment(cardID, data, fileName, mimeTypeForFileName(fileName));
        co_await StoreContext::reloadAfterChange(loadAttachments(cardID));
    });
}

Operation AttachmentsArea::deleteAttachment(const QString &cardID, const QString &attachmentID)
{
    return m_context.operation(u"deleteAttachment"_s, {{"card", cardID}, {"attachment", attachmentID}},
                               [this, cardID, attachmentID]() -> QCoro::Task<> {
        co_await m_context.api().deleteAttachment(cardID, attachmentID);
        m_attachments.removeRecord(attachmentID);
    });
}
