// SPDX-License-Identifier: MIT
#include "PanelPlacement.h"

#include <algorithm>

namespace placement {

QPoint panelPosition(const Input &input)
{
    const QRect &area = input.available;
    const int width = input.panel.width();
    const int height = input.panel.height();

    QRect anchor;
    if (input.icon.isValid() && !input.icon.isEmpty()) {
        anchor = input.icon;
    } else if (input.pointer) {
        anchor = QRect(*input.pointer, QSize(1, 1));
    }

    QPoint position;
    if (anchor.isValid()) {
        position.setX(anchor.center().x() + 1 - width / 2);
        const bool trayAtTop = area.isEmpty() || anchor.center().y() < area.center().y();
        position.setY(trayAtTop ? anchor.bottom() + 1 + IconGap : anchor.top() - IconGap - height);
    } else if (!area.isEmpty()) {
        position = QPoint(area.right() + 1 - ScreenMargin - width, area.top() + ScreenMargin);
    }

    if (area.isEmpty()) {
        return position;
    }
    // The far edges first, so that on a screen too small for the panel the near edges win and
    // the panel's header stays reachable.
    position.setX(std::min(position.x(), area.right() + 1 - ScreenMargin - width));
    position.setX(std::max(position.x(), area.left() + ScreenMargin));
    position.setY(std::min(position.y(), area.bottom() + 1 - ScreenMargin - height));
    position.setY(std::max(position.y(), area.top() + ScreenMargin));
    return position;
}

} // namespace placement
