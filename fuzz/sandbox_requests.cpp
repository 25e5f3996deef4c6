// SPDX-License-Identifier: MIT
// The sandbox's request handling, without the network. An input is
//     <METHOD> <path>[?<query>]
//     <content type, or an empty line>
//     <body>
// "@b0", "@l1", "@c2" … stand for the ids of the account's records (b board, l list, c card,
// k checklist, i check item, a comment, r reaction, t attachment, g label, m member), so that
// inputs reach past the id checks. Without a "key" item the demo key and token are added.
// Beyond not crashing, the sandbox must never answer 500: that is an exception it did not
// expect, where the service answers 4xx.
//
// The account is small, and only a request that may have changed it (any but a GET) puts it
// back as it was, so the fuzzer spends its time on requests rather than on resets.
#include "sandbox/Emulator.h"
#include "sandbox/HttpWire.h"
#include "sandbox/LoopbackServer.h"
#include "sandbox/Store.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace sandbox;

namespace {
struct Fixture {
    // Without limits: past the first hundred inputs every one would get the same 429.
    Emulator emulator{Options{.seed = Seed::Empty, .rateLimits = std::nullopt}};
    store::Store pristine;
    std::map<char, std::vector<std::string>> ids;

    Fixture()
    {
        emulator.edit([this](store::Store &s) {
            using store::PosRequest;
            const QDateTime now = QDateTime::currentDateTimeUtc();
            const std::string other = s.addMember("marco", "Marco Bellini", false).id;
            auto &board = s.addBoard("Roadmap", "What comes next", now.addDays(-30));
            board.memberIds.push_back(other);
            const std::string boardId = board.id;
            auto &second = s.addBoard("Home", "", now.addDays(-60));
            second.closed = true;
            const std::string label = s.addLabel(boardId, "Bug", "red").id;
            s.addLabel(boardId, "", std::nullopt);
            const std::string ideas = s.addList(boardId, "Ideas", {}).id;
            const std::string doing = s.addList(boardId, "Doing", {}).id;
            s.addList(second.id, "Old", {});
            auto &card = s.addCard(ideas, "Offline mode", {}, now.addDays(-3));
            card.idLabels = {label};
            card.idMembers = {s.meId};
            card.due = now.addDays(2);
            const std::string cardId = card.id;
            s.addCard(ideas, "Dark theme", {}, now.addDays(-2)).closed = true;
            s.addCard(doing, "Uploads", {}, now.addDays(-1));
            const std::string checklist = s.addChecklist(cardId, "Tasks").id;
            s.addCheckItem(checklist, "Pick files", {}).complete = true;
            s.addCheckItem(checklist, "Show progress", {});
            const std::string comment =
                s.addComment(cardId, other, "A prototype tomorrow.", now.addDays(-1)).id;
            s.addReaction(comment, s.meId, "+1");
            s.addAttachment(cardId, "Docs", "https://example.com/docs", "");
            auto &file = s.addAttachment(cardId, "notes.txt", "", "text/plain");
            file.isUpload = true;
            file.fileName = "notes.txt";
            file.bytes = "hello\n";
            pristine = s;
        });
        const auto keys = [](char tag, const auto &map) {
            std::vector<std::string> out;
            for (const auto &entry : map) {
                out.push_back(entry.first);
            }
            return std::pair(tag, out);
        };
        ids = {keys('b', pristine.boards),      keys('l', pristine.lists),
               keys('c', pristine.cards),       keys('k', pristine.checklists),
               keys('i', pristine.checkItems),  keys('a', pristine.comments),
               keys('r', pristine.reactions),   keys('t', pristine.attachments),
               keys('g', pristine.labels),      keys('m', pristine.members)};
    }

    // "@c1" → the second card's id; anything else stays as it is.
    std::string expand(const std::string &text) const
    {
        std::string out;
        out.reserve(text.size() + 32);
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '@' && i + 2 < text.size() && text[i + 2] >= '0' && text[i + 2] <= '9') {
                const auto it = ids.find(text[i + 1]);
                if (it != ids.end() && !it->second.empty()) {
                    out += it->second[size_t(text[i + 2] - '0') % it->second.size()];
                    i += 2;
                    continue;
                }
            }
            out.push_back(text[i]);
        }
        return out;
    }
};

std::string line(const std::string &text, size_t &at)
{
    const size_t end = text.find('\n', at);
    const std::string out = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Fixture fixture;
    const std::string input(reinterpret_cast<const char *>(data), size);
    // The same bytes read as a request head off the wire, which must never crash.
    http::RequestHead head;
    if (http::parseHead(input, head) == http::ReadResult::Ok) {
        (void)head.contentLength();
        (void)head.keepAlive();
    }
    size_t at = 0;
    const std::string requestLine = line(input, at);
    const std::string contentType = line(input, at);

    RecordedRequest request;
    const size_t space = requestLine.find(' ');
    request.method = requestLine.substr(0, space);
    const std::string target =
        space == std::string::npos ? std::string("/") : fixture.expand(requestLine.substr(space + 1));
    const size_t question = target.find('?');
    // The server hands over the path decoded, the query as sent.
    request.path = LoopbackServer::percentDecode(target.substr(0, question), false);
    if (question != std::string::npos) {
        request.rawQuery = target.substr(question + 1);
    }
    request.query = LoopbackServer::parseQuery(request.rawQuery);
    if (!request.queryValue("key")) {
        request.query.emplace_back("key", kDemoKey);
        request.query.emplace_back("token", kDemoToken);
    }
    if (!contentType.empty()) {
        request.headers.emplace("content-type", contentType);
    }
    request.body = fixture.expand(input.substr(at));

    const Response response = fixture.emulator.answer(request);
    if (response.status >= 500) {
        std::fprintf(stderr, "the sandbox answered %d to %s %s?%s\n%s\n", response.status,
                     request.method.c_str(), request.path.c_str(), request.rawQuery.c_str(),
                     response.body.c_str());
        std::abort();
    }
    // A route may change the account before it refuses, so every other method resets it.
    if (request.method != "GET") {
        fixture.emulator.edit([](store::Store &s) { s = fixture.pristine; });
    }
    return 0;
}
