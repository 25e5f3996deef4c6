<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>AboutWindow</name>
    <message>
        <source>About Stavelin</source>
        <translation>Über Stavelin</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>A menu bar companion for Trello boards, lists, and cards.
Not affiliated with Trello or Atlassian.</source>
        <translation>Ein Begleiter in der Menüleiste für Trello-Boards, -Listen und -Karten.
Kein Angebot von Trello oder Atlassian.</translation>
    </message>
</context>
<context>
    <name>AccountConfirmationDialog</name>
    <message>
        <source>Connect to the account of %1 (@%2)?</source>
        <translation>Mit dem Konto von %1 (@%2) verbinden?</translation>
    </message>
    <message>
        <source>Connect to the account @%1?</source>
        <translation>Mit dem Konto @%1 verbinden?</translation>
    </message>
    <message>
        <source>Your browser sent Stavelin this account, but no connection was started here. Connect only if you have just authorized Stavelin.</source>
        <translation>Ihr Browser hat Stavelin dieses Konto geschickt, hier wurde aber keine Verbindung begonnen. Verbinden Sie nur, wenn Sie Stavelin gerade eben autorisiert haben.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
</context>
<context>
    <name>AddCardInline</name>
    <message>
        <source>Add card</source>
        <translation>Karte hinzufügen</translation>
    </message>
    <message>
        <source>Card title</source>
        <translation>Kartentitel</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Hide Stavelin</source>
        <translation>Stavelin ausblenden</translation>
    </message>
    <message>
        <source>Show Stavelin</source>
        <translation>Stavelin anzeigen</translation>
    </message>
    <message>
        <source>Refresh Boards</source>
        <translation>Boards aktualisieren</translation>
    </message>
    <message>
        <source>About Stavelin</source>
        <translation>Über Stavelin</translation>
    </message>
    <message>
        <source>Quit Stavelin</source>
        <translation>Stavelin beenden</translation>
    </message>
    <message>
        <source>Stavelin Settings</source>
        <translation>Stavelin-Einstellungen</translation>
    </message>
    <message numerus="yes">
        <source>%n unread notification(s)</source>
        <translation>
            <numerusform>%n ungelesene Benachrichtigung</numerusform>
            <numerusform>%n ungelesene Benachrichtigungen</numerusform>
        </translation>
    </message>
    <message>
        <source>Add a Card</source>
        <translation>Karte hinzufügen</translation>
    </message>
</context>
<context>
    <name>AppState</name>
    <message>
        <source>You no longer have access to “%1”.</source>
        <translation>Sie haben keinen Zugriff mehr auf „%1“.</translation>
    </message>
</context>
<context>
    <name>AttachmentsArea</name>
    <message>
        <source>Could not read “%1”: %2</source>
        <translation>„%1“ konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>“%1” is too large to attach: the limit is %2 per file.</source>
        <translation>„%1“ ist zu groß für einen Anhang: Erlaubt sind %2 je Datei.</translation>
    </message>
    <message>
        <source>not a local file</source>
        <translation>keine lokale Datei</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>es ist ein Ordner</translation>
    </message>
</context>
<context>
    <name>BoardDetailView</name>
    <message>
        <source>Filter cards</source>
        <translation>Karten filtern</translation>
    </message>
    <message>
        <source>Clear filter</source>
        <translation>Filter leeren</translation>
    </message>
</context>
<context>
    <name>BoardEmptyState</name>
    <message>
        <source>No lists yet</source>
        <translation>Noch keine Listen</translation>
    </message>
    <message>
        <source>Add a list</source>
        <translation>Liste hinzufügen</translation>
    </message>
</context>
<context>
    <name>BoardFilterBar</name>
    <message numerus="yes">
        <source>Filter by label, member or due date (%n on)</source>
        <translation>
            <numerusform>Nach Label, Mitglied oder Fälligkeit filtern (%n aktiv)</numerusform>
            <numerusform>Nach Label, Mitglied oder Fälligkeit filtern (%n aktiv)</numerusform>
        </translation>
    </message>
    <message>
        <source>Filter by label, member or due date</source>
        <translation>Nach Label, Mitglied oder Fälligkeit filtern</translation>
    </message>
    <message>
        <source>Labels</source>
        <translation>Labels</translation>
    </message>
    <message>
        <source>No labels on this board.</source>
        <translation>Dieses Board hat keine Labels.</translation>
    </message>
    <message>
        <source>Loading labels…</source>
        <translation>Labels werden geladen …</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Members</source>
        <translation>Mitglieder</translation>
    </message>
    <message>
        <source>Cards assigned to me</source>
        <translation>Mir zugewiesene Karten</translation>
    </message>
    <message>
        <source>Loading members…</source>
        <translation>Mitglieder werden geladen …</translation>
    </message>
    <message>
        <source>Due date</source>
        <translation>Fälligkeit</translation>
    </message>
    <message>
        <source>Overdue</source>
        <translation>Überfällig</translation>
    </message>
    <message>
        <source>Due in the next week</source>
        <translation>In der nächsten Woche fällig</translation>
    </message>
    <message>
        <source>No due date</source>
        <translation>Ohne Fälligkeit</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>Erledigt</translation>
    </message>
</context>
<context>
    <name>BoardFilterChips</name>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Label: %1</source>
        <translation>Label: %1</translation>
    </message>
    <message>
        <source>Assigned to me</source>
        <translation>Mir zugewiesen</translation>
    </message>
    <message>
        <source>Member: %1</source>
        <translation>Mitglied: %1</translation>
    </message>
    <message>
        <source>Member</source>
        <translation>Mitglied</translation>
    </message>
    <message>
        <source>Overdue</source>
        <translation>Überfällig</translation>
    </message>
    <message>
        <source>Due in the next week</source>
        <translation>In der nächsten Woche fällig</translation>
    </message>
    <message>
        <source>No due date</source>
        <translation>Ohne Fälligkeit</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>Erledigt</translation>
    </message>
    <message>
        <source>Remove filter “%1”</source>
        <translation>Filter „%1“ entfernen</translation>
    </message>
    <message>
        <source>Clear all</source>
        <translation>Alle entfernen</translation>
    </message>
</context>
<context>
    <name>BoardListSection</name>
    <message>
        <source>Search boards</source>
        <translation>Boards durchsuchen</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Suche leeren</translation>
    </message>
    <message>
        <source>Boards</source>
        <translation>Boards</translation>
    </message>
    <message>
        <source>No boards match “%1”.</source>
        <translation>Kein Board passt zu „%1“.</translation>
    </message>
    <message>
        <source>Cards</source>
        <translation>Karten</translation>
    </message>
</context>
<context>
    <name>BoardRowView</name>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Archive Board</source>
        <translation>Board archivieren</translation>
    </message>
</context>
<context>
    <name>BoardToolbar</name>
    <message>
        <source>Boards</source>
        <translation>Boards</translation>
    </message>
    <message>
        <source>Add list</source>
        <translation>Liste hinzufügen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>CardAttachmentsSection</name>
    <message>
        <source>Attachments</source>
        <translation>Anhänge</translation>
    </message>
    <message>
        <source>No attachments.</source>
        <translation>Keine Anhänge.</translation>
    </message>
    <message>
        <source>Remove attachment</source>
        <translation>Anhang entfernen</translation>
    </message>
    <message>
        <source>Add link</source>
        <translation>Link hinzufügen</translation>
    </message>
    <message>
        <source>Uploading…</source>
        <translation>Wird hochgeladen …</translation>
    </message>
    <message>
        <source>Upload file</source>
        <translation>Datei hochladen</translation>
    </message>
    <message>
        <source>URL (https://…)</source>
        <translation>URL (https://…)</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>Name (optional)</source>
        <translation>Name (optional)</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Choose files to attach to this card</source>
        <translation>Dateien als Anhang dieser Karte wählen</translation>
    </message>
</context>
<context>
    <name>CardChecklistsSection</name>
    <message>
        <source>Checklists</source>
        <translation>Checklisten</translation>
    </message>
    <message>
        <source>Add checklist</source>
        <translation>Checkliste hinzufügen</translation>
    </message>
    <message>
        <source>Checklist name</source>
        <translation>Name der Checkliste</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CardEditView</name>
    <message>
        <source>Open in %1</source>
        <translation>Auf %1 öffnen</translation>
    </message>
</context>
<context>
    <name>CardEditorActions</name>
    <message>
        <source>Archive</source>
        <translation>Archivieren</translation>
    </message>
    <message>
        <source>Archive this card — recoverable on %1</source>
        <translation>Diese Karte archivieren – auf %1 wiederherstellbar</translation>
    </message>
    <message>
        <source>Delete…</source>
        <translation>Löschen …</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>CardEditorHeader</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Edit Card</source>
        <translation>Karte bearbeiten</translation>
    </message>
</context>
<context>
    <name>CardFormFields</name>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Card title</source>
        <translation>Kartentitel</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Due Date</source>
        <translation>Fälligkeitsdatum</translation>
    </message>
    <message>
        <source>Set due date</source>
        <translation>Fälligkeitsdatum festlegen</translation>
    </message>
    <message>
        <source>Due</source>
        <translation>Fällig</translation>
    </message>
    <message>
        <source>Marked complete</source>
        <translation>Als erledigt markiert</translation>
    </message>
</context>
<context>
    <name>CardLabelsSection</name>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Labels</source>
        <translation>Labels</translation>
    </message>
    <message>
        <source>No labels on this board.</source>
        <translation>Dieses Board hat keine Labels.</translation>
    </message>
</context>
<context>
    <name>CardMembersSection</name>
    <message>
        <source>Members</source>
        <translation>Mitglieder</translation>
    </message>
    <message>
        <source>No members on this board.</source>
        <translation>Dieses Board hat keine Mitglieder.</translation>
    </message>
</context>
<context>
    <name>CardTileMenu</name>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Archive Card</source>
        <translation>Karte archivieren</translation>
    </message>
    <message>
        <source>Delete Card…</source>
        <translation>Karte löschen …</translation>
    </message>
</context>
<context>
    <name>CardView</name>
    <message>
        <source>due %1</source>
        <translation>fällig %1</translation>
    </message>
    <message>
        <source>%1 of %2 checklist items done</source>
        <translation>%1 von %2 Checklisten-Einträgen erledigt</translation>
    </message>
    <message numerus="yes">
        <source>%n comment(s)</source>
        <translation>
            <numerusform>%n Kommentar</numerusform>
            <numerusform>%n Kommentare</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CardsArea</name>
    <message>
        <source>Nothing was sent: the due date is not a date.</source>
        <translation>Nichts gesendet: Das Fälligkeitsdatum ist kein Datum.</translation>
    </message>
    <message>
        <source>Nothing was sent: a changed field has the wrong type.</source>
        <translation>Nichts gesendet: Ein geändertes Feld hat den falschen Typ.</translation>
    </message>
    <message>
        <source>Nothing was sent: that is not a label of this board.</source>
        <translation>Nichts gesendet: Das ist kein Label dieses Boards.</translation>
    </message>
</context>
<context>
    <name>ChecklistItemRow</name>
    <message>
        <source>Item</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Item name</source>
        <translation>Name des Eintrags</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ChecklistProgress</name>
    <message>
        <source>%1 of %2 done</source>
        <translation>%1 von %2 erledigt</translation>
    </message>
</context>
<context>
    <name>ChecklistView</name>
    <message>
        <source>Checklist %3, %1 of %2 done</source>
        <translation>Checkliste %3, %1 von %2 erledigt</translation>
    </message>
    <message>
        <source>Checklist actions</source>
        <translation>Aktionen der Checkliste</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Add item</source>
        <translation>Eintrag hinzufügen</translation>
    </message>
    <message>
        <source>New item</source>
        <translation>Neuer Eintrag</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Delete Checklist…</source>
        <translation>Checkliste löschen …</translation>
    </message>
    <message>
        <source>Delete “%1”?</source>
        <translation>„%1“ löschen?</translation>
    </message>
    <message>
        <source>This deletes the checklist and all its items.</source>
        <translation>Damit werden die Checkliste und alle ihre Einträge gelöscht.</translation>
    </message>
    <message>
        <source>Delete Checklist</source>
        <translation>Checkliste löschen</translation>
    </message>
    <message>
        <source>Rename Item</source>
        <translation>Eintrag umbenennen</translation>
    </message>
    <message>
        <source>Delete Item</source>
        <translation>Eintrag löschen</translation>
    </message>
</context>
<context>
    <name>ChecklistsArea</name>
    <message>
        <source>Nothing was sent: that is not a checklist item.</source>
        <translation>Nichts gesendet: Das ist kein Eintrag einer Checkliste.</translation>
    </message>
</context>
<context>
    <name>ColumnStrip</name>
    <message>
        <source>Lists</source>
        <translation>Listen</translation>
    </message>
</context>
<context>
    <name>CommentEditor</name>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>CommentRow</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>just now</source>
        <translation>gerade eben</translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation>
            <numerusform>vor %n Minute</numerusform>
            <numerusform>vor %n Minuten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation>
            <numerusform>vor %n Stunde</numerusform>
            <numerusform>vor %n Stunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation>
            <numerusform>vor %n Tag</numerusform>
            <numerusform>vor %n Tagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n week(s) ago</source>
        <translation>
            <numerusform>vor %n Woche</numerusform>
            <numerusform>vor %n Wochen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n month(s) ago</source>
        <translation>
            <numerusform>vor %n Monat</numerusform>
            <numerusform>vor %n Monaten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n year(s) ago</source>
        <translation>
            <numerusform>vor %n Jahr</numerusform>
            <numerusform>vor %n Jahren</numerusform>
        </translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>Comment actions</source>
        <translation>Aktionen des Kommentars</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>CommentsSection</name>
    <message>
        <source>Comments</source>
        <translation>Kommentare</translation>
    </message>
    <message>
        <source>Refresh comments</source>
        <translation>Kommentare aktualisieren</translation>
    </message>
    <message>
        <source>Add a comment…</source>
        <translation>Kommentar schreiben …</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Send (Enter) — Alt+Enter for a new line</source>
        <translation>Senden (Eingabe) – Alt+Eingabe für eine neue Zeile</translation>
    </message>
    <message>
        <source>Send (Ctrl+Enter)</source>
        <translation>Senden (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Send comment</source>
        <translation>Kommentar senden</translation>
    </message>
    <message>
        <source>No comments yet.</source>
        <translation>Noch keine Kommentare.</translation>
    </message>
</context>
<context>
    <name>ConfirmationDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ConnectPromptView</name>
    <message>
        <source>Connect to Trello</source>
        <translation>Mit Trello verbinden</translation>
    </message>
    <message>
        <source>Authorize Stavelin in your browser to get started.</source>
        <translation>Autorisieren Sie Stavelin in Ihrem Browser, um loszulegen.</translation>
    </message>
    <message>
        <source>Add your Trello API key and token to get started.</source>
        <translation>Geben Sie Ihren Trello-API-Schlüssel und Ihr Token ein, um loszulegen.</translation>
    </message>
    <message>
        <source>Connect to Trello…</source>
        <translation>Mit Trello verbinden …</translation>
    </message>
    <message>
        <source>Open Settings</source>
        <translation>Einstellungen öffnen</translation>
    </message>
    <message>
        <source>Use an API key instead</source>
        <translation>Stattdessen einen API-Schlüssel verwenden</translation>
    </message>
    <message>
        <source>Get a Trello API key →</source>
        <translation>Trello-API-Schlüssel holen →</translation>
    </message>
</context>
<context>
    <name>Connectivity</name>
    <message>
        <source>Offline — the change can&apos;t be saved until the network is back</source>
        <translation>Offline – die Änderung kann erst gespeichert werden, wenn das Netzwerk wieder da ist</translation>
    </message>
    <message>
        <source>Offline — nothing could be loaded yet</source>
        <translation>Offline – noch konnte nichts geladen werden</translation>
    </message>
    <message>
        <source>Offline — showing what was loaded at %1</source>
        <translation>Offline – angezeigt wird der Stand von %1</translation>
    </message>
</context>
<context>
    <name>DateTimePicker</name>
    <message>
        <source>Previous month</source>
        <translation>Vorheriger Monat</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <extracomment>The calendar&apos;s header: %1 is the month&apos;s name, %2 the year.</extracomment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>Nächster Monat</translation>
    </message>
    <message>
        <source>Day, %1</source>
        <translation>Tag, %1</translation>
    </message>
    <message>
        <source>Arrow keys change the day, Page Up and Page Down the month.</source>
        <translation>Die Pfeiltasten wechseln den Tag, Bild auf und Bild ab den Monat.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Stunde</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Before or after noon</source>
        <translation>Vor- oder nachmittags</translation>
    </message>
</context>
<context>
    <name>DeleteCardDialog</name>
    <message>
        <source>Delete “%1”?</source>
        <translation>„%1“ löschen?</translation>
    </message>
    <message>
        <source>Deleting can&apos;t be undone. Archiving keeps the card recoverable on %1.</source>
        <translation>Löschen lässt sich nicht rückgängig machen. Eine archivierte Karte bleibt auf %1 wiederherstellbar.</translation>
    </message>
    <message>
        <source>Delete Permanently</source>
        <translation>Endgültig löschen</translation>
    </message>
</context>
<context>
    <name>DescriptionField</name>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Add a description…</source>
        <translation>Beschreibung hinzufügen …</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message numerus="yes">
        <source>%n new notification(s)</source>
        <translation>
            <numerusform>%n neue Benachrichtigung</numerusform>
            <numerusform>%n neue Benachrichtigungen</numerusform>
        </translation>
    </message>
    <message>
        <source>Open Stavelin to read them.</source>
        <translation>Öffnen Sie Stavelin, um sie zu lesen.</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Mark as read</source>
        <translation>Als gelesen markieren</translation>
    </message>
    <message>
        <source>“%1” is due now</source>
        <translation>„%1“ ist jetzt fällig</translation>
    </message>
    <message>
        <source>“%1” was due at %2</source>
        <translation>„%1“ war um %2 fällig</translation>
    </message>
    <message>
        <source>“%1” is due at %2</source>
        <translation>„%1“ ist um %2 fällig</translation>
    </message>
    <message>
        <source>“%1” is due tomorrow at %2</source>
        <translation>„%1“ ist morgen um %2 fällig</translation>
    </message>
    <message>
        <source>“%1” is due on %2 at %3</source>
        <translation>„%1“ ist am %2 um %3 fällig</translation>
    </message>
    <message numerus="yes">
        <source>%n card(s) due soon</source>
        <translation>
            <numerusform>%n Karte bald fällig</numerusform>
            <numerusform>%n Karten bald fällig</numerusform>
        </translation>
    </message>
    <message>
        <source>Mark complete</source>
        <translation>Als erledigt markieren</translation>
    </message>
</context>
<context>
    <name>ErrorBanner</name>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>ErrorLog</name>
    <message>
        <source>The operation failed.</source>
        <translation>Der Vorgang ist fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>FoundCardRow</name>
    <message>
        <source>due %1</source>
        <translation>fällig %1</translation>
    </message>
</context>
<context>
    <name>HomeScreen</name>
    <message>
        <source>Trello Boards</source>
        <translation>Trello-Boards</translation>
    </message>
</context>
<context>
    <name>ListColumnHeader</name>
    <message numerus="yes">
        <source>List %1, %n card(s) shown of %2</source>
        <translation>
            <numerusform>Liste %1, %n Karte von %2 angezeigt</numerusform>
            <numerusform>Liste %1, %n Karten von %2 angezeigt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>List %1, %n card(s)</source>
        <translation>
            <numerusform>Liste %1, %n Karte</numerusform>
            <numerusform>Liste %1, %n Karten</numerusform>
        </translation>
    </message>
    <message>
        <source>Drag to reorder list</source>
        <translation>Ziehen, um die Liste zu verschieben</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>List actions</source>
        <translation>Aktionen der Liste</translation>
    </message>
    <message>
        <source>List name</source>
        <translation>Listenname</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Archive List</source>
        <translation>Liste archivieren</translation>
    </message>
    <message>
        <source>Archive “%1”?</source>
        <translation>„%1“ archivieren?</translation>
    </message>
    <message>
        <source>You can restore it later from %1.</source>
        <translation>Sie können sie später auf %1 wiederherstellen.</translation>
    </message>
</context>
<context>
    <name>LoginItem</name>
    <message>
        <source>the program&apos;s path cannot be used in an autostart entry</source>
        <translation>der Pfad des Programms kann in keinem Autostart-Eintrag stehen</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>der Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>cannot remove %1: %2</source>
        <translation>%1 kann nicht entfernt werden: %2</translation>
    </message>
</context>
<context>
    <name>ManualCredentialsFields</name>
    <message>
        <source>API Key</source>
        <translation>API-Schlüssel</translation>
    </message>
    <message>
        <source>Trello API key</source>
        <translation>Trello-API-Schlüssel</translation>
    </message>
    <message>
        <source>Token</source>
        <translation>Token</translation>
    </message>
    <message>
        <source>Trello API token</source>
        <translation>Trello-API-Token</translation>
    </message>
    <message>
        <source>Get an API key</source>
        <translation>API-Schlüssel holen</translation>
    </message>
    <message>
        <source>Generate a token</source>
        <translation>Token erzeugen</translation>
    </message>
    <message>
        <source>Save &amp; Connect</source>
        <translation>Speichern und verbinden</translation>
    </message>
</context>
<context>
    <name>MentionPopup</name>
    <message>
        <source>Members to mention</source>
        <translation>Mitglieder zum Erwähnen</translation>
    </message>
    <message>
        <source>%1, @%2</source>
        <translation>%1, @%2</translation>
    </message>
</context>
<context>
    <name>NewBoardFormView</name>
    <message>
        <source>New Board</source>
        <translation>Neues Board</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Board Name</source>
        <translation>Name des Boards</translation>
    </message>
    <message>
        <source>Board name</source>
        <translation>Name des Boards</translation>
    </message>
    <message>
        <source>Description (Optional)</source>
        <translation>Beschreibung (optional)</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Create</source>
        <translation>Erstellen</translation>
    </message>
</context>
<context>
    <name>NewListForm</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>List Name</source>
        <translation>Listenname</translation>
    </message>
    <message>
        <source>e.g. To Do</source>
        <translation>z. B. Zu erledigen</translation>
    </message>
    <message>
        <source>List name</source>
        <translation>Listenname</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Create</source>
        <translation>Erstellen</translation>
    </message>
</context>
<context>
    <name>NoBoardsState</name>
    <message>
        <source>No boards yet</source>
        <translation>Noch keine Boards</translation>
    </message>
    <message>
        <source>Create your first board with the + button above.</source>
        <translation>Legen Sie Ihr erstes Board mit der Schaltfläche + oben an.</translation>
    </message>
</context>
<context>
    <name>NotificationsArea</name>
    <message>
        <source>Notifications could not be fetched: %1</source>
        <translation>Benachrichtigungen konnten nicht abgerufen werden: %1</translation>
    </message>
    <message>
        <source>Someone</source>
        <translation>Jemand</translation>
    </message>
    <message>
        <source>%1 mentioned you on “%2”</source>
        <translation>%1 hat Sie auf „%2“ erwähnt</translation>
    </message>
    <message>
        <source>%1 commented on “%2”</source>
        <translation>%1 hat „%2“ kommentiert</translation>
    </message>
    <message>
        <source>%1 added you to “%2”</source>
        <translation>%1 hat Sie zu „%2“ hinzugefügt</translation>
    </message>
    <message>
        <source>%1 removed you from “%2”</source>
        <translation>%1 hat Sie von „%2“ entfernt</translation>
    </message>
    <message>
        <source>“%1” is due soon</source>
        <translation>„%1“ ist bald fällig</translation>
    </message>
    <message>
        <source>%1 changed “%2”</source>
        <translation>%1 hat „%2“ geändert</translation>
    </message>
    <message>
        <source>%1 attached a file to “%2”</source>
        <translation>%1 hat eine Datei an „%2“ angehängt</translation>
    </message>
    <message>
        <source>%1 checked off an item on “%2”</source>
        <translation>%1 hat einen Punkt auf „%2“ abgehakt</translation>
    </message>
    <message>
        <source>%1 created “%2”</source>
        <translation>%1 hat „%2“ erstellt</translation>
    </message>
    <message>
        <source>%1 updated “%2”</source>
        <translation>%1 hat „%2“ aktualisiert</translation>
    </message>
    <message>
        <source>%1 added you to the board “%2”</source>
        <translation>%1 hat Sie zum Board „%2“ hinzugefügt</translation>
    </message>
    <message>
        <source>%1 removed you from the board “%2”</source>
        <translation>%1 hat Sie vom Board „%2“ entfernt</translation>
    </message>
    <message>
        <source>%1 updated the board “%2”</source>
        <translation>%1 hat das Board „%2“ aktualisiert</translation>
    </message>
    <message>
        <source>New notification from %1</source>
        <translation>Neue Benachrichtigung von %1</translation>
    </message>
</context>
<context>
    <name>NotificationsView</name>
    <message>
        <source>Notifications</source>
        <translation>Benachrichtigungen</translation>
    </message>
    <message>
        <source>just now</source>
        <translation>gerade eben</translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation>
            <numerusform>vor %n Minute</numerusform>
            <numerusform>vor %n Minuten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation>
            <numerusform>vor %n Stunde</numerusform>
            <numerusform>vor %n Stunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation>
            <numerusform>vor %n Tag</numerusform>
            <numerusform>vor %n Tagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n unread</source>
        <translation>
            <numerusform>%n ungelesen</numerusform>
            <numerusform>%n ungelesen</numerusform>
        </translation>
    </message>
    <message>
        <source>You are all caught up.</source>
        <translation>Sie sind auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>Mark all as read</source>
        <translation>Alle als gelesen markieren</translation>
    </message>
</context>
<context>
    <name>OpenBoard</name>
    <message>
        <source>Moved “%1” to the end of “%2”.</source>
        <translation>„%1“ ans Ende von „%2“ verschoben.</translation>
    </message>
    <message>
        <source>Moved “%1” before “%2”.</source>
        <translation>„%1“ vor „%2“ verschoben.</translation>
    </message>
    <message>
        <source>Moved “%1” after “%2”.</source>
        <translation>„%1“ hinter „%2“ verschoben.</translation>
    </message>
    <message>
        <source>Moved list “%1” before “%2”.</source>
        <translation>Liste „%1“ vor „%2“ verschoben.</translation>
    </message>
    <message>
        <source>Moved list “%1” after “%2”.</source>
        <translation>Liste „%1“ hinter „%2“ verschoben.</translation>
    </message>
</context>
<context>
    <name>PanelFooter</name>
    <message>
        <source>Signed in as %1</source>
        <translation>Angemeldet als %1</translation>
    </message>
    <message>
        <source>Trello</source>
        <translation>Trello</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>PanelHeader</name>
    <message>
        <source>New board</source>
        <translation>Neues Board</translation>
    </message>
    <message>
        <source>Refresh boards</source>
        <translation>Boards aktualisieren</translation>
    </message>
    <message>
        <source>Collapse window</source>
        <translation>Fenster verkleinern</translation>
    </message>
    <message>
        <source>Expand window</source>
        <translation>Fenster vergrößern</translation>
    </message>
    <message numerus="yes">
        <source>%n unread notification(s)</source>
        <translation>
            <numerusform>%n ungelesene Benachrichtigung</numerusform>
            <numerusform>%n ungelesene Benachrichtigungen</numerusform>
        </translation>
    </message>
    <message>
        <source>Notifications</source>
        <translation>Benachrichtigungen</translation>
    </message>
</context>
<context>
    <name>PlaceholderView</name>
    <message>
        <source>Boards</source>
        <translation>Boards</translation>
    </message>
</context>
<context>
    <name>QuickAddView</name>
    <message>
        <source>Choose a list for the card.</source>
        <translation>Wählen Sie eine Liste für die Karte.</translation>
    </message>
    <message>
        <source>Added to “%1” on “%2”</source>
        <translation>Zu „%1“ auf „%2“ hinzugefügt</translation>
    </message>
    <message>
        <source>Add a Card</source>
        <translation>Karte hinzufügen</translation>
    </message>
    <message>
        <source>Card title</source>
        <translation>Kartentitel</translation>
    </message>
    <message>
        <source>Board</source>
        <translation>Board</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Set due date</source>
        <translation>Fälligkeitsdatum festlegen</translation>
    </message>
    <message>
        <source>Due</source>
        <translation>Fällig</translation>
    </message>
    <message>
        <source>Adding…</source>
        <translation>Wird hinzugefügt …</translation>
    </message>
    <message>
        <source>Loading boards…</source>
        <translation>Boards werden geladen …</translation>
    </message>
    <message>
        <source>Loading lists…</source>
        <translation>Listen werden geladen …</translation>
    </message>
    <message>
        <source>Connect Stavelin to Trello in its Settings first.</source>
        <translation>Verbinden Sie Stavelin zuerst in den Einstellungen mit Trello.</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
</context>
<context>
    <name>ReactionsBar</name>
    <message>
        <source>Take back your reaction</source>
        <translation>Ihre Reaktion zurücknehmen</translation>
    </message>
    <message>
        <source>React with this emoji</source>
        <translation>Mit diesem Emoji reagieren</translation>
    </message>
    <message>
        <source>Add reaction</source>
        <translation>Reaktion hinzufügen</translation>
    </message>
</context>
<context>
    <name>RemindersArea</name>
    <message>
        <source>Due dates could not be fetched: %1</source>
        <translation>Fälligkeiten konnten nicht abgerufen werden: %1</translation>
    </message>
</context>
<context>
    <name>SearchArea</name>
    <message>
        <source>Cards could not be searched: %1</source>
        <translation>Karten konnten nicht durchsucht werden: %1</translation>
    </message>
    <message numerus="yes">
        <source>Cards could not be searched yet: the service asks to wait. Trying again in %n second(s).</source>
        <translation>
            <numerusform>Karten konnten noch nicht durchsucht werden: Der Dienst bittet um eine Pause. Neuer Versuch in %n Sekunde.</numerusform>
            <numerusform>Karten konnten noch nicht durchsucht werden: Der Dienst bittet um eine Pause. Neuer Versuch in %n Sekunden.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SessionArea</name>
    <message>
        <source>Connected as %1.</source>
        <translation>Verbunden als %1.</translation>
    </message>
    <message>
        <source>The keyring did not store the credentials: they are used until Stavelin quits.</source>
        <translation>Der Schlüsselbund hat die Zugangsdaten nicht gespeichert: Sie gelten, bis Stavelin beendet wird.</translation>
    </message>
    <message>
        <source>Connected as %1. The keyring did not store the credentials: they are used until Stavelin quits.</source>
        <translation>Verbunden als %1. Der Schlüsselbund hat die Zugangsdaten nicht gespeichert: Sie gelten, bis Stavelin beendet wird.</translation>
    </message>
    <message>
        <source>Enter an API key and a token.</source>
        <translation>Geben Sie einen API-Schlüssel und ein Token ein.</translation>
    </message>
    <message>
        <source>Disconnected.</source>
        <translation>Getrennt.</translation>
    </message>
    <message>
        <source>No API key available — enter one below.</source>
        <translation>Kein API-Schlüssel vorhanden – geben Sie unten einen ein.</translation>
    </message>
    <message>
        <source>Not a Stavelin callback address.</source>
        <translation>Keine Rückrufadresse von Stavelin.</translation>
    </message>
    <message>
        <source>Trello authorization was cancelled or failed.</source>
        <translation>Die Autorisierung bei Trello wurde abgebrochen oder ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Trello authorization did not return a token.</source>
        <translation>Die Autorisierung bei Trello hat kein Token geliefert.</translation>
    </message>
    <message>
        <source>No API key to go with the token from the browser.</source>
        <translation>Zum Token aus dem Browser fehlt ein API-Schlüssel.</translation>
    </message>
    <message>
        <source>No account from the browser is waiting to be connected.</source>
        <translation>Kein Konto aus dem Browser wartet darauf, verbunden zu werden.</translation>
    </message>
    <message>
        <source>Could not update login item: login items are not available here</source>
        <translation>Der Autostart-Eintrag ließ sich nicht ändern: Autostart-Einträge gibt es hier nicht</translation>
    </message>
    <message>
        <source>Could not update login item: %1</source>
        <translation>Der Autostart-Eintrag ließ sich nicht ändern: %1</translation>
    </message>
</context>
<context>
    <name>SettingsFormFields</name>
    <message>
        <source>Connect Stavelin to your Trello account.</source>
        <translation>Verbinden Sie Stavelin mit Ihrem Trello-Konto.</translation>
    </message>
    <message>
        <source>Connect to Trello…</source>
        <translation>Mit Trello verbinden …</translation>
    </message>
    <message>
        <source>Trello opens in your browser — sign in, click Allow, and you&apos;ll be brought back here automatically.</source>
        <translation>Trello öffnet sich in Ihrem Browser – melden Sie sich an, klicken Sie auf „Zulassen“, und Sie kommen automatisch hierher zurück.</translation>
    </message>
    <message>
        <source>Connect this app to your Trello account.</source>
        <translation>Verbinden Sie diese App mit Ihrem Trello-Konto.</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Advanced: use your own API key</source>
        <translation>Erweitert: eigenen API-Schlüssel verwenden</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Show desktop notifications</source>
        <translation>Desktop-Benachrichtigungen anzeigen</translation>
    </message>
    <message>
        <source>Remind me of due dates</source>
        <translation>An Fälligkeiten erinnern</translation>
    </message>
</context>
<context>
    <name>SettingsPanelView</name>
    <message>
        <source>Trello Settings</source>
        <translation>Trello-Einstellungen</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
</context>
<context>
    <name>ShortcutField</name>
    <message>
        <source>Use Ctrl, Alt or Super with the key.</source>
        <translation>Drücken Sie die Taste zusammen mit Strg, Alt oder Super.</translation>
    </message>
    <message>
        <source>Keyboard shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Press the new shortcut…</source>
        <translation>Neues Tastenkürzel drücken …</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <source>Command to bind</source>
        <translation>Zuzuweisender Befehl</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Quick add shortcut</source>
        <translation>Tastenkürzel für schnelles Hinzufügen</translation>
    </message>
</context>
<context>
    <name>ShortcutManager</name>
    <message>
        <source>No shortcut: the tray icon shows and hides the window.</source>
        <translation>Kein Tastenkürzel: Das Symbol in der Leiste zeigt und verbirgt das Fenster.</translation>
    </message>
    <message>
        <source>Setting up %1…</source>
        <translation>%1 wird eingerichtet …</translation>
    </message>
    <message>
        <source>Press %1 anywhere to show or hide the window.</source>
        <translation>Drücken Sie überall %1, um das Fenster zu zeigen oder zu verbergen.</translation>
    </message>
    <message>
        <source>%1 is used by another program. Choose another shortcut.</source>
        <translation>%1 wird von einem anderen Programm verwendet. Wählen Sie ein anderes Tastenkürzel.</translation>
    </message>
    <message>
        <source>%1 cannot be used as a shortcut here. Choose another shortcut.</source>
        <translation>%1 kann hier nicht als Tastenkürzel dienen. Wählen Sie ein anderes Tastenkürzel.</translation>
    </message>
    <message>
        <source>This desktop does not let programs set a shortcut. Bind this command to a shortcut in the desktop&apos;s keyboard settings:</source>
        <translation>Diese Arbeitsumgebung lässt Programme kein Tastenkürzel festlegen. Weisen Sie diesen Befehl in den Tastatureinstellungen der Arbeitsumgebung einem Tastenkürzel zu:</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>No shortcut for adding cards.</source>
        <translation>Kein Tastenkürzel zum Hinzufügen von Karten.</translation>
    </message>
    <message>
        <source>Press %1 anywhere to add a card.</source>
        <translation>Drücken Sie %1 an beliebiger Stelle, um eine Karte hinzuzufügen.</translation>
    </message>
    <message>
        <source>%1 already shows and hides the window. Choose another shortcut.</source>
        <translation>%1 zeigt und verbirgt bereits das Fenster. Wählen Sie ein anderes Tastenkürzel.</translation>
    </message>
    <message>
        <source>%1 already opens quick add. Choose another shortcut.</source>
        <translation>%1 öffnet bereits das schnelle Hinzufügen. Wählen Sie ein anderes Tastenkürzel.</translation>
    </message>
</context>
<context>
    <name>ShortcutRoute</name>
    <message>
        <source>Show or hide Stavelin</source>
        <translation>Stavelin anzeigen oder ausblenden</translation>
    </message>
    <message>
        <source>Add a card to Trello</source>
        <translation>Eine Karte zu Trello hinzufügen</translation>
    </message>
</context>
<context>
    <name>Spinner</name>
    <message>
        <source>Loading</source>
        <translation>Wird geladen</translation>
    </message>
</context>
<context>
    <name>StoreContext</name>
    <message>
        <source>Nothing was sent: the %1 id is missing.</source>
        <translation>Nichts gesendet: Die ID (%1) fehlt.</translation>
    </message>
</context>
<context>
    <name>Theme</name>
    <message>
        <source>Today %1</source>
        <translation>Heute %1</translation>
    </message>
    <message>
        <source>Tomorrow</source>
        <translation>Morgen</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Gestern</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grün</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gelb</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Lila</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>Sky</source>
        <translation>Himmelblau</translation>
    </message>
    <message>
        <source>Lime</source>
        <translation>Hellgrün</translation>
    </message>
    <message>
        <source>Pink</source>
        <translation>Pink</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>%1 (dark)</source>
        <translation>%1 (dunkel)</translation>
    </message>
    <message>
        <source>%1 (light)</source>
        <translation>%1 (hell)</translation>
    </message>
    <message>
        <source>%1 (subtle)</source>
        <translation>%1 (blass)</translation>
    </message>
</context>
<context>
    <name>TileLabels</name>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
</context>
<context>
    <name>TrelloAPIError</name>
    <message>
        <source>No HTTP response</source>
        <translation>Keine HTTP-Antwort</translation>
    </message>
    <message>
        <source>The request timed out.</source>
        <translation>Die Anfrage hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>Trello API request failed (%1): %2</source>
        <translation>Anfrage an die Trello-API fehlgeschlagen (%1): %2</translation>
    </message>
    <message>
        <source>Failed to decode Trello response: %1</source>
        <translation>Die Antwort von Trello ließ sich nicht lesen: %1</translation>
    </message>
    <message>
        <source>The connection closed before the whole answer arrived.</source>
        <translation>Die Verbindung endete, bevor die ganze Antwort da war.</translation>
    </message>
    <message>
        <source>Network error: %1</source>
        <translation>Netzwerkfehler: %1</translation>
    </message>
    <message>
        <source>Trello API key and token are required. Open Settings to configure.</source>
        <translation>Trello-API-Schlüssel und Token werden benötigt. Richten Sie sie in den Einstellungen ein.</translation>
    </message>
    <message>
        <source>Failed to construct Trello API URL.</source>
        <translation>Die Adresse für die Trello-API ließ sich nicht bilden.</translation>
    </message>
    <message>
        <source>The service is limiting requests; trying again in %1 s</source>
        <translation>Der Dienst begrenzt die Anfragen; neuer Versuch in %1 s</translation>
    </message>
    <message>
        <source>No network reaches the service.</source>
        <translation>Kein Netzwerk erreicht den Dienst.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>A tray companion for Trello boards.</source>
        <translation>Ein Begleiter im Infobereich für Trello-Boards.</translation>
    </message>
    <message>
        <source>Run on the built-in sandbox with a sample account; no keyring, no settings of yours are touched.</source>
        <translation>Mit der eingebauten Sandbox und einem Beispielkonto starten; Ihr Schlüsselbund und Ihre Einstellungen bleiben unberührt.</translation>
    </message>
    <message>
        <source>The demo&apos;s account: sample, large or empty.</source>
        <translation>Das Konto der Demo: sample, large oder empty.</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Open the panel and the Settings window and save pictures of them here.</source>
        <translation>Das Panel und das Einstellungsfenster öffnen und Bilder davon hier speichern.</translation>
    </message>
    <message>
        <source>dir</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Show the panel, or hide it when it is showing; starts Stavelin when it is not running. For a shortcut of the desktop&apos;s own.</source>
        <translation>Das Panel zeigen, oder ausblenden, wenn es zu sehen ist; startet Stavelin, wenn es nicht läuft. Für ein Tastenkürzel der Arbeitsumgebung selbst.</translation>
    </message>
    <message>
        <source>Show the panel; starts Stavelin when it is not running.</source>
        <translation>Das Panel zeigen; startet Stavelin, wenn es nicht läuft.</translation>
    </message>
    <message>
        <source>A stavelin: callback URL from the browser.</source>
        <translation>Eine stavelin:-Rückrufadresse aus dem Browser.</translation>
    </message>
    <message>
        <source>[url…]</source>
        <translation>[URL …]</translation>
    </message>
    <message>
        <source>Open the small window that adds a card to a list; starts Stavelin when it is not running. For a shortcut of the desktop&apos;s own.</source>
        <translation>Das kleine Fenster öffnen, das einer Liste eine Karte hinzufügt; startet Stavelin, wenn es nicht läuft. Für ein Tastenkürzel der Arbeitsumgebung selbst.</translation>
    </message>
</context>
</TS>
