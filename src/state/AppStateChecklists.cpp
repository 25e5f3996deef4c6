// SPDX-License-Identifier: MIT
// Checklists and their items, and a card's attachments: links and uploaded files.
#include "AppState.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace {
const QString CompleteState = u"complete"_s;
const QString IncompleteState = u"incomplete"_s;
const QString FallbackMimeType = u"application/octet-stream"_s;

// The file as bytes, or the one line that says why not. The size is checked before anything is
// read, and the read itself stops one byte past the limit, so neither a huge file nor a file
// that grows (or a device that never ends) can exhaust memory.
std::variant<QByteArray, QString> readUpload(const QString &path, const QString &fileName)
{
    const auto failure = [&fileName](const QString &reason) -> QString {
        return u"Could not read \u201C"_s + fileName + u"\u201D: "_s + reason;
    };
    const auto tooLarge = [&fileName]() -> QString {
        return u"\u201C"_s + fileName + u"\u201D is too large to attach: the limit is "_s +
               QLocale::c().formattedDataSize(AppState::maxUploadBytes, 0,
                                              QLocale::DataSizeTraditionalFormat) +
               u" per file."_s;
    };
    if (path.isEmpty()) {
        return failure(u"not a local file"_s);
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        return failure(u"it is a folder"_s);
    }
    if (info.exists() && info.size() > AppState::maxUploadBytes) {
        return tooLarge();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failure(file.errorString());
    }
    QByteArray data = file.read(AppState::maxUploadBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        return failure(file.errorString());
    }
    if (data.size() > AppState::maxUploadBytes) {
        return tooLarge();
    }
    return data;
}
} // namespace

// Checklists

Operation AppState::refreshChecklists(const QString &cardID)
{
    return operation(doRefreshChecklists(cardID));
}

QCoro::Task<> AppState::doRefreshChecklists(QString cardID)
{
    // The checklists by position; the items inside keep the service's order.
    const bool loaded = co_await loadInto(m_checklists, Loading::Checklists, cardID,
                                          &TrelloAPI::fetchChecklists,
                                          &sortByPos<TrelloChecklist>);
    if (loaded) {
        recomputeBadge(cardID);
    }
}

Operation AppState::createChecklist(const QString &cardID, const QString &name)
{
    return operation(doCreateChecklist(cardID, name));
}

QCoro::Task<> AppState::doCreateChecklist(QString cardID, QString name)
{
    const bool done = co_await attempt(m_api->createChecklist(cardID, name));
    if (!done) {
        co_return;
    }
    // The new checklist arrives with the reload, in its place among the others.
    co_await doRefreshChecklists(cardID);
    clearError();
}

Operation AppState::deleteChecklist(const QString &id, const QString &cardID)
{
    return operation(doDeleteChecklist(id, cardID));
}

QCoro::Task<> AppState::doDeleteChecklist(QString id, QString cardID)
{
    const bool done = co_await attempt(m_api->deleteChecklist(id));
    if (!done) {
        co_return;
    }
    if (const QList<TrelloChecklist> *current = m_checklists.find(cardID)) {
        QList<TrelloChecklist> checklists = *current;
        checklists.removeIf([&id](const TrelloChecklist &checklist) { return checklist.id == id; });
        m_checklists.set(cardID, std::move(checklists));
    }
    recomputeBadge(cardID);
    clearError();
}

Operation AppState::addCheckItem(const QString &checklistID, const QString &cardID,
                                 const QString &name)
{
    return operation(doAddCheckItem(checklistID, cardID, name));
}

QCoro::Task<> AppState::doAddCheckItem(QString checklistID, QString cardID, QString name)
{
    const bool done = co_await attempt(m_api->addCheckItem(checklistID, name));
    if (!done) {
        co_return;
    }
    co_await doRefreshChecklists(cardID);
    clearError();
}

Operation AppState::renameCheckItem(const QString &cardID, const QString &checklistID,
                                    const QString &checkItemID, const QString &name)
{
    return operation(doRenameCheckItem(cardID, checklistID, checkItemID, name));
}

QCoro::Task<> AppState::doRenameCheckItem(QString cardID, QString checklistID,
                                          QString checkItemID, QString name)
{
    const bool done = co_await attempt(m_api->renameCheckItem(cardID, checkItemID, name));
    if (!done) {
        co_return;
    }
    if (const QList<TrelloChecklist> *current = m_checklists.find(cardID)) {
        QList<TrelloChecklist> checklists = *current;
        for (TrelloChecklist &checklist : checklists) {
            if (checklist.id != checklistID) {
                continue;
            }
            for (TrelloCheckItem &item : checklist.checkItems) {
                if (item.id == checkItemID) {
                    item.name = name;
                    m_checklists.set(cardID, std::move(checklists));
                    break;
                }
            }
            break;
        }
    }
    clearError();
}

Operation AppState::toggleCheckItem(const QString &cardID, const QString &checklistID,
                                    const QVariant &item)
{
    return operation(doToggleCheckItem(cardID, checklistID, item.value<TrelloCheckItem>()));
}

QCoro::Task<> AppState::doToggleCheckItem(QString cardID, QString checklistID, TrelloCheckItem item)
{
    // Anything but "complete" counts as not done, so ticking it sends complete.
    const bool wasComplete = item.state == CompleteState;
    // The tick shows at once; a refusal puts back the state this tick started from.
    applyCheckItemState(cardID, checklistID, item.id, !wasComplete);
    const bool done = co_await attempt(m_api->setCheckItemState(cardID, item.id, !wasComplete));
    if (!done) {
        const std::optional<QString> failure = m_errorMessage;
        applyCheckItemState(cardID, checklistID, item.id, wasComplete);
        setError(failure);
    }
}

void AppState::applyCheckItemState(const QString &cardID, const QString &checklistID,
                                   const QString &checkItemID, bool complete)
{
    const QList<TrelloChecklist> *current = m_checklists.find(cardID);
    if (!current) {
        return;
    }
    QList<TrelloChecklist> checklists = *current;
    for (TrelloChecklist &checklist : checklists) {
        if (checklist.id != checklistID) {
            continue;
        }
        for (TrelloCheckItem &item : checklist.checkItems) {
            if (item.id == checkItemID) {
                item.state = complete ? CompleteState : IncompleteState;
                m_checklists.set(cardID, std::move(checklists));
                recomputeBadge(cardID);
                return;
            }
        }
        return;
    }
}

Operation AppState::deleteCheckItem(const QString &checklistID, const QString &checkItemID,
                                    const QString &cardID)
{
    return operation(doDeleteCheckItem(checklistID, checkItemID, cardID));
}

QCoro::Task<> AppState::doDeleteCheckItem(QString checklistID, QString checkItemID, QString cardID)
{
    const bool done = co_await attempt(m_api->deleteCheckItem(checklistID, checkItemID));
    if (!done) {
        co_return;
    }
    if (const QList<TrelloChecklist> *current = m_checklists.find(cardID)) {
        QList<TrelloChecklist> checklists = *current;
        for (TrelloChecklist &checklist : checklists) {
            if (checklist.id == checklistID) {
                checklist.checkItems.removeIf(
                    [&checkItemID](const TrelloCheckItem &item) { return item.id == checkItemID; });
                m_checklists.set(cardID, std::move(checklists));
                break;
            }
        }
    }
    recomputeBadge(cardID);
    clearError();
}

// Attachments

Operation AppState::refreshAttachments(const QString &cardID)
{
    return operation(doRefreshAttachments(cardID));
}

QCoro::Task<> AppState::doRefreshAttachments(QString cardID)
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
    co_await loadInto(m_attachments, Loading::Attachments, cardID, &TrelloAPI::fetchAttachments,
                      +newestFirst);
}

Operation AppState::addAttachment(const QString &cardID, const QString &url, const QString &name)
{
    return operation(doAddAttachment(cardID, url, name));
}

QCoro::Task<> AppState::doAddAttachment(QString cardID, QString url, QString name)
{
    const bool done = co_await attempt(m_api->addAttachment(cardID, url, name));
    if (!done) {
        co_return;
    }
    co_await doRefreshAttachments(cardID);
    clearError();
}

QString AppState::mimeTypeForFileName(const QString &fileName)
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

Operation AppState::uploadAttachment(const QString &cardID, const QUrl &fileURL)
{
    return operation(doUploadAttachment(cardID, fileURL));
}

QCoro::Task<> AppState::doUploadAttachment(QString cardID, QUrl fileURL)
{
    // The card shows progress from the first byte read until the reload is done.
    LoadingMark uploading(this, Loading::Attachments, cardID);
    const QString path = fileURL.toLocalFile();
    const QString fileName = path.isEmpty() ? fileURL.fileName() : QFileInfo(path).fileName();
    // Read in one piece on this thread, as the upload needs it whole.
    auto read = readUpload(path, fileName);
    if (const QString *failure = std::get_if<QString>(&read)) {
        setError(*failure);
        co_return;
    }
    const QByteArray data = std::get<QByteArray>(std::move(read));
    const QString mimeType = mimeTypeForFileName(fileName);
    const bool done = co_await attempt(m_api->uploadAttachment(cardID, data, fileName, mimeType));
    if (!done) {
        co_return;
    }
    co_await doRefreshAttachments(cardID);
    clearError();
}

Operation AppState::deleteAttachment(const QString &cardID, const QString &attachmentID)
{
    return operation(doDeleteAttachment(cardID, attachmentID));
}

QCoro::Task<> AppState::doDeleteAttachment(QString cardID, QString attachmentID)
{
    const bool done = co_await attempt(m_api->deleteAttachment(cardID, attachmentID));
    if (!done) {
        co_return;
    }
    if (const QList<TrelloAttachment> *current = m_attachments.find(cardID)) {
        QList<TrelloAttachment> attachments = *current;
        attachments.removeIf(
            [&attachmentID](const TrelloAttachment &a) { return a.id == attachmentID; });
        m_attachments.set(cardID, std::move(attachments));
    }
    clearError();
}
