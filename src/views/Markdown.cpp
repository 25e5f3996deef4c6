// SPDX-License-Identifier: MIT
#include "Markdown.h"

#include "Members.h"
#include "Mentions.h"
#include "Theme.h"

#include <QCache>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFuture>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace markdown {

namespace {

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

QString attribute(const QString &value)
{
    return value.toHtmlEscaped();
}

// A text of the document as rich text: escaped, hard line breaks kept.
QString escaped(QString text)
{
    text = text.toHtmlEscaped();
    text.replace(QChar::LineSeparator, "<br/>"_L1);
    return text;
}

class Writer {
public:
    Writer(const Style &style, const QHash<QString, QString> &mentions)
        : m_style(style), m_mentions(mentions)
    {
    }

    QString write(const QTextDocument &document)
    {
        QTextFrame *root = document.rootFrame();
        for (auto it = root->begin(); !it.atEnd(); ++it) {
            if (auto *table = qobject_cast<QTextTable *>(it.currentFrame())) {
                flushCode();
                writeTable(*table);
            } else if (it.currentBlock().isValid()) {
                writeBlock(it.currentBlock());
            }
        }
        flushCode();
        return m_out;
    }

private:
    static bool isCode(const QTextBlock &block)
    {
        const QTextBlockFormat format = block.blockFormat();
        return format.hasProperty(QTextFormat::BlockCodeFence) || format.nonBreakableLines();
    }

    void writeBlock(const QTextBlock &block)
    {
        if (isCode(block)) {
            m_code.append(escaped(block.text()));
            return;
        }
        flushCode();
        const QTextBlockFormat format = block.blockFormat();
        if (format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)) {
            m_out += "<hr/>"_L1;
            return;
        }
        if (const int level = format.headingLevel(); level > 0) {
            // One step smaller than a web page's: the panel is narrow.
            const QString tag = u"h%1"_s.arg(std::min(level + 1, 6));
            m_out += u"<%1 style=\"margin-top:8px; margin-bottom:4px\">"_s.arg(tag) + inline_(block)
                     + u"</%1>"_s.arg(tag);
            return;
        }
        // Empty blocks are where the importer parted a table or a list from what follows.
        if (block.text().isEmpty() && !block.textList())
            return;
        int indent = 0;
        QString prefix;
        if (QTextList *list = block.textList()) {
            indent = std::max(1, list->format().indent());
            prefix = itemMark(block, *list);
        }
        const int quoteLevel = format.intProperty(QTextFormat::BlockQuoteLevel);
        QString style = u"margin-top:0px; margin-bottom:%1px; margin-left:%2px"_s
                            .arg(block.textList() ? 2 : 6)
                            .arg(indent * 18 + quoteLevel * 14);
        if (quoteLevel > 0)
            style += u"; color:%1; font-style:italic"_s.arg(m_style.secondary.name());
        m_out += u"<p style=\"%1\">"_s.arg(style) + prefix + inline_(block) + "</p>"_L1;
    }

    // The mark before a list item: a check box for a task, the number, or a bullet.
    static QString itemMark(const QTextBlock &block, QTextList &list)
    {
        switch (block.blockFormat().marker()) {
        case QTextBlockFormat::MarkerType::Checked:
            return u"\u2611\u00a0"_s;
        case QTextBlockFormat::MarkerType::Unchecked:
            return u"\u2610\u00a0"_s;
        case QTextBlockFormat::MarkerType::NoMarker:
            break;
        }
        switch (list.format().style()) {
        case QTextListFormat::ListDisc:
        case QTextListFormat::ListCircle:
        case QTextListFormat::ListSquare:
        case QTextListFormat::ListStyleUndefined:
            return list.format().indent() > 1 ? u"\u25e6\u00a0"_s : u"\u2022\u00a0"_s;
        default:
            return escaped(list.itemText(block)) + u"\u00a0"_s;
        }
    }

    void flushCode()
    {
        if (m_code.isEmpty())
            return;
        m_out += u"<pre style=\"margin-top:0px; margin-bottom:6px; background-color:%1\">"_s.arg(
                     m_style.codeBackground.name())
                 + m_code.join(u'\n') + "</pre>"_L1;
        m_code.clear();
    }

    void writeTable(QTextTable &table)
    {
        m_out += u"<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                 "style=\"border-color:%1; border-style:solid; margin-bottom:6px\">"_s.arg(
                     m_style.separator.name());
        for (int row = 0; row < table.rows(); ++row) {
            m_out += "<tr>"_L1;
            for (int column = 0; column < table.columns(); ++column) {
                const QTextTableCell cell = table.cellAt(row, column);
                if (cell.row() != row || cell.column() != column)
                    continue; // spanned
                const char *tag = row < std::max(1, table.format().headerRowCount()) ? "th" : "td";
                m_out += u"<%1>"_s.arg(QLatin1StringView(tag));
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (it.currentBlock().isValid())
                        m_out += inline_(it.currentBlock());
                }
                m_out += u"</%1>"_s.arg(QLatin1StringView(tag));
            }
            m_out += "</tr>"_L1;
        }
        m_out += "</table>"_L1;
    }

    // A block's text with its emphasis, code and links. Images are links to their address,
    // named by their alt text.
    QString inline_(const QTextBlock &block) const
    {
        QString out;
        QChar before; // the last character of the fragment before
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QString address = format.toImageFormat().name();
                QString alt = format.stringProperty(QTextFormat::ImageAltText);
                if (alt.isEmpty())
                    alt = address;
                out += link(address, escaped(alt));
                before = QChar::ObjectReplacementCharacter;
                continue;
            }
            const QString raw = fragment.text();
            const bool linked = format.isAnchor() && !format.anchorHref().isEmpty();
            // Code and links are shown as written.
            QString text = format.fontFixedPitch() || linked ? escaped(raw) : withMentions(raw, before);
            if (!raw.isEmpty())
                before = raw.back();
            if (format.fontFixedPitch())
                text = u"<span style=\"font-family:monospace; background-color:%1\">%2</span>"_s.arg(
                    m_style.codeBackground.name(), text);
            if (format.fontStrikeOut())
                text = "<s>"_L1 + text + "</s>"_L1;
            if (format.fontItalic())
                text = "<i>"_L1 + text + "</i>"_L1;
            if (format.fontWeight() >= QFont::DemiBold)
                text = "<b>"_L1 + text + "</b>"_L1;
            if (linked)
                text = link(format.anchorHref(), text);
            out += text;
        }
        return out;
    }

    // A text escaped, each mention of a member a chip with their name, kept on one line.
    QString withMentions(const QString &raw, QChar before) const
    {
        const QList<mentions::Mention> found = mentions::find(raw, m_mentions, before);
        if (found.isEmpty())
            return escaped(raw);
        QString out;
        qsizetype from = 0;
        for (const mentions::Mention &mention : found) {
            out += escaped(raw.mid(from, mention.start - from));
            QString name = escaped(m_mentions.value(mention.username));
            name.replace(u' ', "&nbsp;"_L1);
            out += u"<span style=\"background-color:%1; color:%2; font-weight:600\">&nbsp;%3&nbsp;</span>"_s
                       .arg(m_style.mention.name(), m_style.link.name(), name);
            from = mention.start + mention.length;
        }
        return out + escaped(raw.mid(from));
    }

    QString link(const QString &address, const QString &content) const
    {
        return u"<a href=\"%1\" style=\"color:%2\">%3</a>"_s.arg(attribute(address),
                                                                  m_style.link.name(), content);
    }

    const Style &m_style;
    const QHash<QString, QString> &m_mentions;
    QString m_out;
    QStringList m_code;
};

// Rendered texts by style and text, least recently used first out. Main thread only.
QCache<QString, QString> &cache()
{
    // About 4 MB of rich text.
    static QCache<QString, QString> renderings(2 * 1024 * 1024);
    return renderings;
}

// One thread: long texts render one after the other and leave the other cores to the rest.
QThreadPool &renderers()
{
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool(QCoreApplication::instance());
        made->setMaxThreadCount(1);
        return made;
    }();
    return *pool;
}
// A long text starts rendering after this long: the frames that show the view come first,
// without a worker taking one of the cores they need.
constexpr int RenderingDelayMs = 50;

} // namespace

QString Style::key() const
{
    return link.name() + secondary.name() + separator.name() + codeBackground.name() + mention.name();
}

Style currentStyle()
{
    const Theme *theme = Theme::instance();
    // Opaque: the rich text's colours have no alpha.
    const QColor background = theme->textBackground();
    const auto over = [&background](QColor color) {
        const double alpha = color.alphaF();
        color.setAlphaF(1);
        return mix(background, color, alpha);
    };
    const QColor accent = over(theme->accent());
    return {accent, over(theme->secondary()), over(theme->separator()),
            mix(background, theme->primary(), 0.07), mix(background, accent, theme->isDark() ? 0.24 : 0.13)};
}

QString toRichText(const QString &text, const Style &style, const QHash<QString, QString> &mentions)
{
    QTextDocument document;
    document.setMarkdown(text, QTextDocument::MarkdownFeatures(QTextDocument::MarkdownDialectGitHub
                                                               | QTextDocument::MarkdownNoHTML));
    return Writer(style, mentions).write(document);
}

bool opensInBrowser(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid())
        return false;
    if (scheme == "mailto"_L1)
        return !url.path().isEmpty();
    return (scheme == "http"_L1 || scheme == "https"_L1) && !url.host().isEmpty();
}

} // namespace markdown

bool Markdown::openLink(const QString &link) const
{
    const QUrl url(link, QUrl::StrictMode);
    if (!markdown::opensInBrowser(url))
        return false;
    return QDesktopServices::openUrl(url);
}

MarkdownRendering::MarkdownRendering(QObject *parent) : QObject(parent)
{
    connect(Theme::instance(), &Theme::appearanceChanged, this, &MarkdownRendering::render);
}

void MarkdownRendering::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    Q_EMIT textChanged();
    render();
}

void MarkdownRendering::setMembers(QAbstractItemModel *members)
{
    if (members == m_members)
        return;
    for (const auto &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_members = members;
    if (members) {
        const auto edited = [this] { membersEdited(); };
        m_connections = {
            connect(members, &QAbstractItemModel::rowsInserted, this, edited),
            connect(members, &QAbstractItemModel::rowsRemoved, this, edited),
            connect(members, &QAbstractItemModel::modelReset, this, edited),
            connect(members, &QAbstractItemModel::dataChanged, this, edited),
        };
    }
    Q_EMIT membersChanged();
    membersEdited();
}

void MarkdownRendering::membersEdited()
{
    // Only a text that may mention someone renders differently.
    if (m_text.contains(u'@'))
        render();
}

QString MarkdownRendering::renderingKey(const markdown::Style &style, QHash<QString, QString> &mentioned) const
{
    // The members the text mentions, with the names their chips show: part of the key, as a
    // member's new name changes the rendering.
    QString mentionKey;
    if (m_members && m_text.contains(u'@')) {
        QHash<QString, QString> known;
        for (const TrelloMember &member : mentions::membersOf(m_members))
            known.insert(member.username.toLower(), members::displayName(member));
        for (const mentions::Mention &found : mentions::find(m_text, known)) {
            if (mentioned.contains(found.username))
                continue;
            const QString name = known.value(found.username);
            mentioned.insert(found.username, name);
            mentionKey += found.username + u'=' + name + u'\t';
        }
    }
    return style.key() + mentionKey + u'\n' + m_text;
}

void MarkdownRendering::render()
{
    const quint64 generation = ++m_generation;
    if (m_text.size() <= RenderAtOnceLimit) {
        renderFully(generation, false);
        return;
    }
    // A long text shows its start at once and everything else waits for the frame after: the
    // search for mentions and the cache's key go through all of it (some milliseconds for 50 KB),
    // and even a rendering found in the cache takes longer to lay out than the start.
    QString preview = markdown::escaped(m_text.left(PreviewLength));
    preview.replace(u'\n', "<br/>"_L1);
    m_richText = preview;
    m_ready = false;
    Q_EMIT richTextChanged();
    QTimer::singleShot(markdown::RenderingDelayMs, this, [this, generation] {
        if (generation == m_generation)
            renderFully(generation, true);
    });
}

void MarkdownRendering::renderFully(quint64 generation, bool onWorker)
{
    const markdown::Style style = markdown::currentStyle();
    QHash<QString, QString> mentioned;
    const QString key = renderingKey(style, mentioned);
    if (const QString *found = markdown::cache().object(key)) {
        showRendered(*found);
        return;
    }
    if (!onWorker) {
        const QString richText = markdown::toRichText(m_text, style, mentioned);
        markdown::cache().insert(key, new QString(richText), richText.size() + key.size());
        showRendered(richText);
        return;
    }
    QtConcurrent::run(&markdown::renderers(), [text = m_text, style, mentioned] {
        return markdown::toRichText(text, style, mentioned);
    }).then(this, [this, key, generation](const QString &richText) {
        markdown::cache().insert(key, new QString(richText), richText.size() + key.size());
        if (generation == m_generation)
            showRendered(richText);
    });
}

void MarkdownRendering::showRendered(const QString &richText)
{
    m_richText = richText;
    m_ready = true;
    Q_EMIT richTextChanged();
}
