// SPDX-License-Identifier: MIT
// Attachments: links and uploaded files, which are kept with their bytes and served back.
#include "Multipart.h"
#include "Routes.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace sandbox::routes {

namespace {
Response getAttachments(Call &call)
{
    const auto &card = need(call.store.cards, call.ids[0]);
    std::vector<const store::Attachment *> found;
    for (const auto &[id, attachment] : call.store.attachments) {
        if (attachment.idCard == card.id) {
            found.push_back(&attachment);
        }
    }
    std::sort(found.begin(), found.end(), store::byPos<store::Attachment>);
    QJsonArray out;
    for (const auto *attachment : found) {
        out.append(json::pick(json::attachment(call.store, *attachment), call.param("fields")));
    }
    return ok(out);
}

Response getAttachment(Call &call)
{
    need(call.store.cards, call.ids[0]);
    const auto &attachment = need(call.store.attachments, call.ids[1]);
    if (attachment.idCard != call.ids[0]) {
        notFound();
    }
    return ok(json::pick(json::attachment(call.store, attachment), call.param("fields")));
}

Response addAttachment(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    const std::string contentType = call.request.header("content-type").value_or("");
    if (const auto boundary = multipartBoundary(contentType)) {
        const auto parts = parseMultipart(call.request.body, *boundary);
        if (!parts) {
            failText(400, "invalid multipart body");
        }
        const auto file = std::find_if(parts->begin(), parts->end(), [](const FormPart &part) {
            return part.name == "file" && part.fileName;
        });
        if (file == parts->end()) {
            failText(400, "invalid value for file");
        }
        const std::string fileName = file->fileName->empty() ? "upload" : *file->fileName;
        auto &attachment =
            call.store.addAttachment(card.id, call.param("name").value_or(fileName), std::string(),
                                     call.param("mimeType").value_or(file->contentType));
        attachment.isUpload = true;
        attachment.fileName = fileName;
        attachment.bytes = file->data;
        call.store.touch(card);
        return ok(withLimits(json::attachment(call.store, attachment)));
    }
    const std::string url = call.param("url").value_or("");
    const QUrl parsed(json::str(url), QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != u"http"_s && parsed.scheme() != u"https"_s) ||
        parsed.host().isEmpty()) {
        failText(400, "invalid value for url");
    }
    const std::string name = call.param("name").value_or("");
    auto &attachment = call.store.addAttachment(card.id, name.empty() ? url : name, url,
                                                call.param("mimeType").value_or(""));
    call.store.touch(card);
    return ok(withLimits(json::attachment(call.store, attachment)));
}

Response deleteAttachment(Call &call)
{
    auto &card = need(call.store.cards, call.ids[0]);
    const auto &attachment = need(call.store.attachments, call.ids[1]);
    if (attachment.idCard != card.id) {
        notFound();
    }
    call.store.attachments.erase(call.ids[1]);
    call.store.touch(card);
    return deletedLimits();
}
} // namespace

void addAttachmentRoutes(std::vector<Route> &routes)
{
    routes.insert(routes.end(), {
        {"GET", {"cards", ":id", "attachments"}, getAttachments},
        {"POST", {"cards", ":id", "attachments"}, addAttachment},
        {"GET", {"cards", ":id", "attachments", ":id"}, getAttachment},
        {"DELETE", {"cards", ":id", "attachments", ":id"}, deleteAttachment},
    });
}

} // namespace sandbox::routes
