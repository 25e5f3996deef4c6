// SPDX-License-Identifier: MIT
import QtQuick
import QtTest
import Stavelin

// FlowLayout as the card tiles use it: chips from a Repeater, the width from the parent. How
// it wraps and follows its children is tst_flowlayout.cpp's.
Item {
    id: root
    width: 400
    height: 300

    Component {
        id: chipsComponent
        Item {
            property alias flow: flow
            property alias model: chips.model
            FlowLayout {
                id: flow
                spacing: 4
                Repeater {
                    id: chips
                    model: 3
                    Rectangle { width: 40; height: 20; color: Theme.trelloColor("sky") }
                }
            }
        }
    }

    Component {
        id: columnComponent
        Column {
            property alias second: second
            property alias below: below
            width: 90
            FlowLayout {
                width: parent.width
                spacing: 6
                Rectangle { width: 50; height: 10 }
                Rectangle { id: second; width: 50; height: 10 }
                Rectangle { visible: false; width: 50; height: 10 }
            }
            Rectangle { id: below; width: 10; height: 10 }
        }
    }

    TestCase {
        id: testCase
        name: "FlowLayout"
        when: windowShown

        function test_pushesFollowingItemsDown() {
            const column = createTemporaryObject(columnComponent, root)
            waitForItemPolished(column)
            compare(column.second.x, 0)
            compare(column.second.y, 16)
            compare(column.below.y, 26)
        }

        // Inside a hidden parent (here the invisible test case) the layout keeps its size.
        function test_hiddenParent() {
            const holder = createTemporaryObject(chipsComponent, testCase)
            verify(!holder.flow.visible)
            compare(holder.flow.implicitWidth, 128)
            holder.model = 1
            holder.flow.forceLayout()
            compare(holder.flow.implicitWidth, 40)
        }
    }
}
