// SPDX-License-Identifier: MIT
// The form that creates a board. The texts belong to the caller, so "Cancel" keeps them; the
// caller creates the board and resets the form once the store has answered.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

PanelScreen {
    id: form

    required property string name
    required property string desc
    // True while a create sent from this form is under way.
    required property bool busy
    readonly property bool canCreate: name.trim() !== "" && !busy

    signal nameEdited(string text)
    signal descEdited(string text)
    signal createRequested()

    title: qsTr("New Board")

    function create(): void {
        if (canCreate)
            createRequested()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            PlainButton {
                objectName: "newBoardBackButton"
                text: qsTr("Back")
                symbol: "chevron.left"
                onClicked: form.closeRequested()
            }
            Item { Layout.fillWidth: true }
        }

        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            SectionHeader {
                title: qsTr("Board Name")
                Layout.fillWidth: true
            }
            TextField {
                id: nameField
                objectName: "newBoardNameField"
                focus: true
                placeholderText: qsTr("Board name")
                text: form.name
                selectByMouse: true
                Layout.fillWidth: true
                Accessible.name: qsTr("Board name")
                onTextEdited: form.nameEdited(text)
                onAccepted: form.create()
            }
        }

        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            SectionHeader {
                title: qsTr("Description (Optional)")
                Layout.fillWidth: true
            }
            // The field's frame stays put while its text scrolls.
            Rectangle {
                Layout.fillWidth: true
                // Three lines to start with, growing to five.
                Layout.preferredHeight: Math.min(Math.max(descField.implicitHeight,
                                                          3 * descMetrics.height + 12),
                                                 5 * descMetrics.height + 12) + 2
                radius: 3
                color: Theme.textBackground
                border.width: descField.activeFocus ? 2 : 1
                border.color: descField.activeFocus ? Theme.accent
                                                    : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.2)

                ScrollView {
                    id: descScroll
                    anchors.fill: parent
                    anchors.margins: 1

                    TextArea {
                        id: descField
                        objectName: "newBoardDescField"
                        placeholderText: qsTr("Description")
                        text: form.desc
                        wrapMode: TextEdit.Wrap
                        selectByMouse: true
                        background: null
                        Accessible.name: qsTr("Description")
                        onTextChanged: if (text !== form.desc) form.descEdited(text)
                        // Return starts a new line here; Ctrl+Return creates the board.
                        Keys.onPressed: (event) => {
                            if ((event.key === Qt.Key_Return || event.key === Qt.Key_Enter)
                                    && (event.modifiers & Qt.ControlModifier)) {
                                form.create()
                                event.accepted = true
                            }
                        }
                        KeyNavigation.priority: KeyNavigation.BeforeItem
                        KeyNavigation.tab: cancelButton
                        KeyNavigation.backtab: nameField
                    }
                }
            }
            FontMetrics {
                id: descMetrics
                font: descField.font
            }
        }

        RowLayout {
            spacing: 8
            Layout.fillWidth: true
            ActionButton {
                id: cancelButton
                objectName: "cancelNewBoardButton"
                label: qsTr("Cancel")
                onClicked: form.closeRequested()
            }
            ActionButton {
                objectName: "createBoardButton"
                prominent: true
                label: qsTr("Create")
                enabled: form.canCreate
                onClicked: form.create()
            }
            Spinner {
                visible: form.busy
            }
            Item { Layout.fillWidth: true }
        }

        Item { Layout.fillHeight: true }
    }
}
