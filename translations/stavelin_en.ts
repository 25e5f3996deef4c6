<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AppDelegate</name>
    <message numerus="yes">
        <source>%n unread notification(s)</source>
        <translation>
            <numerusform>%n unread notification</numerusform>
            <numerusform>%n unread notifications</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>BoardFilterBar</name>
    <message numerus="yes">
        <source>Filter by label, member or due date (%n on)</source>
        <translation>
            <numerusform>Filter by label, member or due date (%n on)</numerusform>
            <numerusform>Filter by label, member or due date (%n on)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CardView</name>
    <message numerus="yes">
        <source>%n comment(s)</source>
        <translation>
            <numerusform>%n comment</numerusform>
            <numerusform>%n comments</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CommentRow</name>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation>
            <numerusform>%n minute ago</numerusform>
            <numerusform>%n minutes ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation>
            <numerusform>%n hour ago</numerusform>
            <numerusform>%n hours ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n week(s) ago</source>
        <translation>
            <numerusform>%n week ago</numerusform>
            <numerusform>%n weeks ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n month(s) ago</source>
        <translation>
            <numerusform>%n month ago</numerusform>
            <numerusform>%n months ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n year(s) ago</source>
        <translation>
            <numerusform>%n year ago</numerusform>
            <numerusform>%n years ago</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message numerus="yes">
        <source>%n new notification(s)</source>
        <translation>
            <numerusform>%n new notification</numerusform>
            <numerusform>%n new notifications</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n card(s) due soon</source>
        <translation>
            <numerusform>%n card due soon</numerusform>
            <numerusform>%n cards due soon</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ListColumnHeader</name>
    <message numerus="yes">
        <source>List %1, %n card(s) shown of %2</source>
        <translation>
            <numerusform>List %1, %n card shown of %2</numerusform>
            <numerusform>List %1, %n cards shown of %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>List %1, %n card(s)</source>
        <translation>
            <numerusform>List %1, %n card</numerusform>
            <numerusform>List %1, %n cards</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>NotificationsView</name>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation>
            <numerusform>%n minute ago</numerusform>
            <numerusform>%n minutes ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation>
            <numerusform>%n hour ago</numerusform>
            <numerusform>%n hours ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n unread</source>
        <translation>
            <numerusform>%n unread</numerusform>
            <numerusform>%n unread</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PanelHeader</name>
    <message numerus="yes">
        <source>%n unread notification(s)</source>
        <translation>
            <numerusform>%n unread notification</numerusform>
            <numerusform>%n unread notifications</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SearchArea</name>
    <message numerus="yes">
        <source>Cards could not be searched yet: the service asks to wait. Trying again in %n second(s).</source>
        <translation>
            <numerusform>Cards could not be searched yet: the service asks to wait. Trying again in %n second.</numerusform>
            <numerusform>Cards could not be searched yet: the service asks to wait. Trying again in %n seconds.</numerusform>
        </translation>
    </message>
</context>
</TS>
