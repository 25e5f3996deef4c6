// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QHash>
#include <QPointer>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

// Markdown as descriptions and comments are written (the service's GitHub flavour), turned
// into the rich text a QML Text shows. Raw HTML stays text, images become links with their
// alt text: the text items would fetch any picture a card names by themselves.
namespace markdown {

// The colours the rich text carries itself (a TextEdit has no colour of its own for links);
// the text takes the item's.
struct Style {
    QColor link;
    QColor secondary;      // quotes
    QColor separator;      // table borders, rules
    QColor codeBackground; // code spans and blocks
    QColor mention;        // the chip behind a member's name
    QString key() const;
};

// The Theme's colours of the moment (main thread only).
Style currentStyle();

// Rich text made only of tags and attributes written here; every piece of the text escaped.
// An @username of a member in `mentions` (lower-case user name → shown name) becomes a chip
// with the name, outside code and links. Lays nothing out and loads nothing: it runs on
// worker threads too.
QString toRichText(const QString &text, const Style &style,
                   const QHash<QString, QString> &mentions = {});

// http, https and mailto only: a card's text must not open files, scripts or other programs.
bool opensInBrowser(const QUrl &url);

} // namespace markdown

// Opens a link of a rendered text in the browser, when its kind may be opened.
class Markdown : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    explicit Markdown(QObject *parent = nullptr) : QObject(parent) {}

    // True when it was handed to the desktop (QDesktopServices, which the tests watch).
    Q_INVOKABLE bool openLink(const QString &link) const;
};

// The rendering of one text, for a view to bind to: `richText` is the rendered form, kept in
// a shared cache by text, colours and the names of the members it mentions (`members`, a
// model with a "record" role holding each TrelloMember: the board's). A short text renders at once; a long one on a worker
// thread, so no frame waits for it: until then `ready` is false and `richText` the start of
// the text as it is, escaped. Views show it with a constant Text.RichText: a Text whose format
// is still AutoText when the raw text reaches it takes its HTML as HTML and fetches its
// pictures.
class MarkdownRendering : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QAbstractItemModel *members READ members WRITE setMembers NOTIFY membersChanged)
    Q_PROPERTY(QString richText READ richText NOTIFY richTextChanged)
    Q_PROPERTY(bool ready READ isReady NOTIFY richTextChanged)
public:
    explicit MarkdownRendering(QObject *parent = nullptr);

    // Texts up to this many characters render on the spot (about a millisecond).
    static constexpr qsizetype RenderAtOnceLimit = 500;
    // How much of a long text shows while it is rendered.
    static constexpr qsizetype PreviewLength = 300;

    QString text() const { return m_text; }
    void setText(const QString &text);
    QAbstractItemModel *members() const { return m_members; }
    void setMembers(QAbstractItemModel *members);
    QString richText() const { return m_richText; }
    bool isReady() const { return m_ready; }

Q_SIGNALS:
    void textChanged();
    void membersChanged();
    void richTextChanged();

private:
    void render();
    // The whole text rendered, from the cache or afresh (on a worker thread when asked), unless
    // a newer text came meanwhile.
    void renderFully(quint64 generation, bool onWorker);
    void showRendered(const QString &richText);
    // The cache's key for the text as it would render now, and the members it mentions with
    // the names their chips show.
    QString renderingKey(const markdown::Style &style, QHash<QString, QString> &mentioned) const;
    void membersEdited();

    QString m_text;
    QPointer<QAbstractItemModel> m_members;
    QList<QMetaObject::Connection> m_connections;
    QString m_richText;
    bool m_ready = false;
    quint64 m_generation = 0; // a worker's answer for an older text is dropped
};
