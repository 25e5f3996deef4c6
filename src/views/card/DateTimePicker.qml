// SPDX-License-Identifier: MIT
// A date and a time of day: a month of days to pick from, and the hour and minute, in the
// user's locale (first day of the week, day and month names, 12- or 24-hour clock).
//
// Keyboard: in the days, the arrows move the day, Page Up and Page Down the month, Home and End
// go to the first and last day of the month; Tab goes on to the hour and the minute, where the
// arrows (or typing) change them. The month buttons only turn the page; a day still has to be
// picked. Every change by the user sets `value` and emits edited().
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Stavelin

FocusScope {
    id: picker

    // The date and time picked; assign a new Date to change it.
    property date value: new Date()
    property var locale: Qt.locale()

    signal edited()

    // The page shown: the value's month until the page is turned.
    property int shownMonth: value.getMonth()
    property int shownYear: value.getFullYear()
    onValueChanged: {
        shownMonth = value.getMonth()
        shownYear = value.getFullYear()
    }

    // As the locale writes its times: a format with AM/PM text counts as a 12-hour clock.
    readonly property bool twelveHour: /a/i.test(locale.timeFormat(Locale.ShortFormat))
    readonly property int hours: value.getHours()
    readonly property int minutes: value.getMinutes()
    readonly property bool afternoon: hours >= 12

    implicitWidth: layout.implicitWidth
    implicitHeight: layout.implicitHeight

    Accessible.role: Accessible.Grouping

    function set(date: date): void {
        picker.value = date
        picker.edited()
    }
    // A day of the picked time; the month may run over into the next or previous year.
    function pickDay(year: int, month: int, day: int): void {
        const v = picker.value
        set(new Date(year, month, day, v.getHours(), v.getMinutes(), v.getSeconds(), v.getMilliseconds()))
    }
    function moveDays(count: int): void {
        const v = picker.value
        pickDay(v.getFullYear(), v.getMonth(), v.getDate() + count)
    }
    // The same day of another month, or that month's last day when it is shorter.
    function moveMonths(count: int): void {
        const v = picker.value
        const first = new Date(v.getFullYear(), v.getMonth() + count, 1)
        const length = new Date(first.getFullYear(), first.getMonth() + 1, 0).getDate()
        pickDay(first.getFullYear(), first.getMonth(), Math.min(v.getDate(), length))
    }
    function lastDayOfMonth(): int {
        const v = picker.value
        return new Date(v.getFullYear(), v.getMonth() + 1, 0).getDate()
    }
    // A time typed or stepped: whole minutes from then on.
    function setTime(hours: int, minutes: int): void {
        const v = picker.value
        set(new Date(v.getFullYear(), v.getMonth(), v.getDate(), hours, minutes, 0, 0))
    }
    // A minute stepped past 59 or before 0 is the next or the previous hour's (and day's):
    // "a minute later" at 10:59 is 11:00, not 10:00.
    function stepMinute(number: int): void {
        const wrapped = number === 0 && picker.minutes === 59 ? 1
                      : number === 59 && picker.minutes === 0 ? -1 : 0
        if (wrapped === 0)
            setTime(picker.hours, number)
        else
            setTime(picker.hours, picker.minutes + wrapped)
    }
    function turnPage(count: int): void {
        const first = new Date(shownYear, shownMonth + count, 1)
        shownMonth = first.getMonth()
        shownYear = first.getFullYear()
    }

    ColumnLayout {
        id: layout
        anchors.fill: parent
        spacing: 4

        RowLayout {
            spacing: 4
            Layout.fillWidth: true

            IconButton {
                objectName: "previousMonthButton"
                symbol: "chevron.left"
                toolTip: qsTr("Previous month")
                onClicked: picker.turnPage(-1)
            }
            Text {
                objectName: "monthTitle"
                //: The calendar's header: %1 is the month's name, %2 the year.
                text: qsTr("%1 %2").arg(picker.locale.standaloneMonthName(picker.shownMonth, Locale.LongFormat))
                                   .arg(picker.shownYear)
                textFormat: Text.PlainText
                font: Theme.headlineFont
                color: Theme.primary
                horizontalAlignment: Text.AlignHCenter
                Layout.fillWidth: true
            }
            IconButton {
                objectName: "nextMonthButton"
                symbol: "chevron.right"
                toolTip: qsTr("Next month")
                onClicked: picker.turnPage(1)
            }
        }

        DayOfWeekRow {
            locale: picker.locale // qmllint disable type
            spacing: grid.spacing
            padding: 0
            Layout.alignment: Qt.AlignHCenter
            delegate: Text {
                required property string shortName
                required property string longName
                width: 30
                text: shortName
                textFormat: Text.PlainText
                font: Theme.caption2Font
                color: Theme.secondary
                horizontalAlignment: Text.AlignHCenter
                Accessible.name: longName
            }
        }

        MonthGrid {
            id: grid
            objectName: "dayGrid"
            month: picker.shownMonth
            year: picker.shownYear
            locale: picker.locale // qmllint disable type
            spacing: 2
            padding: 0
            focus: true
            focusPolicy: Qt.StrongFocus
            Layout.alignment: Qt.AlignHCenter

            Accessible.role: Accessible.Table
            Accessible.name: qsTr("Day, %1").arg(picker.value.toLocaleDateString(picker.locale, Locale.LongFormat))
            Accessible.description: qsTr("Arrow keys change the day, Page Up and Page Down the month.")

            Keys.onPressed: (event) => {
                const forward = grid.mirrored ? -1 : 1
                switch (event.key) {
                case Qt.Key_Left: picker.moveDays(-forward); break
                case Qt.Key_Right: picker.moveDays(forward); break
                case Qt.Key_Up: picker.moveDays(-7); break
                case Qt.Key_Down: picker.moveDays(7); break
                case Qt.Key_PageUp: picker.moveMonths(-1); break
                case Qt.Key_PageDown: picker.moveMonths(1); break
                case Qt.Key_Home: picker.moveDays(1 - picker.value.getDate()); break
                case Qt.Key_End: picker.moveDays(picker.lastDayOfMonth() - picker.value.getDate()); break
                default: return
                }
                event.accepted = true
            }

            // qmllint disable unqualified
            delegate: Rectangle {
                id: cell
                required property int day
                required property int month
                required property int year
                required property bool today
                readonly property bool inMonth: month === grid.month
                readonly property bool picked: day === picker.value.getDate()
                                               && month === picker.value.getMonth()
                                               && year === picker.value.getFullYear()

                implicitWidth: 30
                implicitHeight: 24
                radius: 6
                color: picked ? Theme.accent
                     : dayHover.hovered ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.07)
                     : "transparent"
                border.width: picked && grid.activeFocus ? 2 : (today && !picked ? 1 : 0)
                border.color: picked ? Qt.lighter(Theme.accent, 1.5) : Theme.accent

                Accessible.role: Accessible.Cell
                Accessible.name: String(day)
                Accessible.selected: picked

                Text {
                    anchors.centerIn: parent
                    text: cell.day
                    font: cell.today ? Theme.withWeight(Theme.calloutFont, Font.DemiBold) : Theme.calloutFont
                    color: cell.picked ? Theme.accentText
                         : !cell.inMonth ? Theme.tertiary
                         : cell.today ? Theme.accent : Theme.primary
                }
                HoverHandler { id: dayHover }
                TapHandler {
                    onTapped: {
                        grid.forceActiveFocus(Qt.MouseFocusReason)
                        picker.pickDay(cell.year, cell.month, cell.day)
                    }
                }
            }
            // qmllint enable unqualified
        }

        RowLayout {
            spacing: 4
            Layout.alignment: Qt.AlignHCenter

            Text {
                text: qsTr("Time")
                font: Theme.calloutFont
                color: Theme.secondary
                Layout.rightMargin: 4
            }
            TimeField {
                objectName: "hourField"
                from: picker.twelveHour ? 1 : 0
                to: picker.twelveHour ? 12 : 23
                value: picker.twelveHour ? (picker.hours % 12 === 0 ? 12 : picker.hours % 12) : picker.hours
                Accessible.name: qsTr("Hour")
                onPicked: (number) => picker.setTime(picker.twelveHour ? number % 12 + (picker.afternoon ? 12 : 0)
                                                                   : number, picker.minutes)
            }
            Text {
                text: ":"
                font: Theme.bodyFont
                color: Theme.primary
            }
            TimeField {
                objectName: "minuteField"
                from: 0
                to: 59
                value: picker.minutes
                Accessible.name: qsTr("Minute")
                onPicked: (number, stepped) => stepped ? picker.stepMinute(number)
                                                       : picker.setTime(picker.hours, number)
            }
            ComboBox {
                objectName: "meridiemField"
                visible: picker.twelveHour
                model: [picker.locale.amText, picker.locale.pmText]
                currentIndex: picker.afternoon ? 1 : 0
                font: Theme.bodyFont
                Accessible.name: qsTr("Before or after noon")
                onActivated: (index) => picker.setTime(picker.hours % 12 + (index === 1 ? 12 : 0), picker.minutes)
            }
        }
    }

    // An hour or a minute, typed or stepped. The box itself takes a typed number only when
    // Return is released or the focus leaves; Return's press, which saves the card, must see it.
    component TimeField: SpinBox {
        id: field
        editable: true
        wrap: true
        font: Theme.bodyFont
        Layout.preferredWidth: 86
        textFromValue: function (number) { return number < 10 ? "0" + number : String(number) }
        // Typed digits, or what was there before when they are none.
        valueFromText: function (text) {
            const typed = parseInt(text, 10)
            return isNaN(typed) ? value : typed
        }
        // The number the user chose, and whether by a step (an arrow, the wheel, a button)
        // rather than typed digits.
        signal picked(int number, bool stepped)
        property bool typing: false
        onValueModified: {
            picked(value, !typing)
            typing = false
        }
        Connections {
            target: field.contentItem
            ignoreUnknownSignals: true
            function onTextEdited() { field.typing = true }
        }
        Keys.onPressed: (event) => {
            event.accepted = false
            if (event.key === Qt.Key_Up || event.key === Qt.Key_Down
                    || event.key === Qt.Key_PageUp || event.key === Qt.Key_PageDown)
                typing = false
            const typed = Math.max(from, Math.min(to, valueFromText((contentItem as TextInput).text, locale)))
            if ((event.key === Qt.Key_Return || event.key === Qt.Key_Enter) && typed !== value) {
                typing = false
                picked(typed, false)
            }
        }
    }
}
