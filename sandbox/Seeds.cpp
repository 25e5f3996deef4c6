// SPDX-License-Identifier: MIT
#include "Seeds.h"

#include <cmath>
#include <initializer_list>

namespace sandbox::seeds {

namespace {
using store::PosRequest;

// Boards made since late 2025 place their lists and cards around 2^47.
constexpr double kModernOrigin = 140737488355328.0;

struct Builder {
    store::Store &store;
    // Whole minutes, as dates picked in the service's own editor are.
    QDateTime now = QDateTime::fromSecsSinceEpoch(
        QDateTime::currentSecsSinceEpoch() / 60 * 60, Qt::UTC);

    QDateTime ago(double days) const { return now.addSecs(-std::llround(days * 86400)); }
    QDateTime ahead(double days) const { return now.addSecs(std::llround(days * 86400)); }

    store::Board &board(const std::string &name, const std::string &desc, double ageDays,
                        store::BoardPrefs prefs, std::initializer_list<std::string> members)
    {
        auto &b = store.addBoard(name, desc, ago(ageDays));
        b.prefs = std::move(prefs);
        b.memberIds.insert(b.memberIds.end(), members);
        b.lastActivity = ago(0.05);
        return b;
    }

    std::string label(const store::Board &b, const std::string &name,
                      std::optional<std::string> color)
    {
        return store.addLabel(b.id, name, std::move(color)).id;
    }

    store::List &list(const store::Board &b, const std::string &name, double pos = 0)
    {
        return store.addList(b.id, name,
                             pos > 0 ? PosRequest{PosRequest::Number, pos} : PosRequest{});
    }

    store::Card &card(const store::List &l, const std::string &name, double ageDays,
                      std::initializer_list<std::string> labels = {},
                      std::initializer_list<std::string> members = {}, double pos = 0)
    {
        auto &c = store.addCard(l.id, name,
                                pos > 0 ? PosRequest{PosRequest::Number, pos} : PosRequest{},
                                ago(ageDays));
        c.idLabels = labels;
        c.idMembers = members;
        c.lastActivity = ago(ageDays / 3);
        return c;
    }

    void checklist(const store::Card &c, const std::string &name,
                   std::initializer_list<std::pair<const char *, bool>> items)
    {
        const auto &list = store.addChecklist(c.id, name);
        for (const auto &[text, done] : items) {
            store.addCheckItem(list.id, text, {}).complete = done;
        }
    }

    std::string comment(const store::Card &c, const std::string &member, const std::string &text,
                        double ageDays, std::initializer_list<std::pair<std::string, const char *>>
                                            reactions = {})
    {
        const auto &added = store.addComment(c.id, member, text, ago(ageDays));
        for (const auto &[who, emoji] : reactions) {
            store.addReaction(added.id, who, emoji);
        }
        return added.id;
    }

    void link(const store::Card &c, const std::string &name, const std::string &url)
    {
        store.addAttachment(c.id, name, url, "").date = ago(1.5);
    }

    void file(const store::Card &c, const std::string &fileName, const std::string &mimeType,
              std::string bytes)
    {
        auto &a = store.addAttachment(c.id, fileName, "", mimeType);
        a.isUpload = true;
        a.fileName = fileName;
        a.bytes = std::move(bytes);
        a.date = ago(0.8);
    }
};

store::BoardPrefs preset(const std::string &name, const std::string &hex)
{
    return {name, false, hex, hex, "dark"};
}

store::BoardPrefs photo(store::Store &store, const std::string &top, const std::string &bottom,
                        const std::string &brightness)
{
    return {store.newId(QDateTime::currentDateTimeUtc().addDays(-400)), true, top, bottom,
            brightness};
}

const char *const kMockup =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" height=\"80\">"
    "<rect width=\"120\" height=\"80\" rx=\"10\" fill=\"#0079BF\"/>"
    "<rect x=\"10\" y=\"10\" width=\"30\" height=\"60\" rx=\"4\" fill=\"#ffffff\"/>"
    "<rect x=\"45\" y=\"10\" width=\"30\" height=\"40\" rx=\"4\" fill=\"#ffffff\"/>"
    "<rect x=\"80\" y=\"10\" width=\"30\" height=\"50\" rx=\"4\" fill=\"#ffffff\"/></svg>\n";
// The member's notifications: a few unread, as others' work on shared cards leaves them, and
// one read. Kept apart from the account above; it refers to the cards by name.
void sampleNotifications(store::Store &store, const QDateTime &now)
{
    const auto member = [&](const char *username) {
        for (const auto &[id, m] : store.members) {
            if (m.username == username) {
                return id;
            }
        }
        return std::string();
    };
    const auto card = [&](const char *name) {
        for (const auto &[id, c] : store.cards) {
            if (c.name == name) {
                return id;
            }
        }
        return std::string();
    };
    const auto minutesAgo = [&](int minutes) { return now.addSecs(-60 * minutes); };
    const std::string marco = member("marcobellini");
    const std::string priya = member("priyaraman");
    const std::string tomas = member("tomasortega");
    store.addNotification(store.meId, tomas, "changeCard", card("Tray icon"), "",
                          minutesAgo(3 * 24 * 60)).unread = false;
    store.addNotification(store.meId, tomas, "addedToCard", card("New kitchen tiles"), "",
                          minutesAgo(26 * 60));
    store.addNotification(store.meId, priya, "commentCard", card("Fix crash when token expires"),
                          "The stack trace points at the token refresh; can you take a look?",
                          minutesAgo(95));
    store.addNotification(store.meId, marco, "mentionedOnCard", card("Drag cards between lists"),
                          "@adalindqvist the drop indicator is ready for review.", minutesAgo(12));
}
} // namespace

void empty(store::Store &store)
{
    store.meId = store.addMember("adalindqvist", "Ada Lindqvist", true).id;
}

void sample(store::Store &store)
{
    Builder b{store};
    const std::string ada = store.addMember("adalindqvist", "Ada Lindqvist", true).id;
    store.meId = ada;
    const std::string marco = store.addMember("marcobellini", "Marco Bellini", true).id;
    const std::string priya = store.addMember("priyaraman", "Priya Raman", false).id;
    const std::string tomas = store.addMember("tomasortega", "Tom\xC3\xA1s Ortega", false).id;

    // A modern board: photo background, starred, described, positions around 2^47.
    auto &roadmap = b.board("Product Roadmap",
                            "What we build next for the tray companion, and why.\n"
                            "Cards move right as they ship.",
                            120, photo(store, "#d9e3eb", "#92d3ca", "light"), {marco, priya, tomas});
    roadmap.starred = true;
    const auto feature = b.label(roadmap, "Feature", "green");
    const auto bug = b.label(roadmap, "Bug", "red_dark");
    const auto design = b.label(roadmap, "Design", "purple_light");
    const auto research = b.label(roadmap, "Research", "sky");
    const auto unnamed = b.label(roadmap, "", "yellow");
    const auto blocked = b.label(roadmap, "Blocked", std::nullopt);
    const auto quick = b.label(roadmap, "Quick win", "lime_dark");
    const double o = kModernOrigin;
    const double s = store::kStep;
    auto &ideas = b.list(roadmap, "Ideas", o - 2 * s);
    auto &next = b.list(roadmap, "Next Up", o - s);
    auto &doing = b.list(roadmap, "In Progress", o);
    auto &review = b.list(roadmap, "Review", o + s);
    auto &shipped = b.list(roadmap, "Shipped", o + 2 * s);

    // Descriptions and comments as people write them: Markdown, and @mentions of members.
    auto &sheet = b.card(ideas, "Keyboard shortcut cheat sheet", 30, {feature, quick}, {}, o - s);
    sheet.due = b.ahead(3);
    sheet.desc = "## Goal\n"
                 "One page with every key the panel knows, a **single shortcut** away. "
                 "Wording agreed with @priyaraman.\n\n"
                 "### Keys\n"
                 "| Key | Does |\n"
                 "|---|---|\n"
                 "| `Ctrl+F` | Find a board or a card |\n"
                 "| `Ctrl+,` | Settings |\n"
                 "| `Esc` | Hide the panel |\n\n"
                 "### Steps\n"
                 "- [x] Collect the keys of each screen\n"
                 "- [x] Check the names against the *menus*\n"
                 "- [ ] Lay out the page\n"
                 "- [ ] German wording\n\n"
                 "Follow the [GNOME keyboard guidelines](https://developer.gnome.org/hig/reference/keyboard.html); "
                 "to try every key on sample data:\n\n"
                 "```\nstavelin --demo\n```\n";
    b.card(ideas, "Offline mode", 28, {research}, {priya}, o).desc =
        "Keep the last fetched boards on disk and show them while the network is away.";
    b.card(ideas, "Dark theme for the panel", 21, {design, unnamed}, {}, o + s);

    auto &switcher = b.card(next, "Board switcher search", 18, {feature}, {marco}, o - s);
    switcher.due = b.ahead(40);
    switcher.desc = "Jump to any board by typing a *few letters* of its name.\n\n"
                    "1. Starred boards first\n2. Then by name\n\n"
                    "> Keep it to one key: `Ctrl+K`.";
    b.comment(switcher, priya,
              "@marcobellini the list could reuse the board list's **search field**. Thoughts?", 3);
    b.comment(switcher, marco,
              "Good idea, @priyaraman. I'll sketch it; @adalindqvist can review the keyboard part "
              "and @tomasortega the `Ctrl+K` clash.",
              1.2, {{ada, "+1"}});
    auto &drag = b.card(next, "Drag cards between lists", 16, {feature}, {ada, marco}, o);
    drag.due = b.ahead(5.0 / 24);
    drag.desc = "Drop onto a column to move the card; the order follows the drop point.";
    b.checklist(drag, "Acceptance", {{"Drop between two cards", true},
                                     {"Drop on an empty list", false},
                                     {"Undo on failure", false}});
    b.comment(drag, marco, "I have a prototype of the drop indicator, screenshots tomorrow.", 2.1,
              {{ada, "+1"}, {priya, "+1"}, {tomas, "eyes"}});
    b.comment(drag, ada, "Great! Let's review it on Thursday.", 1.4, {{marco, "heart"}});
    auto &crash = b.card(next, "Fix crash when token expires", 9, {bug, blocked}, {ada, priya},
                         o + s / 2);
    crash.due = b.ago(2);
    crash.desc = "Steps: revoke the token in the account settings, then open the panel.";
    b.comment(crash, priya, "Reproduced on the current build; stack trace attached.", 3);
    // Authors as the service sometimes names them: by id alone, or not at all.
    const auto authored = [&](const std::string &id, store::Comment::Author shape) {
        store.comments.at(id).author = shape;
    };
    authored(b.comment(crash, tomas, "Seen on the old build too.", 2.5), store::Comment::Author::IdOnly);
    authored(b.comment(crash, marco, "Crash reports now reach the tracker.", 2.2),
             store::Comment::Author::Missing);

    auto &uploads = b.card(doing, "Attachments upload", 14, {feature}, {ada}, o);
    // Due soon, with a reminder half an hour before: a minute after the start, the demo reminds.
    uploads.due = b.now.addSecs(31 * 60);
    uploads.dueReminder = 30;
    b.link(uploads, "Upload limits", "https://support.atlassian.com/trello/docs/adding-attachments-to-cards/");
    b.file(uploads, "panel-mockup.svg", "image/svg+xml", kMockup);
    b.file(uploads, "release-notes.txt", "text/plain",
           "Stavelin 0.1\n- Boards, lists and cards from the tray\n- Comments and reactions\n");
    b.checklist(uploads, "Tasks", {{"Pick files", true}, {"Show progress", true},
                                   {"Retry on failure", false}, {"Size limit message", false}});
    auto &reactions = b.card(doing, "Comment reactions", 12, {feature, design}, {marco, tomas},
                             o + s);
    b.comment(reactions, tomas, "Which emoji do we offer first?", 4, {{marco, "thinking_face"}});
    b.comment(reactions, marco, "The usual six: +1, heart, tada, joy, eyes and rocket.", 3.5,
              {{ada, "tada"}, {tomas, "+1"}, {priya, "rocket"}});
    b.comment(reactions, ada, "Shipped behind a flag \xF0\x9F\x9A\x80", 0.3,
              {{marco, "fire"}, {tomas, "100"}, {priya, "clap"}});

    auto &audit = b.card(review, "Accessibility audit", 25, {design}, {priya}, o);
    audit.due = b.ago(6);
    audit.dueComplete = true;
    b.checklist(audit, "Screens", {{"Board list", true}, {"Card editor", true}, {"Settings", true}});

    auto &login = b.card(shipped, "Sign in with the browser", 60, {feature}, {ada}, o);
    login.due = b.ago(20);
    login.dueComplete = true;
    b.card(shipped, "Tray icon", 70, {design}, {}, o + s);
    b.card(shipped, "Old prototype", 90, {}, {}, o + 2 * s).closed = true;

    // A colour board with the older position scheme.
    auto &home = b.board("Home Renovation", "", 200, preset("green", "#519839"), {tomas});
    const auto shopping = b.label(home, "Shopping", "orange");
    const auto urgent = b.label(home, "Urgent", "red");
    const auto diy = b.label(home, "DIY", "green_light");
    auto &buy = b.list(home, "To Buy", 65535);
    auto &scheduled = b.list(home, "Scheduled", 131071);
    auto &homeDone = b.list(home, "Done", 196607);
    b.card(buy, "Paint for the hallway", 10, {shopping}, {}, 65535).desc = "Warm white, 5 litres.";
    b.card(buy, "Door handles", 9, {shopping}, {}, 131071);
    auto &plumber = b.card(scheduled, "Call the plumber", 5, {urgent}, {tomas}, 65535);
    plumber.due = b.ahead(0.5);
    b.comment(plumber, tomas, "Booked for the morning. @adalindqvist, could you leave the key with the neighbours?",
              0.7);
    auto &tiles = b.card(scheduled, "New kitchen tiles", 15, {diy}, {ada}, 131071);
    tiles.due = b.ahead(12);
    b.link(tiles, "Tile catalogue", "https://www.example.com/tiles/catalogue.pdf");
    auto &door = b.card(homeDone, "Fix squeaky door", 40, {diy}, {}, 65535);
    door.due = b.ago(30);
    door.dueComplete = true;

    auto &reading = b.board("Reading List", "", 300, preset("purple", "#89609E"), {});
    const auto fiction = b.label(reading, "Fiction", "pink_light");
    const auto nonFiction = b.label(reading, "Non-fiction", "blue_dark");
    const auto technical = b.label(reading, "Technical", "black");
    auto &toRead = b.list(reading, "To Read");
    auto &now = b.list(reading, "Reading");
    auto &finished = b.list(reading, "Finished");
    b.card(toRead, "The Design of Everyday Things", 50, {nonFiction});
    b.card(toRead, "A Philosophy of Software Design", 45, {technical});
    b.card(toRead, "The Left Hand of Darkness", 44, {fiction});
    auto &current = b.card(now, "Designing Data-Intensive Applications", 20, {technical});
    b.checklist(current, "Chapters", {{"Part I", true}, {"Part II", false}, {"Part III", false}});
    b.card(finished, "Piranesi", 80, {fiction});

    auto &offsite = b.board("Team Offsite", "", 60, photo(store, "#c04e37", "#842fbb", "dark"),
                            {marco, priya});
    const auto booked = b.label(offsite, "Booked", "green_dark");
    const auto waiting = b.label(offsite, "Waiting", "yellow_light");
    auto &venues = b.list(offsite, "Venues");
    auto &agenda = b.list(offsite, "Agenda");
    auto &travel = b.list(offsite, "Travel");
    auto &lodge = b.card(venues, "Lakeside lodge", 14, {booked}, {marco});
    b.link(lodge, "Lodge website", "https://www.example.org/lodge");
    b.comment(lodge, marco, "Deposit paid, confirmation in the attachment.", 6, {{ada, "+1"}});
    b.card(venues, "City conference room", 13, {waiting});
    auto &talks = b.card(agenda, "Lightning talks", 10, {}, {priya, ada});
    talks.due = b.ahead(21);
    talks.desc = "Five minutes each, **no slides** required.\n\n- [x] Ask for topics\n- [ ] Order of speakers";
    b.comment(talks, priya, "@marcobellini opens, then @adalindqvist. Email me@example.com for a slot.",
              2);
    b.checklist(talks, "Speakers", {{"Priya", true}, {"Marco", false}, {"Ada", false}});
    auto &trains = b.card(travel, "Book train tickets", 8, {waiting}, {ada});
    trains.due = b.ahead(3);

    // Many cards, fractional positions and an archived list.
    auto &bugs = b.board("Bug Triage", "", 150, preset("red", "#B04632"), {tomas});
    const auto p1 = b.label(bugs, "P1", "red_dark");
    const auto p2 = b.label(bugs, "P2", "orange_light");
    const auto ui = b.label(bugs, "", "sky_light");
    const char *const columns[] = {"New", "Confirmed", "Fixing", "Verified"};
    const char *const problems[] = {"Panel flickers on open",    "Wrong due colour at midnight",
                                    "Scroll jumps after reload", "Long names overflow",
                                    "Hot key ignored on Wayland", "Avatar missing after sign-in",
                                    "Comment editor loses text", "Label picker too narrow"};
    int n = 0;
    for (const char *column : columns) {
        auto &l = b.list(bugs, column);
        for (int i = 0; i < 6; ++i, ++n) {
            auto &c = b.card(l, problems[n % 8] + std::string(n >= 8 ? " (again)" : ""), 40.0 - n,
                             {n % 3 == 0 ? p1 : p2}, {n % 2 ? tomas : ada},
                             32767.5 + i * 16383.75);
            if (n % 4 == 1) {
                c.idLabels.push_back(ui);
            }
            if (n % 5 == 2) {
                c.due = b.ahead(n % 2 ? 2 : -1);
            }
        }
    }
    b.list(bugs, "Won't Fix").closed = true;

    auto &old = b.board("Old Experiments", "Kept for reference.", 700, preset("lime", "#4BBF6B"), {});
    old.closed = true;
    b.card(b.list(old, "Sketches"), "Menu bar prototype", 650);

    sampleNotifications(store, b.now);
}

void large(store::Store &store, int lists, int cardsPerList)
{
    Builder b{store};
    store.meId = store.addMember("adalindqvist", "Ada Lindqvist", true).id;
    const std::string marco = store.addMember("marcobellini", "Marco Bellini", true).id;
    const std::string priya = store.addMember("priyaraman", "Priya Raman", false).id;
    auto &board = b.board("Benchmark Board", "A big board for measuring.", 30,
                          preset("blue", "#0079BF"), {marco, priya});
    std::vector<std::string> labels;
    for (const char *color : {"green", "yellow", "orange", "red", "purple", "blue_dark",
                              "sky_light", "black"}) {
        labels.push_back(b.label(board, std::string("Label ") + color, std::string(color)));
    }
    const std::vector<std::string> members{store.meId, marco, priya};
    for (int l = 0; l < lists; ++l) {
        auto &list = b.list(board, "List " + std::to_string(l + 1));
        // Cards are written directly: placing each one would scan the whole board every time.
        for (int i = 0; i < cardsPerList; ++i) {
            store::Card card;
            card.id = store.newId(b.ago(30.0 - (l * cardsPerList + i) * 0.001));
            card.idBoard = board.id;
            card.idList = list.id;
            card.name = "Card " + std::to_string(l + 1) + "." + std::to_string(i + 1);
            card.shortLink = store.newShortLink();
            card.idShort = board.nextIdShort++;
            card.pos = store::kStep * (i + 1);
            card.lastActivity = b.ago(1);
            if (i % 3 == 0) {
                card.idLabels.push_back(labels[static_cast<size_t>(i + l) % labels.size()]);
            }
            if (i % 5 == 0) {
                card.idMembers.push_back(members[static_cast<size_t>(i + l) % members.size()]);
            }
            if (i % 7 == 0) {
                card.due = b.ahead((i % 21) - 7);
                card.dueComplete = i % 14 == 0;
            }
            if (i % 11 == 0) {
                card.desc = "Details for card " + std::to_string(i + 1) + ".";
            }
            store.cards[card.id] = card;
        }
    }

    // Cards with everything the editor shows, in numbers: the busiest with 200 comments (every
    // fourth with reactions), 10 checklists of 20 items and 20 attachments, and a second one
    // half as busy.
    auto &busy = b.board("Busy Card Board", "One card with a long history.", 20,
                         preset("green", "#519839"), {marco, priya});
    auto &plans = b.list(busy, "Plans");
    const auto busyCard = [&](const std::string &name, int comments, int checklists, int links) {
        auto &card = b.card(plans, name, 20);
        card.desc = "Everything about the release, discussed at length.";
        for (int i = 0; i < comments; ++i) {
            const std::string &author = members[static_cast<size_t>(i) % members.size()];
            const std::string text = "Comment " + std::to_string(i + 1) + " on the " + name + ".";
            if (i % 4 == 0) {
                b.comment(card, author, text, 19.0 - i * 0.09, {{marco, "+1"}, {priya, "tada"}});
            } else {
                b.comment(card, author, text, 19.0 - i * 0.09);
            }
        }
        for (int c = 0; c < checklists; ++c) {
            const auto &checklist = store.addChecklist(card.id, "Stage " + std::to_string(c + 1));
            for (int i = 0; i < 20; ++i) {
                store.addCheckItem(checklist.id, "Step " + std::to_string(i + 1), {}).complete =
                    (i + c) % 3 == 0;
            }
        }
        for (int a = 0; a < links; ++a) {
            b.link(card, "Reference " + std::to_string(a + 1),
                   "https://example.com/release/" + std::to_string(a + 1));
        }
    };
    busyCard("Release plan", 200, 10, 20);
    busyCard("Release retro", 100, 5, 10);

    // A description of 50 KB in every kind of Markdown, for the editor's first frame.
    auto &handbook = b.card(plans, "Release handbook", 20);
    for (int section = 1; handbook.desc.size() < 50 * 1024; ++section) {
        const std::string n = std::to_string(section);
        handbook.desc += "## Step " + n + "\n\nCheck the **build** of step " + n
                         + " and *read* the [notes](https://example.com/notes/" + n + ") first.\n\n"
                         + "- [x] tagged\n- [ ] announced\n  - in the `changelog`\n\n"
                         + "> Ask before merging.\n\n```\nmake release STEP=" + n + "\n```\n\n"
                         + "| Part | Owner |\n|---|---|\n| docs | Priya |\n| code | Marco |\n\n";
    }
}

} // namespace sandbox::seeds
