// SPDX-License-Identifier: MIT
#pragma once

#include "KeyedCollection.h"
#include "StoreContext.h"

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// A card's attachments: links and uploaded files.
class AttachmentsArea : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of AppState")
    Q_PROPERTY(QStringList loadingAttachments READ loadingAttachments NOTIFY loadingAttachmentsChanged)
public:
    AttachmentsArea(StoreContext &context, QObject *parent = nullptr);

    const KeyedCollection<TrelloAttachment> &attachments() const { return m_attachments; }
    QStringList loadingAttachments() const { return m_attachments.loadingParents(); }

    Q_INVOKABLE KeyedListModel *attachmentsModel(const QString &cardID) { return m_attachments.model(cardID); }

    Q_INVOKABLE Operation refreshAttachments(const QString &cardID);
    Q_INVOKABLE Operation addAttachment(const QString &cardID, const QString &url,
                                        const QString &name = QString());
    Q_INVOKABLE Operation uploadAttachment(const QString &cardID, const QUrl &fileURL);
    Q_INVOKABLE Operation deleteAttachment(const QString &cardID, const QString &attachmentID);
    // Files above this size are refused before they are read (the service takes 250 MB).
    static constexpr qint64 maxUploadBytes = 250LL * 1024 * 1024;
    // The MIME type for a file name, by its extension only.
    static QString mimeTypeForFileName(const QString &fileName);

    // The card's attachments, unless they are held or being loaded.
    void loadMissing(const QString &cardID);
    // The card's editor closed, or the card went: its attachments go.
    void release(const QString &cardID) { m_attachments.remove(cardID); }
    void clear() { m_attachments.clear(); }

Q_SIGNALS:
    void loadingAttachmentsChanged();

private:
    QCoro::Task<> loadAttachments(QString cardID);

    StoreContext &m_context;
    KeyedCollection<TrelloAttachment> m_attachments{this};
};
