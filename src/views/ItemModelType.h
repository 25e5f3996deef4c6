// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractItemModel>
#include <QtQml/qqmlregistration.h>

// Qt 6.4's QML modules do not describe QAbstractItemModel, so tools (qmllint) cannot see that
// our list models are QObjects, nor bind them to model properties. Describing it here, as an
// anonymous type, closes the gap; Qt 6.5 does the same in QtQml.
struct ItemModelType {
    Q_GADGET
    QML_FOREIGN(QAbstractItemModel)
    QML_ANONYMOUS
};
