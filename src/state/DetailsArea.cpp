// SPDX-License-Identifier: MIT
// Comments and their reactions, checklists and their items, and a card's attachments.
#include "DetailsArea.h"

#include "Positions.h"
#include "SessionArea.h"

#include <QCoroFuture>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <variant>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
const QString CompleteState = u"complete"_s;
const QString IncompleteState = u"incomplete"_s;
const QString FallbackMimeType = u"application/octet-stream"_s;

// Reactions are fetched for the comments whose rows are near the view, this many at a time,
// and only while this many requests of the token's window stay free for what the user does
// (a refresh, a save). A row that only passes by within the first moment is not fetched.
constexpr qsizetype ReactionFetchesAtOnce = 6;
constexpr int ReactionBudgetReserve = 20;
constexpr int ReactionSettleMs = 50;

using CommentReactions = std::pair<QString, QList<TrelloReaction>>;

// One comment's reactions; a failed fetch counts as none, and says nothing.
QCoro::Task<CommentReactions> reactionsOrNone(QCoro::Task<QList<TrelloReaction>> fetch,
                                              QString commentID)
{
    QList<TrelloReaction> reactions;
    try {
        reactions = co_await std::move(fetch);
    } catch (const std::exception &) {
    }
    co_return CommentReactions{std::move(commentID), std::move(reactions)};
}

using ReadResult = std::variant<QByteArray, QString>;

// The file as bytes, or the one line that says why not. Runs on a worker thread. The buffer
// grows with what is really there (the file's own size, plus one byte to notice growth), and
// reading stops one byte past the limit, so neither a huge file nor one that grows (or a device
// that never ends) can exhaust memory.
ReadResult readUpload(const QString &path, const QString &fileName)
{
    const auto failure = [&fileName](const QString &reason) -> QString {
        return QCoreApplication::translate("DetailsArea", "Could not read “%1”: %2").arg(fileName, reason);
    };
    const auto tooLarge = [&fileName]() -> QString {
        return QCoreApplication::translate("DetailsArea",
                                           "“%1” is too large to attach: the limit is %2 per file.")
            .arg(fileName, QLocale::c().formattedDataSize(DetailsArea::maxUploadBytes, 0,
                                                          QLocale::DataSizeTraditionalFormat));
    };
    if (path.isEmpty()) {
        return failure(QCoreApplication::translate("DetailsArea", "not a local file"));
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        return failure(QCoreApplication::translate("DetailsArea", "it is a folder"));
    }
    if (info.exists() && info.size() > DetailsArea::maxUploadBytes) {
        return tooLarge();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return failure(file.errorString());
    }
    constexpr qint64 chunk = 1 << 20;
    QByteArray data;
    data.reserve(std::min<qint64>(info.size(), DetailsArea::maxUploadBytes) + 1);
    while (data.size() <= DetailsArea::maxUploadBytes) {
        const qint64 want = std::min<qint64>(chunk, DetailsArea::maxUploadBytes + 1 - data.size());
        const QByteArray piece = file.read(want);
        if (file.error() != QFileDevice::NoError) {
            return failure(file.errorString());
        }
        if (piece.isEmpty()) {
            break;
        }
        data.append(piece);
    }
    if (data.size() > DetailsArea::maxUploadBytes) {
        return tooLarge();
    }
    return data;
}
} // namespace

DetailsArea::DetailsArea(StoreContext &context, QObject *parent)
    : QObject(parent),
      m_context(context),
      m_loadingComments([this] { Q_EMIT loadingCommentsChanged(); }),
      m_loadingChecklists([this] { Q_EMIT loadingChecklistsChanged(); }),
      m_loadingAttachments([this] { Q_EMIT loadingAttachmentsChanged(); })
{
    m_reactionPump.setSingleShot(true);
    connect(&m_reactionPump, &QTimer::timeout, this, &DetailsArea::pumpReactions);
}

void DetailsArea::release(const QString &cardID)
{
    for (const TrelloComment &comment : m_comments.value(cardID)) {
        m_reactions.remove(comment.id);
        m_reactionQueue.removeAll(comment.id);
        m_reactionsNear.remove(comment.id);
    }
    m_comments.remove(cardID);
    m_checklists.remove(cardID);
    m_attachments.remove(cardID);
}

void DetailsArea::clear()
{
    m_comments.clear();
    m_reactions.clear();
    m_reactionQueue.clear();
    m_reactionsNear.clear();
    m_checklists.clear();
    m_attachments.clear();
}

void DetailsArea::loadMissing(const QString &cardID)
{
    if (!m_comments.contains(cardID) && !m_loadingComments.contains(cardID)) {
        refreshComments(cardID);
    }
    if (!m_checklists.contains(cardID) && !m_loadingChecklists.contains(cardID)) {
        refreshChecklists(cardID);
    }
    if (!m_attachments.contains(cardID) && !m_loadingAttachments.contains(cardID)) {
        refreshAttachments(cardID);
    }
}

// Comments

Operation DetailsArea::refreshComments(const QString &cardID)
{
    if (auto refused = m_context.requireIds(u"refreshComments"_s, {{"card", cardID}})) {
        return *refused;
    }
    return m_context.run(u"refreshComments"_s, doRefreshComments(cardID));
}

QCoro::Task<> DetailsArea::doRefreshComments(QString cardID)
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    LoadingSet::Mark loading(m_loadingComments, cardID);
    auto load = m_comments.beginLoad(cardID);
    QList<TrelloComment> comments = co_await m_context.api().fetchComments(cardID);
    // Newest first; comments posted in the same instant keep the service's order.
    std::stable_sort(comments.begin(), comments.end(),
                     [](const TrelloComment &a, const TrelloComment &b) { return a.date > b.date; });
    QStringList ids;
    ids.reserve(comments.size());
    for (const TrelloComment &comment : std::as_const(comments)) {
        ids.append(comment.id);
    }
    if (!load.finish(std::move(comments))) {
        co_return; // a newer change or load has the say
    }
    m_context.errors().clear();
    // The reactions shown are brought up to date too; the others wait for their rows.
    for (const QString &id : std::as_const(ids)) {
        if (m_reactionsNear.contains(id)) {
            queueReactions(id, true);
        }
    }
}

void DetailsArea::setReactionsWanted(const QString &commentID, bool wanted)
{
    if (!wanted) {
        m_reactionsNear.remove(commentID);
        m_reactionQueue.removeAll(commentID);
        return;
    }
    m_reactionsNear.insert(commentID);
    queueReactions(commentID, false);
}

void DetailsArea::queueReactions(const QString &commentID, bool again)
{
    if ((!again && m_reactions.contains(commentID)) || m_reactionsInFlight.contains(commentID) ||
        m_reactionQueue.contains(commentID)) {
        return;
    }
    m_reactionQueue.append(commentID);
    if (!m_reactionPump.isActive()) {
        m_reactionPump.start(ReactionSettleMs);
    }
}

void DetailsArea::pumpReactions()
{
    while (m_reactionsInFlight.size() < ReactionFetchesAtOnce && !m_reactionQueue.isEmpty()) {
        const auto wait = m_context.api().budgetWait(1 + ReactionBudgetReserve);
        if (wait > std::chrono::milliseconds(0)) {
            m_reactionPump.start(int(std::min<qint64>(wait.count(), 10000)));
            return;
        }
        const QString id = m_reactionQueue.takeFirst();
        if (m_comments.parentOf(id)) {
            m_context.run(u"loadReactions"_s, fetchReactionsOf(id));
        }
    }
}

QCoro::Task<> DetailsArea::fetchReactionsOf(QString commentID)
{
    QPointer<DetailsArea> self(this);
    m_reactionsInFlight.insert(commentID);
    auto load = m_reactions.beginLoad(commentID);
    CommentReactions result =
        co_await reactionsOrNone(m_context.api().fetchReactions(commentID), commentID);
    if (!self) {
        co_return;
    }
    m_reactionsInFlight.remove(commentID);
    load.finish(std::move(result.second));
    pumpReactions();
}

Operation DetailsArea::addComment(const QString &cardID, const QString &text)
{
    if (auto refused = m_context.requireIds(u"addComment"_s, {{"card", cardID}})) {
        return *refused;
    }
    return m_context.run(u"addComment"_s, doAddComment(cardID, text));
}

QCoro::Task<> DetailsArea::doAddComment(QString cardID, QString text)
{
    TrelloComment comment = co_await m_context.api().addComment(cardID, text);
    // At the front whatever its date: it is the one the user just wrote. A first load still
    // under way takes it on top of its answer.
    m_comments.prepend(cardID, std::move(comment));
    Q_EMIT commentCountChanged(cardID, +1);
    m_context.errors().clear();
}

Operation DetailsArea::editComment(const QString &commentID, const QString &text)
{
    if (auto refused = m_context.requireIds(u"editComment"_s, {{"comment", commentID}})) {
        return *refused;
    }
    return m_context.run(u"editComment"_s, doEditComment(commentID, text));
}

QCoro::Task<> DetailsArea::doEditComment(QString commentID, QString text)
{
    TrelloComment edited = co_await m_context.api().editComment(commentID, text);
    // The answer's shape is not promised: what it leaves out (the author, the date) stays as
    // the stored comment had it.
    if (const TrelloComment *stored = m_comments.record(commentID)) {
        if (!edited.memberCreator) {
            edited.memberCreator = stored->memberCreator;
        }
        if (!edited.date.isValid()) {
            edited.date = stored->date;
        }
    }
    m_comments.replace(commentID, edited);
    m_context.errors().clear();
}

Operation DetailsArea::deleteComment(const QString &commentID)
{
    if (auto refused = m_context.requireIds(u"deleteComment"_s, {{"comment", commentID}})) {
        return *refused;
    }
    return m_context.run(u"deleteComment"_s, doDeleteComment(commentID));
}

QCoro::Task<> DetailsArea::doDeleteComment(QString commentID)
{
    co_await m_context.api().deleteComment(commentID);
    const std::optional<QString> cardID = m_comments.parentOf(commentID);
    m_comments.removeRecord(commentID);
    m_reactions.remove(commentID);
    if (cardID) {
        Q_EMIT commentCountChanged(*cardID, -1);
    }
    m_context.errors().clear();
}

Operation DetailsArea::toggleReaction(const QString &commentID, const QString &shortName,
                                      const QString &native)
{
    if (auto refused = m_context.requireIds(u"toggleReaction"_s, {{"comment", commentID}})) {
        return *refused;
    }
    return m_context.run(u"toggleReaction"_s, doToggleReaction(commentID, shortName, native));
}

QCoro::Task<> DetailsArea::doToggleReaction(QString commentID, QString shortName, QString native)
{
    // Ours is the one the signed-in member gave with this emoji, known by its primary short name
    // (by its character when the answer names none); the same emoji from others does not
    // count. Nobody signed in: nothing is ours, so a toggle adds.
    std::optional<QString> ownReactionID;
    if (const std::optional<TrelloMember> &member = m_context.session().member()) {
        for (const TrelloReaction &reaction : m_reactions.value(commentID)) {
            const bool same = reaction.emoji && (reaction.emoji->shortName
                                                     ? *reaction.emoji->shortName == shortName
                                                     : reaction.emoji->native == native);
            if (reaction.idMember == member->id && same) {
                ownReactionID = reaction.id;
                break;
            }
        }
    }
    // Two statements, not a conditional expression: g++ 12 mishandles a task temporary
    // chosen by ?: inside a coroutine and destroys it while it is still running.
    if (ownReactionID) {
        co_await m_context.api().removeReaction(commentID, *ownReactionID);
    } else {
        co_await m_context.api().addReaction(commentID, shortName);
    }
    auto load = m_reactions.beginLoad(commentID);
    QList<TrelloReaction> reactions = co_await m_context.api().fetchReactions(commentID);
    load.finish(std::move(reactions));
    m_context.errors().clear();
}

// The change is made; a reload that fails after it does not make it a failure.
QCoro::Task<> DetailsArea::reloadAfterChange(QCoro::Task<> reload)
{
    try {
        co_await std::move(reload);
    } catch (const std::exception &) {
    }
    m_context.errors().clear();
}

// Checklists

void DetailsArea::recomputeBadge(const QString &cardID)
{
    qint64 total = 0;
    qint64 done = 0;
    for (const TrelloChecklist &checklist : m_checklists.value(cardID)) {
        for (const TrelloCheckItem &item : checklist.checkItems) {
            ++total;
            done += item.state == CompleteState ? 1 : 0;
        }
    }
    Q_EMIT checklistBadgeChanged(cardID, total, done);
}

template <typename Edit>
bool DetailsArea::editCheckItem(const QString &cardID, const QString &checkItemID, Edit edit)
{
    for (const TrelloChecklist &checklist : m_checklists.value(cardID)) {
        for (const TrelloCheckItem &item : checklist.checkItems) {
            if (item.id == checkItemID) {
                // A change to its checklist, so a reload under way keeps it.
                return m_checklists.update(checklist.id, [checkItemID, edit](TrelloChecklist &list) {
                    for (TrelloCheckItem &each : list.checkItems) {
                        if (each.id == checkItemID) {
                            edit(each);
                        }
                    }
                });
            }
        }
    }
    return false;
}

Operation DetailsArea::refreshChecklists(const QString &cardID)
{
    if (auto refused = m_context.requireIds(u"refreshChecklists"_s, {{"card", cardID}})) {
        return *refused;
    }
    return m_context.run(u"refreshChecklists"_s, loadChecklists(cardID));
}

QCoro::Task<> DetailsArea::loadChecklists(QString cardID)
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    LoadingSet::Mark loading(m_loadingChecklists, cardID);
    auto load = m_checklists.beginLoad(cardID);
    // The checklists by position, and so the items inside: the service answers those in the
    // order they were made. Equal positions go by id, so every view and count agrees.
    QList<TrelloChecklist> checklists = co_await m_context.api().fetchChecklists(cardID);
    sortByPos(checklists);
    for (TrelloChecklist &checklist : checklists) {
        std::sort(checklist.checkItems.begin(), checklist.checkItems.end(),
                  [](const TrelloCheckItem &a, const TrelloCheckItem &b) {
                      return a.pos != b.pos ? a.pos < b.pos : a.id < b.id;
                  });
    }
    if (load.finish(std::move(checklists))) {
        recomputeBadge(cardID);
    }
    m_context.errors().clear();
}

Operation DetailsArea::createChecklist(const QString &cardID, const QString &name)
{
    if (auto refused = m_context.requireIds(u"createChecklist"_s, {{"card", cardID}})) {
        return *refused;
    }
    return m_context.run(u"createChecklist"_s, doCreateChecklist(cardID, name));
}

QCoro::Task<> DetailsArea::doCreateChecklist(QString cardID, QString name)
{
    co_await m_context.api().createChecklist(cardID, name);
    // The new checklist arrives with the reload, in its place among the others.
    co_await reloadAfterChange(loadChecklists(cardID));
}

Operation DetailsArea::deleteChecklist(const QString &id)
{
    if (auto refused = m_context.requireIds(u"deleteChecklist"_s, {{"checklist", id}})) {
        return *refused;
    }
    return m_context.run(u"deleteChecklist"_s, doDeleteChecklist(id));
}

QCoro::Task<> DetailsArea::doDeleteChecklist(QString id)
{
    co_await m_context.api().deleteChecklist(id);
    if (const std::optional<QString> cardID = m_checklists.parentOf(id)) {
        m_checklists.removeRecord(id);
        recomputeBadge(*cardID);
    }
    m_context.errors().clear();
}

Operation DetailsArea::addCheckItem(const QString &checklistID, const QString &name)
{
    if (auto refused = m_context.requireIds(u"addCheckItem"_s, {{"checklist", checklistID}})) {
        return *refused;
    }
    return m_context.run(u"addCheckItem"_s, doAddCheckItem(checklistID, name));
}

QCoro::Task<> DetailsArea::doAddCheckItem(QString checklistID, QString name)
{
    co_await m_context.api().addCheckItem(checklistID, name);
    const std::optional<QString> cardID = m_checklists.parentOf(checklistID);
    if (cardID) {
        co_await reloadAfterChange(loadChecklists(*cardID));
    }
    m_context.errors().clear();
}

Operation DetailsArea::renameCheckItem(const QString &cardID, const QString &checkItemID,
                                       const QString &name)
{
    if (auto refused = m_context.requireIds(u"renameCheckItem"_s, {{"card", cardID}, {"item", checkItemID}})) {
        return *refused;
    }
    return m_context.run(u"renameCheckItem"_s, doRenameCheckItem(cardID, checkItemID, name));
}

QCoro::Task<> DetailsArea::doRenameCheckItem(QString cardID, QString checkItemID, QString name)
{
    co_await m_context.api().renameCheckItem(cardID, checkItemID, name);
    editCheckItem(cardID, checkItemID, [name](TrelloCheckItem &item) { item.name = name; });
    m_context.errors().clear();
}

Operation DetailsArea::toggleCheckItem(const QString &cardID, const QVariant &item)
{
    if (auto refused = m_context.requireIds(u"toggleCheckItem"_s, {{"card", cardID}})) {
        return *refused;
    }
    if (item.metaType() != QMetaType::fromType<TrelloCheckItem>() ||
        item.value<TrelloCheckItem>().id.isEmpty()) {
        return m_context.refuse(u"toggleCheckItem"_s, tr("Nothing was sent: that is not a checklist item."));
    }
    // Anything but "complete" counts as not done, so ticking it sends complete.
    const TrelloCheckItem checkItem = item.value<TrelloCheckItem>();
    return m_context.run(u"toggleCheckItem"_s,
                         doToggleCheckItem(cardID, checkItem.id, checkItem.state != CompleteState));
}

QCoro::Task<> DetailsArea::doToggleCheckItem(QString cardID, QString checkItemID, bool complete)
{
    const auto apply = [this, &cardID, &checkItemID](bool done) {
        if (editCheckItem(cardID, checkItemID, [done](TrelloCheckItem &item) {
                item.state = done ? CompleteState : IncompleteState;
            })) {
            recomputeBadge(cardID);
        }
    };
    // The tick shows at once; a refusal puts back the state this tick started from.
    apply(complete);
    std::exception_ptr failure;
    try {
        co_await m_context.api().setCheckItemState(cardID, checkItemID, complete);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        apply(!complete);
        std::rethrow_exception(failure);
    }
}

Operation DetailsArea::deleteCheckItem(const QString &checklistID, const QString &checkItemID)
{
    if (auto refused = m_context.requireIds(u"deleteCheckItem"_s, {{"checklist", checklistID}, {"item", checkItemID}})) {
        return *refused;
    }
    return m_context.run(u"deleteCheckItem"_s, doDeleteCheckItem(checklistID, checkItemID));
}

QCoro::Task<> DetailsArea::doDeleteCheckItem(QString checklistID, QString checkItemID)
{
    co_await m_context.api().deleteCheckItem(checklistID, checkItemID);
    if (const std::optional<QString> cardID = m_checklists.parentOf(checklistID)) {
        m_checklists.update(checklistID, [checkItemID](TrelloChecklist &checklist) {
            checklist.checkItems.removeIf(
                [&checkItemID](const TrelloCheckItem &item) { return item.id == checkItemID; });
        });
        recomputeBadge(*cardID);
    }
    m_context.errors().clear();
}

// Attachments

Operation DetailsArea::refreshAttachments(const QString &cardID)
{
    if (auto refused = m_context.requireIds(u"refreshAttachments"_s, {{"card", cardID}})) {
        return *refused;
    }
    return m_context.run(u"refreshAttachments"_s, loadAttachments(cardID));
}

QCoro::Task<> DetailsArea::loadAttachments(QString cardID)
{
    if (!m_context.hasCredentials()) {
        co_return;
    }
    LoadingSet::Mark loading(m_loadingAttachments, cardID);
    auto load = m_attachments.beginLoad(cardID);
    QList<TrelloAttachment> attachments = co_await m_context.api().fetchAttachments(cardID);
    // Newest first; an undated attachment counts as the oldest possible one.
    std::stable_sort(attachments.begin(), attachments.end(),
                     [](const TrelloAttachment &a, const TrelloAttachment &b) {
                         if (!b.date) {
                             return a.date.has_value();
                         }
                         return a.date && *a.date > *b.date;
                     });
    load.finish(std::move(attachments));
    m_context.errors().clear();
}

Operation DetailsArea::addAttachment(const QString &cardID, const QString &url, const QString &name)
{
    if (auto refused = m_context.requireIds(u"addAttachment"_s, {{"card", cardID}})) {
        return *refused;
    }
    return m_context.run(u"addAttachment"_s, doAddAttachment(cardID, url, name));
}

QCoro::Task<> DetailsArea::doAddAttachment(QString cardID, QString url, QString name)
{
    co_await m_context.api().addAttachment(cardID, url, name);
    co_await reloadAfterChange(loadAttachments(cardID));
}

QString DetailsArea::mimeTypeForFileName(const QString &fileName)
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

Operation DetailsArea::uploadAttachment(const QString &cardID, const QUrl &fileURL)
{
    if (auto refused = m_context.requireIds(u"uploadAttachment"_s, {{"card", cardID}})) {
        return *refused;
    }
    return m_context.run(u"uploadAttachment"_s, doUploadAttachment(cardID, fileURL));
}

QCoro::Task<> DetailsArea::doUploadAttachment(QString cardID, QUrl fileURL)
{
    // The card shows progress from the first byte read until the reload is done.
    LoadingSet::Mark uploading(m_loadingAttachments, cardID);
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
    co_await reloadAfterChange(loadAttachments(cardID));
}

Operation DetailsArea::deleteAttachment(const QString &cardID, const QString &attachmentID)
{
    if (auto refused = m_context.requireIds(u"deleteAttachment"_s, {{"card", cardID}, {"attachment", attachmentID}})) {
        return *refused;
    }
    return m_context.run(u"deleteAttachment"_s, doDeleteAttachment(cardID, attachmentID));
}

QCoro::Task<> DetailsArea::doDeleteAttachment(QString cardID, QString attachmentID)
{
    co_await m_context.api().deleteAttachment(cardID, attachmentID);
    m_attachments.removeRecord(attachmentID);
    m_context.errors().clear();
}
