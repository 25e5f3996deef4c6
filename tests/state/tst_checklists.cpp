// SPDX-License-Identifier: MIT
// Checklists and attachments against a scripted server: order, the card's check-item badge
// through ticks and deletions, reloads that fail after a change, and file uploads. What the
// sections send and show is checked through the views, refusals by the fault matrix.
#include "ScriptedCard.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QFile>

using namespace Qt::StringLiterals;
using namespace harness;
using sandbox::Response;

class TestChecklists : public QObject {
    Q_OBJECT
private slots:
    void orderTicksAndBadge();
    void changesWhoseReloadFails();
    void attachmentOrder();
    void mimeTypes_data();
    void mimeTypes();
    void upload();
    void uploadsRefusedBeforeSending();
};

namespace {
const std::string ChecklistsPath = "/1/cards/card1/checklists";
const std::string AttachmentsPath = "/1/cards/card1/attachments";

QStringList states(const AppState &state, const QString &checklistID)
{
    QStringList out;
    for (const TrelloChecklist &checklist : state.checklists()->checklists().value(CardID)) {
        if (checklist.id == checklistID) {
            for (const TrelloCheckItem &item : checklist.checkItems) {
                out.append(item.state);
            }
        }
    }
    return out;
}

TrelloCheckItem item(const AppState &state, const QString &checklistID, const QString &itemID)
{
    for (const TrelloChecklist &checklist : state.checklists()->checklists().value(CardID)) {
        for (const TrelloCheckItem &candidate : checklist.checkItems) {
            if (checklist.id == checklistID && candidate.id == itemID) {
                return candidate;
            }
        }
    }
    return {};
}

const QJsonArray ThreeChecklists{
    checklistJson(u"late"_s, 300, {checkItemJson(u"l1"_s, u"complete"_s, 1)}),
    checklistJson(u"first"_s, 100,
                  {checkItemJson(u"f2"_s, u"incomplete"_s, 2), checkItemJson(u"f1"_s, u"complete"_s, 1),
                   checkItemJson(u"f3"_s, u"unknown"_s, 1)}),
    checklistJson(u"middle"_s, 200, {})};
} // namespace

void TestChecklists::orderTicksAndBadge()
{
    ScriptedCard rig(0, 0, 7);
    QAbstractItemModelTester tester(rig.state->checklists()->checklistsModel(CardID),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    rig.server.route("GET", ChecklistsPath, Response::json(json(ThreeChecklists)));
    await(rig.state->checklists()->refreshChecklists(CardID));

    QCOMPARE(ids(rig.state->checklists()->checklists().value(CardID)), (QStringList{u"first"_s, u"middle"_s, u"late"_s}));
    // Items by position (the service answers them in creation order), equal ones by id.
    QCOMPARE(ids(rig.state->checklists()->checklists().value(CardID).first().checkItems),
             (QStringList{u"f1"_s, u"f3"_s, u"f2"_s}));
    QCOMPARE(rig.badges(), (CardBadges{4, 2, 7}));
    QVERIFY(rig.state->checklists()->loadingChecklists().isEmpty());

    // A tick reaches the card's badge at once, and a refusal takes it back.
    Response refusal = Response::text("invalid value for state", 400);
    refusal.delay = std::chrono::milliseconds(50);
    rig.server.enqueue("PUT", "/1/cards/card1/checkItem/f2", refusal);
    Operation tick = rig.state->checklists()->toggleCheckItem(CardID, QVariant::fromValue(item(*rig.state, u"first"_s, u"f2"_s)));
    QCOMPARE(rig.badges(), (CardBadges{4, 3, 7}));
    await(tick);
    QCOMPARE(rig.badges(), (CardBadges{4, 2, 7}));

    // Accepted ticks: any state but "complete" counts as open, so ticking it sends complete.
    rig.server.route("PUT", "/1/cards/card1/checkItem/[^/]+", Response::json("{}"));
    await(rig.state->checklists()->toggleCheckItem(CardID, QVariant::fromValue(item(*rig.state, u"first"_s, u"f3"_s))));
    await(rig.state->checklists()->toggleCheckItem(CardID, QVariant::fromValue(item(*rig.state, u"first"_s, u"f1"_s))));
    const auto puts = rig.requests("PUT", ".*");
    QCOMPARE(puts.back().queryValue("state"), std::optional<std::string>("incomplete"));
    QCOMPARE(puts[puts.size() - 2].queryValue("state"), std::optional<std::string>("complete"));
    QCOMPARE(states(*rig.state, u"first"_s), (QStringList{u"incomplete"_s, u"complete"_s, u"incomplete"_s}));
    QCOMPARE(rig.badges(), (CardBadges{4, 2, 7}));

    // Deleting items and checklists keeps the badge in step, down to nothing.
    rig.server.route("DELETE", "/1/checklists/.*", Response::json("{}"));
    await(rig.state->checklists()->deleteCheckItem(u"first"_s, u"f3"_s));
    QCOMPARE(rig.badges(), (CardBadges{3, 1, 7}));
    await(rig.state->checklists()->deleteChecklist(u"late"_s));
    QCOMPARE(rig.badges(), (CardBadges{2, 0, 7}));
    await(rig.state->checklists()->deleteCheckItem(u"first"_s, u"f1"_s));
    await(rig.state->checklists()->deleteCheckItem(u"first"_s, u"f2"_s));
    QCOMPARE(rig.badges(), (CardBadges{0, 0, 7}));
    QVERIFY(!rig.state->errors()->message());
}

void TestChecklists::changesWhoseReloadFails()
{
    // The item is added; the reload after it fails. The change counts as done: no message.
    ScriptedCard rig;
    rig.server.route("GET", ChecklistsPath, Response::json(json(ThreeChecklists)));
    await(rig.state->checklists()->refreshChecklists(CardID));
    rig.server.route("POST", "/1/checklists/first/checkItems", Response::json("{}"));
    rig.server.enqueue("GET", ChecklistsPath, Response::text("busy", 503));
    await(rig.state->checklists()->addCheckItem(u"first"_s, u"Socks"_s));
    QCOMPARE(rig.requests("GET", ChecklistsPath).size(), size_t(2));
    QVERIFY(!rig.state->errors()->message());

    // Renaming an item no longer loaded is done too, and clears an old message.
    rig.server.route("PUT", "/1/cards/card1/checkItem/.*", Response::json("{}"));
    rig.state->setErrorMessage(u"stale"_s);
    await(rig.state->checklists()->renameCheckItem(CardID, u"g1"_s, u"Whatever"_s));
    QVERIFY(!rig.state->errors()->message());
}

void TestChecklists::attachmentOrder()
{
    ScriptedCard rig;
    QAbstractItemModelTester tester(rig.state->attachments()->attachmentsModel(CardID),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    rig.server.route("GET", AttachmentsPath,
                     Response::json(json(QJsonArray{attachmentJson(u"may1"_s, u"2025-05-01T10:00:00.000Z"_s),
                                                    attachmentJson(u"undated"_s, {}),
                                                    attachmentJson(u"may3"_s, u"2025-05-03T10:00:00Z"_s),
                                                    attachmentJson(u"alsoUndated"_s, {}),
                                                    attachmentJson(u"may1too"_s, u"2025-05-01T10:00:00Z"_s)})));
    await(rig.state->attachments()->refreshAttachments(CardID));
    QCOMPARE(ids(rig.state->attachments()->attachments().value(CardID)),
             (QStringList{u"may3"_s, u"may1"_s, u"may1too"_s, u"undated"_s, u"alsoUndated"_s}));
}

// The type sent with an upload comes from the file's name.
void TestChecklists::mimeTypes_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("mimeType");
    QTest::newRow("pdf") << u"Quarterly report.pdf"_s << u"application/pdf"_s;
    QTest::newRow("upper-case extension") << u"SCAN.PNG"_s << u"image/png"_s;
    QTest::newRow("unknown extension") << u"notes.zzqx"_s << u"application/octet-stream"_s;
    // A whole-name pattern such as Makefile must not name a type: only extensions count.
    QTest::newRow("no extension") << u"Makefile"_s << u"application/octet-stream"_s;
    QTest::newRow("trailing dot") << u"draft."_s << u"application/octet-stream"_s;
    QTest::newRow("last dot decides") << u"backup.tar.gz"_s << u"application/gzip"_s;
}

void TestChecklists::mimeTypes()
{
    QFETCH(QString, fileName);
    QFETCH(QString, mimeType);
    QCOMPARE(AttachmentsArea::mimeTypeForFileName(fileName), mimeType);
}

// The file goes whole, bytes as they are, under its name and type; the card shows progress
// until the reload is in. The request's shape is the API tests' concern.
void TestChecklists::upload()
{
    ScriptedCard rig;
    static const char raw[] = "%PDF-1.4\n\x00\x01\x02 binary \xff\n";
    const QByteArray content(raw, sizeof raw - 1); // with the NUL inside, not the last one
    QFile file(rig.dir.filePath(u"Quarterly report.pdf"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    rig.server.route("POST", AttachmentsPath, Response::json("{}"));
    rig.server.route("GET", AttachmentsPath,
                     Response::json(json(QJsonArray{attachmentJson(u"up"_s, u"2025-05-01T10:00:00Z"_s)})));

    Operation upload = rig.state->attachments()->uploadAttachment(CardID, QUrl::fromLocalFile(file.fileName()));
    QCOMPARE(rig.state->attachments()->loadingAttachments(), QStringList{CardID});
    await(upload);

    const auto posts = rig.requests("POST", ".*");
    QCOMPARE(posts.size(), size_t(1));
    QCOMPARE(posts[0].queryValue("name"), std::optional<std::string>("Quarterly report.pdf"));
    QCOMPARE(posts[0].queryValue("mimeType"), std::optional<std::string>("application/pdf"));
    QVERIFY(posts[0].body.find(content.toStdString()) != std::string::npos);
    QCOMPARE(ids(rig.state->attachments()->attachments().value(CardID)), QStringList{u"up"_s});
    QVERIFY(rig.state->attachments()->loadingAttachments().isEmpty());
    QVERIFY(!rig.state->errors()->message());
}

void TestChecklists::uploadsRefusedBeforeSending()
{
    ScriptedCard rig;
    rig.server.route("POST", AttachmentsPath, Response::json("{}"));

    // A file that is not there, and a folder.
    await(rig.state->attachments()->uploadAttachment(CardID, QUrl::fromLocalFile(rig.dir.filePath(u"missing.pdf"_s))));
    QVERIFY(rig.state->errorMessage().contains(u"missing.pdf"_s));
    QVERIFY(rig.state->errorMessage().contains(u"No such file"_s));
    QVERIFY(rig.state->attachments()->loadingAttachments().isEmpty());
    rig.state->setErrorMessage({});
    await(rig.state->attachments()->uploadAttachment(CardID, QUrl::fromLocalFile(rig.dir.path())));
    QVERIFY(rig.state->errors()->message());
    QVERIFY(rig.state->attachments()->loadingAttachments().isEmpty());

    // Beyond the service's limit: refused on its size alone, without opening the file (the
    // kernel reports every open; permissions would not stop root).
    QFile huge(rig.dir.filePath(u"huge.iso"_s));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(AttachmentsArea::maxUploadBytes + 1)); // sparse
    huge.close();
    const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watcher >= 0);
    QVERIFY(inotify_add_watch(watcher, QFile::encodeName(huge.fileName()).constData(),
                              IN_OPEN | IN_ACCESS) >= 0);
    await(rig.state->attachments()->uploadAttachment(CardID, QUrl::fromLocalFile(huge.fileName())));
    char events[4096];
    const ssize_t seen = ::read(watcher, events, sizeof events);
    ::close(watcher);
    QVERIFY2(seen <= 0, "the file was opened");
    QVERIFY2(rig.state->errorMessage().contains(u"too large"_s), qPrintable(rig.state->errorMessage()));
    QVERIFY(!rig.state->errorMessage().contains(u'\n'));
    QVERIFY(rig.state->attachments()->loadingAttachments().isEmpty());

    QVERIFY(rig.server.requests().empty());
}

QTEST_GUILESS_MAIN(TestChecklists)
#include "tst_checklists.moc"
