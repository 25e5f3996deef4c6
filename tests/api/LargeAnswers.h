// SPDX-License-Identifier: MIT
// A big lists/{id}/cards answer written like the service's: full card objects with every key
// the service sends (most of which we never read), badges, labels with their newer keys, nulls,
// positions near 2^47 and dates with milliseconds. Shared by the tests and the benchmarks.
#pragma once

#include <QByteArray>
#include <QStringBuilder>

namespace largeanswers {

inline QByteArray objectId(quint64 n)
{
    return QByteArray::number(0x65f0c0de00000000ULL + n, 16).rightJustified(24, '0');
}

inline QByteArray cardsAnswer(int count)
{
    static const char *const colors[] = {"green", "yellow_dark", "red_light", "sky", "purple"};
    static const char *const words[] = {"Draft", "release", "notes",  "for",        "the",  "café",
                                        "menu",  "and",     "review", "\"quoted\"", "copy", "✓"};
    const QByteArray board = objectId(1);
    const QByteArray list = objectId(2);
    QByteArray out;
    out.reserve(qsizetype(count) * 1400);
    out += '[';
    for (int i = 0; i < count; ++i) {
        const QByteArray id = objectId(1000 + i);
        const QByteArray shortLink = QByteArray::number(0x1000000000ULL + i * 7919ULL, 36);
        QByteArray name;
        for (int w = 0; w < 3 + i % 6; ++w) {
            name += QByteArray(w ? " " : "") + words[(i + w * 5) % 12];
        }
        name.replace("\"", "\\\"");
        const QByteArray desc = i % 3 ? QByteArray() : "Steps:\\n1. open the list\\n2. " + name;
        QByteArray labels, idLabels;
        for (int l = 0; l < i % 4; ++l) {
            const QByteArray labelId = objectId(500 + (i + l) % 5);
            labels += QByteArray(l ? "," : "") + R"({"id":")" + labelId + R"(","idBoard":")" +
                      board + R"(","idOrganization":null,"name":")" + (l ? "Bug" : "") +
                      R"(","nodeId":"ari:cloud:trello::label/workspace/)" + labelId +
                      R"(","color":)" +
                      (l == 2 ? QByteArray("null") : '"' + QByteArray(colors[(i + l) % 5]) + '"') +
                      R"(,"uses":)" + QByteArray::number(3 + l) + '}';
            idLabels += QByteArray(l ? ",\"" : "\"") + labelId + '"';
        }
        const QByteArray due = i % 2 ? QByteArray("null")
                                     : "\"2026-0" + QByteArray::number(1 + i % 9) + "-1" +
                                           QByteArray::number(i % 10) + "T14:07:09.123Z\"";
        const QByteArray pos =
            i % 5 ? QByteArray::number(140737488355328.0 + i * 16384.0, 'f', 0)
                  : QByteArray::number(140737488355328.0 + i * 16384.0 + 0.5, 'f', 1);
        out += (i ? "," : "");
        out += QByteArray(R"({"id":")") + id +
               R"(","badges":{"attachmentsByType":{"trello":{"board":0,"card":0}},)"
               R"("location":false,"votes":0,"viewingMemberVoted":false,"subscribed":false,)"
               R"("fogbugz":"","checkItems":)" +
               QByteArray::number(i % 7) + R"(,"checkItemsChecked":)" +
               QByteArray::number(i % 7 / 2) + R"(,"checkItemsEarliestDue":null,"comments":)" +
               QByteArray::number(i % 11) + R"(,"attachments":)" + QByteArray::number(i % 2) +
               R"(,"description":)" + (desc.isEmpty() ? "false" : "true") + R"(,"due":)" + due +
               R"(,"dueComplete":false,"start":null,"externalSource":null,"lastUpdatedByAi":false,)"
               R"("maliciousAttachments":0},"checkItemStates":null,"closed":false,"dueComplete":)" +
               (i % 4 == 0 ? "true" : "false") +
               R"(,"dateLastActivity":"2026-02-11T09:15:42.318Z","desc":")" + desc +
               R"(","descData":{"emoji":{}},"due":)" + due +
               R"(,"dueReminder":null,"email":null,"idBoard":")" + board +
               R"(","idChecklists":[],"idList":")" + list + R"(","idMembers":[)" +
               (i % 3 == 1 ? "\"" + objectId(9) + "\"" : QByteArray()) +
               R"(],"idMembersVoted":[],"idShort":)" + QByteArray::number(i + 1) +
               R"(,"idAttachmentCover":null,"labels":[)" + labels + R"(],"idLabels":[)" + idLabels +
               R"(],"manualCoverAttachment":false,"name":")" + name + R"(","pos":)" + pos +
               R"(,"shortLink":")" + shortLink + R"(","shortUrl":"https://trello.com/c/)" +
               shortLink + R"(","start":null,"subscribed":false,"url":"https://trello.com/c/)" +
               shortLink + '/' + QByteArray::number(i + 1) +
               R"(-card","cover":{"idAttachment":null,"color":null,"idUploadedBackground":null,)"
               R"("size":"normal","brightness":"dark","idPlugin":null},"isTemplate":false,)"
               R"("cardRole":null,"pinned":false})";
    }
    out += ']';
    return out;
}

} // namespace largeanswers
