// SPDX-License-Identifier: MIT
#pragma once

#include "model/Models.h"
#include "state/RemindersArea.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>

class CardsArea;
class NotificationsArea;
class QSettings;

// Tells the desktop of new notifications through its notification daemon
// (org.freedesktop.Notifications): one bubble per notification, in a whole sentence with the
// comment's words as the body; opening it opens the card in the panel's editor, "Mark as read"
// marks it read. More than three at once give one bubble that opens the panel.
//
// None is told twice, across restarts too: the ids told (never their text) are kept in the
// preferences, the newest `keptIds` of them, and anything older than the oldest kept counts as
// told.
//
// Due reminders come as bubbles too ("“Fix crash” is due at 14:30"), with "Open" (the card in
// the editor) and "Mark complete"; more than three at once give one. They have a switch of
// their own (RemindersArea's), not the notifications' one.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr int summaryAbove = 3;
    static constexpr int keptIds = 500;
    static inline const QString EnabledKey = QStringLiteral("ShowDesktopNotifications");
    static inline const QString ToldKey = QStringLiteral("Notifications/Told");
    static inline const QString ToldFloorKey = QStringLiteral("Notifications/ToldBefore");

    DesktopNotifier(NotificationsArea *area, QSettings *preferences,
                    QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    bool isEnabled() const;
    void setEnabled(bool enabled);
    // Whether the notification was told already, in this run or an earlier one.
    bool wasTold(const QString &id) const;

    // Whether bubbles go through the desktop portal (org.freedesktop.portal.Notification): in a
    // Flatpak sandbox, where the daemon itself is out of reach, or when
    // STAVELIN_NOTIFICATION_PORTAL=1 asks for it.
    static bool throughPortal();

    // Tells the desktop of these (newest first), those not told before.
    void tell(const QList<TrelloNotification> &fresh);

    // Reminders come from here; "Mark complete" goes through the cards' update.
    void watchReminders(RemindersArea *reminders, CardsArea *cards);
    void remind(const QList<DueReminder> &due);
    // What a reminder says, by its due date as seen at `now`.
    static QString reminderSentence(const TrelloMemberCard &card, const QDateTime &now);

Q_SIGNALS:
    // A bubble was opened: the card (its list when known), or the panel for the summary. The
    // activation token the daemon gave, when it gave one, lets the panel take the focus.
    void cardRequested(const QString &boardID, const QString &listID, const QString &cardID,
                       const QString &activationToken);
    void panelRequested(const QString &activationToken);
    // The reminders' summary was opened: the panel, as it was.
    void openPanelRequested(const QString &activationToken);
    void enabledChanged();
    // A bubble went to the daemon (its id there), for the test traces.
    void told(uint bubble, const QString &summary);

private Q_SLOTS:
    void onActionInvoked(uint bubble, const QString &action);
    void onPortalAction(const QString &id, const QString &action, const QVariantList &parameters);
    void onActivationToken(uint bubble, const QString &token);
    void onClosed(uint bubble, uint reason);

private:
    struct Bubble {
        QString notificationID; // empty for the summary and reminders
        QString boardID;
        QString listID;
        QString cardID;
        bool reminder = false;
    };
    void send(const QString &summary, const QString &body, const QStringList &actions, Bubble what,
              const QString &category = QStringLiteral("im.received"), const QImage &picture = {});
    void sendToPortal(const QString &summary, const QString &body, const QStringList &actions,
                      Bubble what, const QImage &picture);
    // Sends the call and, once the bubble is shown, keeps what it stands for under its id: the
    // daemon's answer, or the portal's id chosen here (0 for the daemon).
    void deliver(const QDBusMessage &call, Bubble what, const QString &summary, uint portalBubble);
    void remember(const QStringList &ids);

    QPointer<NotificationsArea> m_area;
    QPointer<RemindersArea> m_reminders;
    QPointer<CardsArea> m_cards;
    QSettings *m_preferences;
    QDBusConnection m_bus;
    bool m_portal = false;
    uint m_portalIds = 0; // the portal's ids are ours to choose: "stavelin-1", "stavelin-2" …
    bool m_bodyMarkup = false; // the daemon reads markup in bodies: text must be escaped
    QHash<uint, Bubble> m_bubbles;
    QHash<uint, QString> m_tokens; // the activation token for a bubble, until its action
};
