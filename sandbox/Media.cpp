// SPDX-License-Identifier: MIT
// Files the sandbox serves without credentials, as the service's file hosts do: uploaded
// attachments, member avatars and photo backgrounds (drawn here, so the demo needs no network).
#include "Media.h"

#include "Json.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

#include <regex>

namespace sandbox {

namespace {
std::string png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

Response image(const QImage &picture)
{
    Response response;
    response.body = png(picture);
    response.contentType = "image/png";
    response.headers = {{"Cache-Control", "max-age=86400"}};
    return response;
}

// A disc in a colour derived from the member's id, on a transparent square.
QImage avatar(const std::string &memberId, int size)
{
    const uint hue = qHash(QByteArray::fromStdString(memberId)) % 360;
    const QColor color = QColor::fromHsv(static_cast<int>(hue), 150, 200);
    QImage picture(size, size, QImage::Format_ARGB32);
    const double radius = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - radius;
            const double dy = y + 0.5 - radius;
            picture.setPixelColor(x, y,
                                  dx * dx + dy * dy <= radius * radius ? color : Qt::transparent);
        }
    }
    return picture;
}

// A vertical blend between the board's sampled top and bottom colours.
QImage background(const store::Board &board, int width, int height)
{
    const QColor top(QString::fromStdString(board.prefs.topColor));
    const QColor bottom(QString::fromStdString(board.prefs.bottomColor));
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const double t = height > 1 ? static_cast<double>(y) / (height - 1) : 0;
        const QColor row = QColor::fromRgbF(top.redF() + (bottom.redF() - top.redF()) * t,
                                            top.greenF() + (bottom.greenF() - top.greenF()) * t,
                                            top.blueF() + (bottom.blueF() - top.blueF()) * t);
        const QRgb value = row.rgb();
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        std::fill(line, line + width, value);
    }
    return picture;
}
} // namespace

std::optional<Response> serveMedia(const store::Store &store, const std::string &method,
                                   const std::string &path)
{
    if (method != "GET") {
        return std::nullopt;
    }
    static const std::regex kDownload(
        "/1/cards/([0-9a-f]{24})/attachments/([0-9a-f]{24})/download/[^/]*");
    static const std::regex kAvatar("/avatars/([0-9a-f]{24})/([0-9a-f]+)/(30|50|170|original)\\.png");
    static const std::regex kBackground("/backgrounds/([0-9a-f]{24})/([0-9]{2,4})x([0-9]{2,4})\\.png");
    std::smatch match;
    if (std::regex_match(path, match, kDownload)) {
        const auto it = store.attachments.find(match[2]);
        if (it == store.attachments.end() || !it->second.isUpload || it->second.idCard != match[1]) {
            return Response::text("The requested resource was not found.", 404);
        }
        Response response;
        response.body = it->second.bytes;
        response.contentType =
            it->second.mimeType.empty() ? "application/octet-stream" : it->second.mimeType;
        return response;
    }
    if (std::regex_match(path, match, kAvatar)) {
        const auto it = store.members.find(match[1]);
        if (it == store.members.end() || it->second.avatarHash != match[2].str()) {
            return Response::text("Not Found", 404);
        }
        const std::string size = match[3];
        return image(avatar(it->first, size == "original" ? 170 : std::stoi(size)));
    }
    if (std::regex_match(path, match, kBackground)) {
        const auto it = store.boards.find(match[1]);
        if (it == store.boards.end() || !it->second.prefs.photo) {
            return Response::text("Not Found", 404);
        }
        const int width = std::min(std::stoi(match[2]), 1920);
        const int height = std::min(std::stoi(match[3]), 1080);
        return image(background(it->second, width, height));
    }
    return std::nullopt;
}

} // namespace sandbox
